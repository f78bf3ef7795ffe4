#include "Markup.h"

#include "text/Gbk.h"

#include <cstdint>

namespace rongfan::marketsim {

std::string EscapeForScriptString(std::string_view gbk) {
    std::string out;
    out.reserve(gbk.size() + gbk.size() / 8);
    for (std::size_t i = 0; i < gbk.size(); ++i) {
        const auto c = static_cast<unsigned char>(gbk[i]);
        if (c >= 0x80 && i + 1 < gbk.size()) {
            out += gbk[i];
            out += gbk[++i];
        } else if (c == '"') {
            out += "\\\"";
        } else if (c == '\\') {
            out += "\\\\";
        } else if (c == '\n') {
            out += "\\n";
        } else if (c != '\r') {
            out += static_cast<char>(c);
        }
    }
    return out;
}

std::string EscapeHtml(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c >= 0x80 && i + 1 < text.size()) {
            out += text[i];
            out += text[++i];
        } else if (c == '&') {
            out += "&amp;";
        } else if (c == '<') {
            out += "&lt;";
        } else if (c == '>') {
            out += "&gt;";
        } else if (c == '"') {
            out += "&quot;";
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

std::string PercentEncode(std::string_view bytes) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : bytes) {
        if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '_' ||
            c == '.' || c == '~') {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 15];
        }
    }
    return out;
}

std::string PercentDecode(std::string_view text, bool plusIsSpace) {
    auto hex = [](char c) -> int {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        return -1;
    };
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() && hex(text[i + 1]) >= 0 && hex(text[i + 2]) >= 0) {
            out += static_cast<char>(hex(text[i + 1]) * 16 + hex(text[i + 2]));
            i += 2;
        } else if (plusIsSpace && text[i] == '+') {
            out += ' ';
        } else {
            out += text[i];
        }
    }
    return out;
}

std::string UnicodeEscapes(std::string_view gbk) {
    const std::string utf8 = GbkToUtf8(gbk);
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (std::size_t i = 0; i < utf8.size();) {
        const auto c = static_cast<unsigned char>(utf8[i]);
        std::uint32_t cp = c;
        int len = 1;
        if (c >= 0xF0)
            cp = c & 0x07, len = 4;
        else if (c >= 0xE0)
            cp = c & 0x0F, len = 3;
        else if (c >= 0xC0)
            cp = c & 0x1F, len = 2;
        for (int k = 1; k < len && i + k < utf8.size(); ++k)
            cp = (cp << 6) | (utf8[i + k] & 0x3F);
        i += len;
        if (cp < 0x80) {
            out += static_cast<char>(cp);
        } else if (cp <= 0xFFFF) {
            out += "\\u";
            for (int shift = 12; shift >= 0; shift -= 4)
                out += kHex[(cp >> shift) & 15];
        } else {
            out += '?';
        }
    }
    return out;
}

QueryList ParseQuery(std::string_view query, bool plusIsSpace) {
    QueryList out;
    while (!query.empty()) {
        const auto amp = query.find('&');
        const std::string_view part = query.substr(0, amp);
        query = amp == std::string_view::npos ? std::string_view() : query.substr(amp + 1);
        if (part.empty()) continue;
        const auto eq = part.find('=');
        if (eq == std::string_view::npos)
            out.emplace_back(PercentDecode(part, plusIsSpace), std::string());
        else
            out.emplace_back(PercentDecode(part.substr(0, eq), plusIsSpace),
                             PercentDecode(part.substr(eq + 1), plusIsSpace));
    }
    return out;
}

std::string QueryValue(const QueryList &query, std::string_view key) {
    for (const auto &[k, v] : query)
        if (k == key) return v;
    return {};
}

bool HasQueryKey(const QueryList &query, std::string_view key) {
    for (const auto &[k, v] : query)
        if (k == key) return true;
    return false;
}

} // namespace rongfan::marketsim
