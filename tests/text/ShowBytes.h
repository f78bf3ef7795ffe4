#pragma once
// Byte strings in failure messages: printable ASCII as is, everything else as \xNN.
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace rongfan::testing {

inline std::string ShowBytes(std::string_view bytes) {
    std::string out = "'";
    for (const char ch : bytes) {
        const auto c = static_cast<unsigned char>(ch);
        if (c >= 0x20 && c < 0x7F && c != '\\' && c != '\'') {
            out += ch;
        } else {
            char buffer[8];
            std::snprintf(buffer, sizeof buffer, "\\x%02X", c);
            out += buffer;
        }
    }
    return out + "'";
}

inline std::string ShowList(const std::vector<std::string>& pieces) {
    std::string out = "{";
    for (std::size_t i = 0; i < pieces.size(); ++i) out += (i ? ", " : "") + ShowBytes(pieces[i]);
    return out + "}";
}

}  // namespace rongfan::testing
