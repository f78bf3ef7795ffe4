#include "text/Text.h"

#include <clocale>
#include <cstdlib>
#include <cstring>
#include <locale.h>

namespace rongfan {
namespace {

constexpr std::size_t npos = std::string_view::npos;

inline bool isHigh(unsigned char c) { return c >= 0x80; }
inline unsigned char lowerAscii(unsigned char c) { return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c + 32) : c; }

// Finds `sought` in `text` at or after `start`, where `start` is a character
// boundary. Matches may begin only where a character begins counting from
// `start`. Returns the 0-based offset or npos.
//
// Candidates come from memmem; each is accepted when the run of high-bit bytes
// just before it (not reaching past the last known boundary) has even length.
// The last known boundary only moves forward, so the look-backs add up to one
// pass over the text.
std::size_t findExact(std::string_view text, std::size_t start, std::string_view sought) {
    const std::size_t n = text.size();
    const std::size_t m = sought.size();
    if (m == 0 || start > n || n - start < m) return npos;
    const char* base = text.data();
    std::size_t known = start;  // a position known to be a character boundary
    std::size_t from = start;
    while (from + m <= n) {
        const void* hit = memmem(base + from, n - from, sought.data(), m);
        if (hit == nullptr) return npos;
        const std::size_t p = static_cast<std::size_t>(static_cast<const char*>(hit) - base);
        std::size_t k = 0;
        while (p - k > known && isHigh(static_cast<unsigned char>(base[p - k - 1]))) ++k;
        if (k % 2 == 0) return p;
        // p is the second byte of a character, so p + 1 begins the next one.
        known = p + 1;
        from = p + 1;
    }
    return npos;
}

std::size_t findFolded(std::string_view text, std::size_t start, std::string_view sought) {
    const std::size_t n = text.size();
    const std::size_t m = sought.size();
    if (m == 0 || start > n) return npos;
    const auto* t = reinterpret_cast<const unsigned char*>(text.data());
    const auto* s = reinterpret_cast<const unsigned char*>(sought.data());
    const unsigned char first = lowerAscii(s[0]);
    std::size_t p = start;
    while (n - p >= m) {
        if (lowerAscii(t[p]) == first) {
            std::size_t i = 1;
            while (i < m && lowerAscii(t[p + i]) == lowerAscii(s[i])) ++i;
            if (i == m) return p;
        }
        if (isHigh(t[p])) {
            if (p + 1 >= n) return npos;
            p += 2;
        } else {
            ++p;
        }
    }
    return npos;
}

inline std::size_t findFrom(std::string_view text, std::size_t start, std::string_view sought, MatchMode mode) {
    return mode == MatchMode::Exact ? findExact(text, start, sought) : findFolded(text, start, sought);
}

// Copies the characters of text[from, to) to `out`; `to` is where the scan stopped.
// A high-bit byte that is the last byte of the text ends the scan and is dropped,
// but only when the scan itself reached it (enough bytes left to compare).
}  // namespace

int FindText(std::string_view text, std::string_view sought) {
    if (sought.empty()) return text.empty() ? -1 : 1;
    const std::size_t p = findExact(text, 0, sought);
    return p == npos ? -1 : static_cast<int>(p + 1);
}

std::string_view TextList::Piece(int index) const {
    if (index < 1 || index > Count()) return {};
    return m_pieces[static_cast<std::size_t>(index - 1)];
}

TextList SplitText(std::string_view text, std::string_view delimiter) {
    std::vector<std::string_view> pieces;
    if (text.empty()) return TextList(std::move(pieces));
    if (delimiter.empty()) {
        pieces.push_back(text);
        return TextList(std::move(pieces));
    }
    std::size_t pieceStart = 0;
    for (;;) {
        const std::size_t p = findExact(text, pieceStart, delimiter);
        if (p == npos) break;
        pieces.push_back(text.substr(pieceStart, p - pieceStart));
        pieceStart = p + delimiter.size();
    }
    if (pieceStart < text.size()) pieces.push_back(text.substr(pieceStart));
    return TextList(std::move(pieces));
}

std::string_view SplitPiece(std::string_view text, std::string_view delimiter, int index) {
    if (text.empty() || index < 1) return {};
    if (delimiter.empty()) return index == 1 ? text : std::string_view{};
    std::size_t pieceStart = 0;
    int current = 1;
    for (;;) {
        const std::size_t p = findExact(text, pieceStart, delimiter);
        if (p == npos) break;
        if (current == index) return text.substr(pieceStart, p - pieceStart);
        ++current;
        pieceStart = p + delimiter.size();
    }
    if (current == index && pieceStart < text.size()) return text.substr(pieceStart);
    return {};
}

Text ReplaceText(std::string_view text, std::string_view sought, std::string_view replacement, MatchMode mode) {
    if (text.empty() || sought.empty()) return Text(text);
    Text out;
    out.reserve(text.size());
    std::size_t pos = 0;
    for (;;) {
        const std::size_t p = findFrom(text, pos, sought, mode);
        if (p == npos) break;
        out.append(text.data() + pos, p - pos);
        out.append(replacement);
        pos = p + sought.size();
    }
    // No further match. The scan would have stepped over the rest character by
    // character while enough bytes remained to compare, and dropped a lone
    // high-bit byte at the very end if it reached it; what is left after that
    // is copied unchanged.
    const std::size_t n = text.size();
    const std::size_t m = sought.size();
    if (n - pos >= m) {
        // Find where the character scan stops: the first character start q with n - q < m,
        // or the last byte when it is a high-bit byte reached while n - q >= m.
        std::size_t q = pos;
        const auto* t = reinterpret_cast<const unsigned char*>(text.data());
        while (n - q >= m) {
            if (isHigh(t[q])) {
                if (q + 1 >= n) {
                    out.append(text.data() + pos, q - pos);
                    return out;  // lone trailing high-bit byte dropped
                }
                q += 2;
            } else {
                ++q;
            }
        }
    }
    out.append(text.data() + pos, n - pos);
    return out;
}

