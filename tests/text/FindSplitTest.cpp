// FindText and SplitText: the character-boundary rule, the empty cases and
// the piece accessor.
#include <climits>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "ShowBytes.h"
#include "text/Text.h"

namespace rongfan {
namespace {

using testing::ShowBytes;
using testing::ShowList;

std::vector<std::string> piecesOf(const TextList& list) {
    std::vector<std::string> out;
    for (int i = 1; i <= list.Count(); ++i) out.emplace_back(list.Piece(i));
    return out;
}

struct FindCase {
    std::string text;
    std::string sought;
    int expected;
};

TEST(FindText, PositionsUnderTheCharacterBoundaryRule) {
    const FindCase cases[] = {
        {"abc", "b", 2},
        {"abc", "x", -1},
        {"abc", "", 1},
        {"", "a", -1},
        {"", "", -1},
        {"abc", "abc", 1},
        {"abc", "abcd", -1},
        {"ABC", "b", -1},  // case-sensitive
        {"abcabc", "ca", 3},
        // 0xD6 0xD0 0xCE 0xC4 are two characters: the middle bytes are no character.
        {"\xD6\xD0\xCE\xC4", "\xD0\xCE", -1},
        {"\xD6\xD0\xCE\xC4", "\xCE\xC4", 3},
        // An ASCII byte that is the second byte of a character never matches...
        {"\xB0\x41", "A", -1},
        // ...but the same byte standing alone after it does.
        {"\xB0\x41\x41", "A", 3},
        // The parity of the run of high-bit bytes decides where characters begin.
        {"\xB0\xB0x", "\xB0x", -1},
        {"\xB0\xB0\xB0x", "\xB0x", 3},
        {"a\xB0\xB0\xB0x", "\xB0x", 4},
        {"\xB0\xB0\xB0\xB0", "\xB0\xB0", 1},
        {"x\xB0\xB0\xB0\xB0\xB0", "\xB0\xB0", 2},
        // A one-byte sought text still matches a high-bit byte that ends the text.
        {"a\xB0", "\xB0", 2},
        {"\xB0\xB0\xB0", "\xB0", 1},
        // A later occurrence at a boundary is found after rejected ones.
        {"\xB0,\xB0,,", ",", 5},
        {"\xC1\xC1\xC1\xC1\xC1\xC1\xC1", "\xC1\xC1\xC1", 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(ShowBytes(c.text) + " sought " + ShowBytes(c.sought));
        EXPECT_EQ(FindText(c.text, c.sought), c.expected);
        EXPECT_EQ(ContainsText(c.text, c.sought), c.expected != -1);
    }
}

struct SplitCase {
    std::string text;
    std::string delimiter;
    std::vector<std::string> expected;
};

TEST(SplitText, PiecesAndTheMissingEmptyLastPiece) {
    const SplitCase cases[] = {
        {"a,b,", ",", {"a", "b"}},
        {"a,,b", ",", {"a", "", "b"}},
        {",a", ",", {"", "a"}},
        {",", ",", {""}},
        {",,", ",", {"", ""}},
        {"abc", ",", {"abc"}},
        {"", ",", {}},
        {"abc", "", {"abc"}},
        {"", "", {}},
        {"a<br>b<br><br>c", "<br>", {"a", "b", "", "c"}},
        {"ab", "abc", {"ab"}},
        // A delimiter byte inside a two-byte character does not split.
        {"\xB0,a,b", ",", {"\xB0,a", "b"}},
        {"\xD6\xD0\xCE\xC4", "\xD0\xCE", {"\xD6\xD0\xCE\xC4"}},
        // After a match the scan counts characters afresh from the byte after it.
        {"\xB0\xB0\xB0,", "\xB0", {"", "", "", ","}},
        {"A\xB0\xB0", "\xB0", {"A", ""}},
        // The rest after the last match is kept whole, a lone last high-bit byte included.
        {"a,\xB0", ",", {"a", "\xB0"}},
        {"\xB0", ",", {"\xB0"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(ShowBytes(c.text) + " by " + ShowBytes(c.delimiter));
        const TextList list = SplitText(c.text, c.delimiter);
        EXPECT_EQ(list.Count(), static_cast<int>(c.expected.size()));
        EXPECT_EQ(piecesOf(list), c.expected) << ShowList(piecesOf(list));
    }
}

TEST(SplitText, PieceOutsideTheListIsEmpty) {
    const std::string text = "x,y";
    const TextList list = SplitText(text, ",");
    ASSERT_EQ(list.Count(), 2);
    for (const int index : {INT_MIN, -1, 0, 3, 4, INT_MAX}) {
        SCOPED_TRACE(index);
        EXPECT_TRUE(list.Piece(index).empty());
        EXPECT_TRUE(SplitPiece(text, ",", index).empty());
    }
    const TextList none = SplitText("", ",");
    EXPECT_EQ(none.Count(), 0);
    EXPECT_TRUE(none.Piece(1).empty());
    EXPECT_TRUE(TextList().Piece(1).empty());
}

TEST(SplitText, PiecesPointIntoTheSplitText) {
    // Callers keep the pieces as views; they must lie inside the text.
    const std::string text = "one<>two<>three";
    const TextList list = SplitText(text, "<>");
    ASSERT_EQ(list.Count(), 3);
    for (const auto piece : list.Pieces()) {
        EXPECT_GE(piece.data(), text.data());
        EXPECT_LE(piece.data() + piece.size(), text.data() + text.size());
    }
    EXPECT_EQ(list.Piece(3), "three");
}

}  // namespace
}  // namespace rongfan
