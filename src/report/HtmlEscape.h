#pragma once
// HTML escaping of GBK texts taken from marketplace pages.
#include <string>
#include <string_view>

namespace rongfan {

// Appends `text` with "<", ">" and '"' written as character references and "&"
// as "&amp;" unless it already begins a character reference ("&amp;", "&#39;",
// "&#x4e2d;"), so text a page already encoded is not encoded twice. A GBK
// two-byte character passes whole; a lead byte without a valid trail byte
// passes alone and the byte after it is judged on its own.
void AppendEscapedHtml(std::string& out, std::string_view text);
std::string EscapeHtml(std::string_view text);

}  // namespace rongfan
