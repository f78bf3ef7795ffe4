#include "harvest/CutText.h"

#include <gtest/gtest.h>

#include <ostream>
#include <random>
#include <string>

#include "text/Text.h"

namespace rongfan {
namespace {

// The cut as two splits: the second piece at the start marker, then the first
// piece of that at the end marker.
std::string splitTwice(std::string_view text, std::string_view start, std::string_view end) {
    return std::string(SplitPiece(SplitPiece(text, start, 2), end, 1));
}

struct CutCase {
    const char* name;
    std::string text;
    std::string start;
    std::string end;
    std::optional<std::string> expected;  // nothing: the start marker is not in the text
};

// Test names and failure messages show the case by its name.
void PrintTo(const CutCase& c, std::ostream* os) {
    *os << c.name;
}

const CutCase cutCases[] = {
    {"between markers", "x<a>val<b>y", "<a>", "<b>", "val"},
    {"no end marker takes the rest", "x<a>val", "<a>", "<b>", "val"},
    {"second start closes the piece", "<a>one<a>two<b>", "<a>", "<b>", "one"},
    {"end before the second start", "<a>one<b><a>two<b>", "<a>", "<b>", "one"},
    {"start marker at the very end", "text<a>", "<a>", "<b>", ""},
    {"start marker twice in a row", "<a><a>v<b>", "<a>", "<b>", ""},
    {"end marker right after start", "<a><b>v", "<a>", "<b>", ""},
    {"start marker missing", "nothing here", "<a>", "<b>", std::nullopt},
    {"empty text", "", "<a>", "<b>", std::nullopt},
    {"end overlapping a later start", "<a>xy<ab>", "<a>", "<ab>", "xy"},
    {"end is the start marker", "k:1:2", ":", ":", "1"},
    // The end marker would be complete only past the next start marker: the piece has none.
    {"end straddles the next start", "S.v.SEND", "S", "SE", ".v."},
    // The next start marker begins inside the end marker: the piece ends before the end marker is whole.
    {"next start inside the end marker", "aba,ba,", "a,", "ba", "b"},
    // In GBK the bytes B0 41 are one character: the 'A' inside it is no end marker.
    {"no match inside a two-byte character",
     "<a>1\xB0"
     "A2A3",
     "<a>", "A",
     "1\xB0"
     "A2"},
    {"no start inside a two-byte character", "\xB0<a>x<a>y", "<a>", ",", "y"},
    {"empty end marker keeps the piece", "<a>v<a>w", "<a>", "", "v"},
};

class CutTextTable : public ::testing::TestWithParam<CutCase> {};

TEST_P(CutTextTable, GivesTheSecondPieceUpToTheEndMarker) {
    const CutCase& c = GetParam();
    const auto found = CutIfFound(c.text, c.start, c.end);
    EXPECT_EQ(found.has_value(), c.expected.has_value());
    if (found && c.expected) {
        EXPECT_EQ(std::string(*found), *c.expected);
    }
    EXPECT_EQ(std::string(CutText(c.text, c.start, c.end)), c.expected.value_or(""));
    EXPECT_EQ(std::string(CutText(c.text, c.start, c.end)), splitTwice(c.text, c.start, c.end));
}

INSTANTIATE_TEST_SUITE_P(Cases, CutTextTable, ::testing::ValuesIn(cutCases), [](const auto& info) {
    std::string name = info.param.name;
    for (char& ch : name)
        if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
    return name;
});

// Texts over a small alphabet with two-byte characters, against the two splits.
TEST(CutText, AgreesWithTwoSplitsOnMixedTexts) {
    const std::string alphabet[] = {"a",
                                    "b",
                                    ",",
                                    ":",
                                    "\xB0"
                                    "a",
                                    "\xD6\xD0",
                                    "\xB0",
                                    "ab",
                                    "a,"};
    const std::string markers[] = {"a",
                                   "b",
                                   ",",
                                   "ab",
                                   "a,",
                                   "\xD6\xD0",
                                   "a:",
                                   "ba",
                                   "\xB0"
                                   "a"};
    std::mt19937 random(7);
    for (int round = 0; round < 20000; ++round) {
        std::string text;
        const int length = static_cast<int>(random() % 12);
        for (int i = 0; i < length; ++i)
            text += alphabet[random() % std::size(alphabet)];
        const std::string& start = markers[random() % std::size(markers)];
        const std::string& end = markers[random() % std::size(markers)];
        ASSERT_EQ(std::string(CutText(text, start, end)), splitTwice(text, start, end))
            << "text [" << text << "] start [" << start << "] end [" << end << "]";
        ASSERT_EQ(CutIfFound(text, start, end).has_value(), ContainsText(text, start));
    }
}

}  // namespace
}  // namespace rongfan
