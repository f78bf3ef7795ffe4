// ReplaceText in both modes: no rescan, no overlap, the character-boundary
// rule, letter-only case folding and the lone last high-bit byte.
#include <gtest/gtest.h>
#include <string>
#include <utility>

#include "ShowBytes.h"
#include "text/Text.h"

namespace rongfan {
namespace {

using testing::ShowBytes;

struct ReplaceCase {
    std::string text;
    std::string sought;
    std::string replacement;
    MatchMode mode;
    std::string expected;
};

constexpr MatchMode Exact = MatchMode::Exact;
constexpr MatchMode Folded = MatchMode::AsciiCaseInsensitive;

TEST(ReplaceText, Cases) {
    const ReplaceCase cases[] = {
        {"aaaa", "aa", "a", Exact, "aa"},
        {"aaa", "aa", "b", Exact, "ba"},  // matches never overlap
        {"x", "x", "xx", Exact, "xx"},    // the replacement is not rescanned
        {"aaa", "a", "aa", Exact, "aaaaaa"},
        {"a&b&c", "&", "", Exact, "abc"},
        {"", "a", "b", Exact, ""},
        {"abc", "", "z", Exact, "abc"},
        {"abc", "abcd", "z", Exact, "abc"},
        {"PAGENO=1&x", "pageNo=1", "pageNo=3", Folded, "pageNo=3&x"},
        {"PAGENO=1&x", "pageNo=1", "pageNo=3", Exact, "PAGENO=1&x"},
        {"ABCabc", "bC", "-", Folded, "A-a-"},
        {"ABCabc", "bC", "-", Exact, "ABCabc"},
        // Only A to Z fold: bytes that differ by 0x20 elsewhere stay different.
        {"[@^", "{`~", "!", Folded, "[@^"},
        {"x\xC1\xC1", "\xE1\xE1", "!", Folded, "x\xC1\xC1"},
        // ...while letters fold wherever they stand, second bytes included.
        {"\xB0" "A", "\xB0" "a", "!", Folded, "!"},
        // A match begins only where a character begins, in both modes.
        {"\xB0" "Ab", "ab", "X", Folded, "\xB0" "Ab"},
        {"\xB0" "Ab", "Ab", "X", Exact, "\xB0" "Ab"},
        {"\xD6\xD0\xCE\xC4", "\xD0\xCE", "X", Exact, "\xD6\xD0\xCE\xC4"},
        {"\xB0,a,b", ",", ";", Exact, "\xB0,a;b"},
        // After a match the scan counts characters afresh from the byte after it.
        {"\xB0\xB0", "\xB0", "R", Exact, "RR"},
        {"\xB0\xB0\xB0,", "\xB0", "", Exact, ","},
        // A lone high-bit byte that the scan reaches at the end is dropped...
        {"ab\xB0", "b", "X", Exact, "aX"},
        {"ab\xB0", "q", "X", Exact, "ab"},
        {"\xB0\xB0\xB0", "q", "X", Exact, "\xB0\xB0"},
        {"ab\xB0", "Q", "X", Folded, "ab"},
        // ...unless it is the sought byte...
        {"ab\xB0", "\xB0", "X", Exact, "abX"},
        // ...and the rest shorter than the sought text is copied unchanged.
        {"ab\xB0", "ab", "X", Exact, "X\xB0"},
        {"abc\xB0", "zz", "X", Exact, "abc\xB0"},
        {"abc\xB0", "ZZ", "X", Folded, "abc\xB0"},
        // The second byte of the last character is not a lone byte.
        {"a\xB0\xB0", "q", "X", Exact, "a\xB0\xB0"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(ShowBytes(c.text) + " " + ShowBytes(c.sought) + " -> " + ShowBytes(c.replacement) +
                     (c.mode == Exact ? " exact" : " folded"));
        const Text out = ReplaceText(c.text, c.sought, c.replacement, c.mode);
        EXPECT_EQ(out, c.expected) << ShowBytes(out);
    }
}

TEST(ReplaceText, ExactIsTheDefaultMode) {
    EXPECT_EQ(ReplaceText("Ab", "a", "x"), "Ab");
    EXPECT_EQ(ReplaceText("ab", "a", "x"), "xb");
}

TEST(ReplaceText, LongTextsWithManyCandidates) {
    // Long enough that block-wise candidate search runs with a tail; each
    // letter-case mix and each boundary parity appears at many offsets.
    std::string text;
    std::string expected;
    for (int i = 0; i < 200; ++i) {
        const std::string pad(static_cast<std::size_t>(i % 7), 'x');
        text += pad + ((i % 3 == 0) ? "\xB0" "Key" : (i % 3 == 1) ? "KEY" : "kEy");
        expected += pad + ((i % 3 == 0) ? "\xB0" "Key" : "#");
    }
    EXPECT_EQ(ReplaceText(text, "key", "#", Folded), expected);
}

TEST(ReplaceText, OnlyLettersFoldInLongTexts) {
    // Pairs of bytes that differ only in bit 0x20 without being letters, in
    // texts long enough for the block-wise search, at the first, a middle and
    // the last place of the sought text, each way round.
    const std::pair<char, char> pairs[] = {{'[', '{'}, {'@', '`'}, {'\x0C', ','}, {'\xC1', '\xE1'}, {'^', '~'}};
    for (const auto& [low, high] : pairs) {
        for (const auto& [one, other] : {std::pair{low, high}, std::pair{high, low}}) {
            for (const std::string& shape : {std::string("#key"), std::string("k#ey"), std::string("key#")}) {
                std::string sought = shape;
                std::string written = shape;
                sought[shape.find('#')] = one;
                written[shape.find('#')] = other;
                std::string text;
                for (int i = 0; i < 40; ++i) text += "KEY" + written + "xx";
                SCOPED_TRACE(ShowBytes(sought));
                EXPECT_EQ(ReplaceText(text, sought, "!", Folded), text);
                EXPECT_EQ(FindText(text, sought), -1);
            }
        }
    }
}

}  // namespace
}  // namespace rongfan
