// Byte cuts, the bytes/text conversions and RemoveSpaces.
#include <climits>
#include <gtest/gtest.h>
#include <string>

#include "ShowBytes.h"
#include "text/Text.h"

namespace rongfan {
namespace {

using testing::ShowBytes;

enum class Cut { Left, Right, Mid };

struct CutCase {
    Cut cut;
    std::string text;
    int start;  // Mid only
    int n;
    std::string expected;
};

TEST(TextCuts, CountBytesAndClampToTheText) {
    const CutCase cases[] = {
        {Cut::Left, "abc", 0, 2, "ab"},
        {Cut::Left, "abc", 0, 5, "abc"},
        {Cut::Left, "abc", 0, 0, ""},
        {Cut::Left, "abc", 0, -1, ""},
        {Cut::Left, "abc", 0, INT_MIN, ""},
        {Cut::Left, "", 0, 3, ""},
        {Cut::Left, "\xD6\xD0\xCE\xC4", 0, 3, "\xD6\xD0\xCE"},  // may split a character
        {Cut::Right, "abc", 0, 5, "abc"},
        {Cut::Right, "abc", 0, 2, "bc"},
        {Cut::Right, "abc", 0, 0, ""},
        {Cut::Right, "abc", 0, -4, ""},
        {Cut::Right, "abc", 0, INT_MAX, "abc"},
        {Cut::Right, "\xD6\xD0\xCE\xC4", 0, 1, "\xC4"},
        {Cut::Mid, "abcdef", 5, 10, "ef"},
        {Cut::Mid, "abcdef", 0, 2, ""},
        {Cut::Mid, "abcdef", -3, 2, ""},
        {Cut::Mid, "abcdef", 1, 2, "ab"},
        {Cut::Mid, "abcdef", 6, 1, "f"},
        {Cut::Mid, "abcdef", 7, 1, ""},
        {Cut::Mid, "abcdef", INT_MAX, 1, ""},
        {Cut::Mid, "abcdef", 2, 0, "" },
        {Cut::Mid, "abcdef", 2, -1, ""},
        {Cut::Mid, "abcdef", 3, INT_MAX, "cdef"},
        {Cut::Mid, "", 1, 1, ""},
        {Cut::Mid, "\xD6\xD0\xCE\xC4", 2, 2, "\xD0\xCE"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(ShowBytes(c.text) + " start " + std::to_string(c.start) + " n " + std::to_string(c.n));
        std::string_view out;
        switch (c.cut) {
        case Cut::Left: out = TextLeft(c.text, c.n); break;
        case Cut::Right: out = TextRight(c.text, c.n); break;
        case Cut::Mid: out = TextMid(c.text, c.start, c.n); break;
        }
        EXPECT_EQ(out, c.expected);
    }
}

TEST(TextLength, CountsBytes) {
    EXPECT_EQ(TextLength(""), 0);
    EXPECT_EQ(TextLength("abc"), 3);
    EXPECT_EQ(TextLength("\xD6\xD0\xCE\xC4" "a"), 5);
}

TEST(BytesToText, CutsAtTheFirstZeroByte) {
    const struct {
        std::string bytes;
        std::string expected;
    } cases[] = {
        {std::string("A\0B", 3), "A"},
        {std::string("\0AB", 3), ""},
        {std::string("AB\0\0", 4), "AB"},
        {"", ""},
        {"\xD6\xD0\xCE\xC4", "\xD6\xD0\xCE\xC4"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(ShowBytes(c.bytes));
        EXPECT_EQ(BytesToText(c.bytes), c.expected);
    }
}

TEST(TextToBytes, KeepsEveryByte) {
    const std::string text = "a\xD6\xD0\r\n";
    const Bytes bytes = TextToBytes(text);
    EXPECT_EQ(bytes, text);
    EXPECT_EQ(bytes.size(), text.size());
}

TEST(RemoveSpaces, DropsAsciiAndFullWidthSpacesOnly) {
    const struct {
        std::string text;
        std::string expected;
    } cases[] = {
        {"a b\t\xA1\xA1" "c", "ab\tc"},
        {" \xA1\xA1 ", ""},
        {"\r\n", "\r\n"},
        {"", ""},
        // A space byte inside a two-byte character is not a space.
        {"\xB0 x", "\xB0 x"},
        // 0xA1 0xA1 counts only as a whole character.
        {"\xB0\xA1\xA1", "\xB0\xA1"},
        {"\xA1\xA1\xA1", ""},
        {"x\xA1\xA1\xA1\xA1y", "xy"},
        // A lone high-bit byte at the end is dropped.
        {"a\xB0", "a"},
        {"a \xB0", "a"},
        {"\xD6\xD0 \xCE\xC4", "\xD6\xD0\xCE\xC4"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(ShowBytes(c.text));
        const Text out = RemoveSpaces(c.text);
        EXPECT_EQ(out, c.expected) << ShowBytes(out);
    }
}

}  // namespace
}  // namespace rongfan
