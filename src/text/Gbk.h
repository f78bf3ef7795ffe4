#pragma once
// Conversions between GBK and UTF-8, used only at the edges of the program:
// constants written in UTF-8 source, window texts, JSON and CSV output.
#include <string>
#include <string_view>

namespace rongfan {

// UTF-8 to GBK; a character GBK lacks becomes "?".
std::string Utf8ToGbk(std::string_view utf8);
// GBK to UTF-8; a byte sequence that is not GBK becomes U+FFFD.
std::string GbkToUtf8(std::string_view gbk);

}  // namespace rongfan

// A GBK constant from a UTF-8 literal, converted once per call site.
#define RF_GBK(literal)                                                   \
    ([]() -> const std::string& {                                         \
        static const std::string converted = ::rongfan::Utf8ToGbk(literal); \
        return converted;                                                 \
    }())
