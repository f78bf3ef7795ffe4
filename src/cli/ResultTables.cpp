#include "cli/ResultTables.h"

#include <nlohmann/json.hpp>
#include <string_view>

#include "text/Gbk.h"

namespace rongfan {
namespace {

constexpr const char* JsonKeys[ResultColumnCount] = {"index",      "title",   "price", "collections", "deals30",
                                                     "received30", "reviews", "url",   "picture"};
constexpr const char* ColumnTitles[ResultColumnCount] = {"序号",     "标题",   "摆价", "收藏量",  "30天成交",
                                                         "30天收货", "评价数", "网址", "图片地址"};

bool isPlainNumber(const std::string& text) {
    std::size_t i = (!text.empty() && (text[0] == '-' || text[0] == '+')) ? 1 : 0;
    bool digits = false;
    bool point = false;
    for (; i < text.size(); ++i) {
        if (text[i] >= '0' && text[i] <= '9') digits = true;
        else if (text[i] == '.' && !point) point = true;
        else return false;
    }
    return digits;
}

// Cell texts come from marketplace pages. A spreadsheet program runs a field
// that begins with "=", "+", "-" or "@" as a formula, so such a field (unless
// it is a plain number) is written with a leading apostrophe and stays text.
bool looksLikeFormula(const std::string& text) {
    return !text.empty() && std::string_view("=+-@\t\r").find(text[0]) != std::string_view::npos &&
           !isPlainNumber(text);
}

void appendCsvField(std::string& out, const std::string& utf8) {
    const std::string field = looksLikeFormula(utf8) ? "'" + utf8 : utf8;
    if (field.find_first_of(",\"\r\n") == std::string::npos) {
        out += field;
        return;
    }
    out += '"';
    for (const char c : field) {
        if (c == '"') out += '"';
        out += c;
    }
    out += '"';
}

}  // namespace

std::string RowsToJson(const std::vector<ResultCells>& rows) {
    nlohmann::ordered_json array = nlohmann::ordered_json::array();
    for (const ResultCells& cells : rows) {
        nlohmann::ordered_json object = nlohmann::ordered_json::object();
        for (int column = 0; column < ResultColumnCount; ++column)
            object[JsonKeys[column]] = GbkToUtf8(cells[static_cast<std::size_t>(column)]);
        array.push_back(std::move(object));
    }
    // The conversion already replaced what is not GBK; the handler only guards the dump.
    return array.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace) + "\n";
}

std::string RowsToCsv(const std::vector<ResultCells>& rows) {
    std::string out = "\xEF\xBB\xBF";
    for (int column = 0; column < ResultColumnCount; ++column) {
        if (column > 0) out += ',';
        appendCsvField(out, ColumnTitles[column]);
    }
    out += "\r\n";
    for (const ResultCells& cells : rows) {
        for (int column = 0; column < ResultColumnCount; ++column) {
            if (column > 0) out += ',';
            appendCsvField(out, GbkToUtf8(cells[static_cast<std::size_t>(column)]));
        }
        out += "\r\n";
    }
    return out;
}

}  // namespace rongfan