int TextLength(std::string_view text) { return static_cast<int>(text.size()); }

std::string_view TextLeft(std::string_view text, int n) {
    if (n <= 0) return {};
    return text.substr(0, std::min<std::size_t>(static_cast<std::size_t>(n), text.size()));
}

std::string_view TextRight(std::string_view text, int n) {
    if (n <= 0) return {};
    const std::size_t k = std::min<std::size_t>(static_cast<std::size_t>(n), text.size());
    return text.substr(text.size() - k);
}

std::string_view TextMid(std::string_view text, int start, int n) {
    if (start < 1 || n <= 0 || static_cast<std::size_t>(start) > text.size()) return {};
    return text.substr(static_cast<std::size_t>(start - 1), static_cast<std::size_t>(n));
}

double ToNumber(std::string_view text) {
    std::string folded;
    folded.reserve(text.size());
    const auto* t = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t n = text.size();
    for (std::size_t i = 0; i < n;) {
        const unsigned char c = t[i];
        if (isHigh(c) && i + 1 < n) {
            const unsigned char d = t[i + 1];
            if (c == 0xA3 && d >= 0xA1 && d <= 0xFE) {
                folded.push_back(static_cast<char>(d & 0x7F));
            } else if (c == 0xA1 && d == 0xA1) {
                folded.push_back(' ');
            } else if (c == 0xA1 && d == 0xAB) {
                folded.push_back('~');
            } else if (c == 0xA1 && (d == 0xEE || d == 0xEF)) {
                folded.push_back('*');
            } else {
                folded.push_back(static_cast<char>(c));
                folded.push_back(static_cast<char>(d));
            }
            i += 2;
        } else {
            if (c == 0) break;
            folded.push_back(static_cast<char>(c));
            ++i;
        }
    }
    // atof's rules, in the "C" locale whatever the process locale is. Only the
    // decimal form counts: strtod would also read hex, "inf" and "nan".
    std::size_t i = 0;
    const std::size_t len = folded.size();
    auto isSpace = [](char ch) { return ch == ' ' || (ch >= '\t' && ch <= '\r'); };
    while (i < len && isSpace(folded[i])) ++i;
    const std::size_t begin = i;
    if (i < len && (folded[i] == '+' || folded[i] == '-')) ++i;
    std::size_t digits = 0;
    while (i < len && folded[i] >= '0' && folded[i] <= '9') ++i, ++digits;
    if (i < len && folded[i] == '.') {
        ++i;
        while (i < len && folded[i] >= '0' && folded[i] <= '9') ++i, ++digits;
    }
    if (digits == 0) return 0.0;
    if (i < len && (folded[i] == 'e' || folded[i] == 'E')) {
        std::size_t j = i + 1;
        if (j < len && (folded[j] == '+' || folded[j] == '-')) ++j;
        if (j < len && folded[j] >= '0' && folded[j] <= '9') {
            while (j < len && folded[j] >= '0' && folded[j] <= '9') ++j;
            i = j;
        }
    }
    const std::string number = folded.substr(begin, i - begin);
    static const locale_t cLocale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    return strtod_l(number.c_str(), nullptr, cLocale);
}

std::int32_t ToInteger(double value) {
    // Truncation into 64 bits, then the low 32 bits. Values a 64-bit integer
    // cannot hold (and NaN) give what the hardware conversion gives: the
    // "integer indefinite" 0x8000000000000000, whose low half is 0.
    std::int64_t wide;
    if (!(value > -9223372036854775808.0 && value < 9223372036854775808.0)) {
        wide = INT64_MIN;
    } else {
        wide = static_cast<std::int64_t>(value);
    }
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(static_cast<std::uint64_t>(wide) & 0xFFFFFFFFu));
}

Text NumberToText(std::int32_t n) { return std::to_string(n); }

Text BytesToText(std::string_view bytes) {
    const void* zero = std::memchr(bytes.data(), 0, bytes.size());
    if (zero == nullptr) return Text(bytes);
    return Text(bytes.data(), static_cast<std::size_t>(static_cast<const char*>(zero) - bytes.data()));
}

Bytes TextToBytes(std::string_view text) { return Bytes(text); }

Text RemoveSpaces(std::string_view text) {
    Text out;
    out.reserve(text.size());
    const auto* t = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t n = text.size();
    for (std::size_t i = 0; i < n;) {
        const unsigned char c = t[i];
        if (isHigh(c)) {
            if (i + 1 >= n) break;
            if (!(c == 0xA1 && t[i + 1] == 0xA1)) {
                out.push_back(static_cast<char>(c));
                out.push_back(static_cast<char>(t[i + 1]));
            }
            i += 2;
        } else {
            if (c != ' ') out.push_back(static_cast<char>(c));
            ++i;
        }
    }
    return out;
}

}  // namespace rongfan
