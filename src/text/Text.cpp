#include "text/Text.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <locale.h>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace rongfan {
namespace {

constexpr std::size_t npos = std::string_view::npos;

inline bool isHigh(unsigned char c) { return c >= 0x80; }
inline unsigned char lowerAscii(unsigned char c) { return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c + 32) : c; }
inline bool isLetter(unsigned char c) { return (c | 0x20) >= 'a' && (c | 0x20) <= 'z'; }

// True when `p` begins a character of a scan that started at `known`: the run of
// high-bit bytes just before `p` (not reaching back past `known`) has even length.
inline bool atBoundary(const unsigned char* t, std::size_t known, std::size_t p) {
    std::size_t k = 0;
    while (p - k > known && isHigh(t[p - k - 1])) ++k;
    return k % 2 == 0;
}

inline bool equalFolded(const unsigned char* a, const unsigned char* lowered, std::size_t m) {
    for (std::size_t i = 0; i < m; ++i) {
        if (lowerAscii(a[i]) != lowered[i]) return false;
    }
    return true;
}

// Finds `sought` in `text` at or after `start`, where `start` is a character
// boundary. Matches may begin only where a character begins counting from
// `start`. Returns the 0-based offset or npos.
//
// Candidates come from memmem; each is accepted when the run of high-bit bytes
// just before it (not reaching past the last known boundary) has even length.
// The last known boundary only moves forward, so the look-backs add up to one
// pass over the text.
//
// memmem is handed at most a window of the text at a time. Its cost is the
// distance to the next hit either way, but a checking build (the address
// sanitizer) validates the whole range it is given on every call, and a page
// of many megabytes full of a one-byte sought text then takes hours.
std::size_t findExact(std::string_view text, std::size_t start, std::string_view sought) {
    constexpr std::size_t Window = 64 * 1024;
    const std::size_t n = text.size();
    const std::size_t m = sought.size();
    if (m == 0 || start > n || n - start < m) return npos;
    const char* base = text.data();
    std::size_t known = start;  // a position known to be a character boundary
    std::size_t from = start;
    while (from + m <= n) {
        // Matches beginning in [from, from + Window) lie wholly in this range.
        const std::size_t length = std::min(n - from, Window + m - 1);
        const void* hit = memmem(base + from, length, sought.data(), m);
        if (hit == nullptr) {
            if (length == n - from) return npos;
            from += Window;
            continue;
        }
        const std::size_t p = static_cast<std::size_t>(static_cast<const char*>(hit) - base);
        if (atBoundary(reinterpret_cast<const unsigned char*>(base), known, p)) return p;
        // p is the second byte of a character, so p + 1 begins the next one.
        known = p + 1;
        from = p + 1;
    }
    return npos;
}

// The ASCII-case-insensitive search runs over whole pages, so it must not step
// byte by byte. Candidates are positions whose first and last bytes fit the
// sought text, found sixteen at a time; for a letter, OR-ing 0x20 maps exactly
// its two cases onto the lower one, so the filter lets no other byte through.
// Each candidate is then compared in full and kept when it begins a character,
// as in the exact search. Built once per replace, used for every match.
class FoldedFinder {
public:
    explicit FoldedFinder(std::string_view sought) : m_sought(sought), m_lowered(sought) {
        for (char& c : m_lowered) {
            const auto u = static_cast<unsigned char>(c);
            m_anyLetter = m_anyLetter || isLetter(u);
            c = static_cast<char>(lowerAscii(u));
        }
    }

