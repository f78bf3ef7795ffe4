#include "report/HtmlEscape.h"

namespace rongfan {
namespace {

bool isAsciiLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isHexDigit(char c) { return isDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }

// Length limits keep a stray "&" followed by a long word from being taken for a reference.
constexpr std::size_t MaxNameLength = 32;
constexpr std::size_t MaxDecimalDigits = 7;
constexpr std::size_t MaxHexDigits = 6;

// True when text[at] is "&" and begins "&name;", "&#digits;" or "&#xhex;".
bool beginsCharacterReference(std::string_view text, std::size_t at) {
    std::size_t i = at + 1;
    const std::size_t n = text.size();
    if (i < n && text[i] == '#') {
        ++i;
        bool hex = false;
        if (i < n && (text[i] == 'x' || text[i] == 'X')) {
            hex = true;
            ++i;
        }
        const std::size_t first = i;
        while (i < n && (hex ? isHexDigit(text[i]) : isDigit(text[i]))) ++i;
        const std::size_t digits = i - first;
        return digits > 0 && digits <= (hex ? MaxHexDigits : MaxDecimalDigits) && i < n && text[i] == ';';
    }
    if (i >= n || !isAsciiLetter(text[i])) return false;
    const std::size_t first = i;
    while (i < n && (isAsciiLetter(text[i]) || isDigit(text[i]))) ++i;
    return i - first <= MaxNameLength && i < n && text[i] == ';';
}

bool isGbkLead(unsigned char c) { return c >= 0x81 && c <= 0xFE; }
bool isGbkTrail(unsigned char c) { return c >= 0x40 && c <= 0xFE && c != 0x7F; }

}  // namespace

void AppendEscapedHtml(std::string& out, std::string_view text) {
    const std::size_t n = text.size();
    std::size_t i = 0;
    while (i < n) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c >= 0x80) {
            // A trail byte is never one of the characters escaped below, so a
            // well-formed pair can be copied as it stands.
            if (isGbkLead(c) && i + 1 < n && isGbkTrail(static_cast<unsigned char>(text[i + 1]))) {
                out.append(text.data() + i, 2);
                i += 2;
            } else {
                out.push_back(static_cast<char>(c));
                ++i;
            }
            continue;
        }
        switch (c) {
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        case '&': out += beginsCharacterReference(text, i) ? "&" : "&amp;"; break;
        default: out.push_back(static_cast<char>(c)); break;
        }
        ++i;
    }
}

std::string EscapeHtml(std::string_view text) {
    std::string out;
    out.reserve(text.size() + text.size() / 8);
    AppendEscapedHtml(out, text);
    return out;
}

}  // namespace rongfan
