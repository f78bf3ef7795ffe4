#pragma once
// Writing a file so that a failure leaves the older file of that name intact.
#include <string>
#include <string_view>

#include "host/Host.h"

namespace rongfan {

// Writes `bytes` to a new file beside `path` and renames it over `path`. On any
// failure the temporary file is removed, `path` is untouched and the result
// names the reason (UTF-8).
WriteResult ReplaceFile(const std::string& path, std::string_view bytes);

}  // namespace rongfan