    // Like findExact: the first match at or after `start`, a character boundary.
    std::size_t find(std::string_view text, std::size_t start) const {
        const std::size_t n = text.size();
        const std::size_t m = m_lowered.size();
        if (m == 0 || start > n || n - start < m) return npos;
        if (!m_anyLetter) return findExact(text, start, m_sought);

        const auto* t = reinterpret_cast<const unsigned char*>(text.data());
        const auto* s = reinterpret_cast<const unsigned char*>(m_lowered.data());
        const unsigned char first = s[0];
        const unsigned char last = s[m - 1];
        std::size_t known = start;
        // A candidate's first and last bytes fit; the middle ones and the boundary decide.
        auto accept = [&](std::size_t p) {
            if (m > 2 && !equalFolded(t + p + 1, s + 1, m - 2)) return false;
            if (atBoundary(t, known, p)) return true;
            known = p + 1;  // p is a second byte, so the next character begins after it
            return false;
        };
        std::size_t p = start;
#if defined(__SSE2__)
        const __m128i firstValue = _mm_set1_epi8(static_cast<char>(first));
        const __m128i firstFold = _mm_set1_epi8(static_cast<char>(isLetter(first) ? 0x20 : 0));
        const __m128i lastValue = _mm_set1_epi8(static_cast<char>(last));
        const __m128i lastFold = _mm_set1_epi8(static_cast<char>(isLetter(last) ? 0x20 : 0));
        while (n - p >= m + 15) {
            const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(t + p));
            const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(t + p + m - 1));
            const __m128i hits = _mm_and_si128(_mm_cmpeq_epi8(_mm_or_si128(a, firstFold), firstValue),
                                               _mm_cmpeq_epi8(_mm_or_si128(b, lastFold), lastValue));
            auto bits = static_cast<unsigned>(_mm_movemask_epi8(hits));
            while (bits != 0) {
                const std::size_t candidate = p + static_cast<std::size_t>(__builtin_ctz(bits));
                if (accept(candidate)) return candidate;
                bits &= bits - 1;
            }
            p += 16;
        }
#endif
        for (; n - p >= m; ++p) {
            if (lowerAscii(t[p]) == first && lowerAscii(t[p + m - 1]) == last && accept(p)) return p;
        }
        return npos;
    }

private:
    std::string_view m_sought;
    std::string m_lowered;
    bool m_anyLetter = false;
};

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
    const FoldedFinder folded(mode == MatchMode::AsciiCaseInsensitive ? sought : std::string_view());
    auto findFrom = [&](std::size_t start) {
        return mode == MatchMode::Exact ? findExact(text, start, sought) : folded.find(text, start);
    };
    Text out;
    out.reserve(text.size());
    std::size_t pos = 0;
    for (;;) {
        const std::size_t p = findFrom(pos);
        if (p == npos) break;
        out.append(text.data() + pos, p - pos);
        out.append(replacement);
        pos = p + sought.size();
    }
    // No further match: the rest is copied unchanged, except that the scan ends
    // at a high-bit byte that is the last byte of the text and drops it. The
    // scan only reaches the last byte while at least as many bytes remain as
    // the sought text has, that is with a one-byte sought text, and only when
    // that byte begins a character.
    const std::size_t n = text.size();
    const auto* t = reinterpret_cast<const unsigned char*>(text.data());
    if (sought.size() == 1 && pos < n && isHigh(t[n - 1]) && atBoundary(t, pos, n - 1)) {
        out.append(text.data() + pos, n - 1 - pos);
        return out;
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
    // Full-width forms fold to ASCII character by character. Folding stops at
    // the first byte that cannot belong to a decimal number, so a number at the
    // start of a whole page costs no copy of the page, and strtod never sees
    // the hex, "inf" and "nan" forms that atof's decimal reading excludes.
    auto inNumber = [](char c) {
        return (c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.' || c == 'e' || c == 'E' || c == ' ' ||
               (c >= '\t' && c <= '\r');
    };
    std::string folded;
    const auto* t = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t n = text.size();
    for (std::size_t i = 0; i < n;) {
        const unsigned char c = t[i];
        char ascii = static_cast<char>(c);
        if (isHigh(c)) {
            if (i + 1 >= n) break;
            const unsigned char d = t[i + 1];
            if (c == 0xA3 && d >= 0xA1 && d <= 0xFE) ascii = static_cast<char>(d & 0x7F);
            else if (c == 0xA1 && d == 0xA1) ascii = ' ';
            else break;  // the other folds ("~", "*") and every other character end a number
            i += 2;
        } else {
            ++i;
        }
        if (!inNumber(ascii)) break;
        folded.push_back(ascii);
    }
    // atof's rules, in the "C" locale whatever the locale of the process or thread.
    static const locale_t cLocale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    return strtod_l(folded.c_str(), nullptr, cLocale);
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
