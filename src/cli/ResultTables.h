#pragma once
// The result rows as JSON and CSV, converted from GBK to UTF-8.
#include <string>
#include <vector>

#include "cli/CliWindow.h"

namespace rongfan {

// A JSON array, one object per row in list order, keys "index", "title",
// "price", "collections", "deals30", "received30", "reviews", "url",
// "picture" in that order, every value a string; ends with a line break.
std::string RowsToJson(const std::vector<ResultCells>& rows);

// A byte-order mark, a header line of the nine column titles, then one line
// per row; fields quoted as RFC 4180 asks, lines ended by CR LF. A field that a
// spreadsheet would take for a formula gets a leading apostrophe.
std::string RowsToCsv(const std::vector<ResultCells>& rows);

}  // namespace rongfan
