#pragma once
// A deliberately plain model of the text primitives: the character-boundary
// scan stepped one character at a time, with no shortcuts. The tests and the
// fuzz target compare the fast primitives against it.
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace rongfan::reference {

inline bool isHigh(unsigned char c) { return c >= 0x80; }

inline unsigned char foldLetter(unsigned char c) { return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c + 32) : c; }

inline bool matchesAt(std::string_view text, std::size_t q, std::string_view sought, bool ignoreCase) {
    for (std::size_t i = 0; i < sought.size(); ++i) {
        auto a = static_cast<unsigned char>(text[q + i]);
        auto b = static_cast<unsigned char>(sought[i]);
        if (ignoreCase) {
            a = foldLetter(a);
            b = foldLetter(b);
        }
        if (a != b) return false;
    }
    return true;
}

// One step of the scan from character start q: the next character start, or
// npos when q holds a high-bit byte that is the last byte of the text.
inline std::size_t nextCharacter(std::string_view text, std::size_t q) {
    if (isHigh(static_cast<unsigned char>(text[q]))) {
        if (q + 1 == text.size()) return std::string_view::npos;
        return q + 2;
    }
    return q + 1;
}

inline int FindText(std::string_view text, std::string_view sought) {
    if (sought.empty()) return text.empty() ? -1 : 1;
    std::size_t q = 0;
    while (text.size() - q >= sought.size()) {
        if (matchesAt(text, q, sought, false)) return static_cast<int>(q + 1);
        q = nextCharacter(text, q);
        if (q == std::string_view::npos) break;
    }
    return -1;
}

inline std::vector<std::string> SplitText(std::string_view text, std::string_view delimiter) {
    std::vector<std::string> pieces;
    if (text.empty()) return pieces;
    if (delimiter.empty()) {
        pieces.emplace_back(text);
        return pieces;
    }
    std::size_t pieceStart = 0;
    std::size_t q = 0;
    while (text.size() - q >= delimiter.size()) {
        if (matchesAt(text, q, delimiter, false)) {
            pieces.emplace_back(text.substr(pieceStart, q - pieceStart));
            q += delimiter.size();
            pieceStart = q;
            continue;
        }
        q = nextCharacter(text, q);
        if (q == std::string_view::npos) break;
    }
    if (pieceStart < text.size()) pieces.emplace_back(text.substr(pieceStart));
    return pieces;
}

inline std::string ReplaceText(std::string_view text, std::string_view sought, std::string_view replacement,
                               bool ignoreCase) {
    if (text.empty() || sought.empty()) return std::string(text);
    std::string out;
    std::size_t q = 0;
    while (text.size() - q >= sought.size()) {
        if (matchesAt(text, q, sought, ignoreCase)) {
            out.append(replacement);
            q += sought.size();
            continue;
        }
        const std::size_t next = nextCharacter(text, q);
        if (next == std::string_view::npos) return out;  // the lone last byte is dropped
        out.append(text.substr(q, next - q));
        q = next;
    }
    out.append(text.substr(q));
    return out;
}

inline std::string RemoveSpaces(std::string_view text) {
    std::string out;
    std::size_t q = 0;
    while (q < text.size()) {
        const std::size_t next = nextCharacter(text, q);
        if (next == std::string_view::npos) break;
        const std::string_view character = text.substr(q, next - q);
        if (character != " " && character != "\xA1\xA1") out.append(character);
        q = next;
    }
    return out;
}

// Full-width folding character by character, then the longest prefix made only
// of bytes that can belong to a decimal number, read by strtod. Cutting at the
// first other byte keeps strtod away from hex, "inf" and "nan", which are no
// decimal numbers. The caller runs this in the "C" locale.
inline double ToNumber(std::string_view text) {
    std::string folded;
    std::size_t q = 0;
    while (q < text.size()) {
        const auto c = static_cast<unsigned char>(text[q]);
        if (isHigh(c) && q + 1 < text.size()) {
            const auto d = static_cast<unsigned char>(text[q + 1]);
            if (c == 0xA3 && d >= 0xA1 && d <= 0xFE) folded += static_cast<char>(d & 0x7F);
            else if (c == 0xA1 && d == 0xA1) folded += ' ';
            else if (c == 0xA1 && d == 0xAB) folded += '~';
            else if (c == 0xA1 && (d == 0xEE || d == 0xEF)) folded += '*';
            else folded.append(text.substr(q, 2));
            q += 2;
        } else {
            folded += static_cast<char>(c);
            ++q;
        }
    }
    const std::size_t end = folded.find_first_not_of(std::string_view(" \t\n\v\f\r0123456789+-.eE"));
    if (end != std::string::npos) folded.resize(end);
    return std::strtod(folded.c_str(), nullptr);
}

}  // namespace rongfan::reference
