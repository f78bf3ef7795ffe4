#include "walkers/ItemIdBuffer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace rongfan {
namespace {

TEST(ItemIdBuffer, SkipsOnlyIdenticalAndEmptyLines) {
    const struct {
        const char* name;
        std::vector<std::string> appends;
        std::string text;
    } cases[] = {
        {"id_inside_a_longer_id", {"12345", "1234", "2345"}, "12345\r\n1234\r\n2345\r\n"},
        {"longer_id_after_shorter", {"1234", "12345"}, "1234\r\n12345\r\n"},
        {"identical_line", {"7", "8", "7"}, "7\r\n8\r\n"},
        {"empty_line_never", {"", "9", ""}, "9\r\n"},
        {"address_holding_an_id",
         {"http://detail.tmall.com/item.htm?id=5", "5"},
         "http://detail.tmall.com/item.htm?id=5\r\n5\r\n"},
        // The harvesters split the text at CR LF: a line never holds one, nor ends
        // in half a character that would take the CR after it.
        {"line_break_ends_the_line", {"1\r\n2", "3\n4", "5\r6", "2"}, "1\r\n3\r\n5\r\n2\r\n"},
        {"line_break_first_is_an_empty_line", {"\r\n7", "8"}, "8\r\n"},
        {"lines_joined_do_not_make_a_line", {"1", "2", "1\r\n2"}, "1\r\n2\r\n"},
        {"dangling_lead_byte_dropped", {"9\x81", "9"}, "9\r\n"},
        {"whole_character_kept", {"9\xB0\xA1", "\xB0\xA1\xB0"}, "9\xB0\xA1\r\n\xB0\xA1\r\n"},
        {"odd_run_after_a_whole_character", {"\xB0\xA1\x81"}, "\xB0\xA1\r\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ItemIdBuffer buffer;
        for (const std::string& line : c.appends)
            buffer.AppendUnique(line);
        EXPECT_EQ(buffer.Text(), c.text);
    }
}

TEST(ItemIdBuffer, ClearForgetsTheIndexToo) {
    ItemIdBuffer buffer;
    EXPECT_TRUE(buffer.AppendUnique("1"));
    EXPECT_FALSE(buffer.AppendUnique("1"));
    buffer.Clear();
    EXPECT_EQ(buffer.Text(), "");
    EXPECT_FALSE(buffer.Contains("1"));
    EXPECT_TRUE(buffer.AppendUnique("1"));
    EXPECT_EQ(buffer.Lines(), std::vector<std::string>{"1"});
}

}  // namespace
}  // namespace rongfan
