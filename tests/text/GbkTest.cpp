// GBK <-> UTF-8 at the edges of the program: round trips, replacement of what
// cannot be converted, and that a broken sequence costs only itself.
#include <gtest/gtest.h>
#include <string>

#include "ShowBytes.h"
#include "text/Gbk.h"

namespace rongfan {
namespace {

using testing::ShowBytes;

#define REPLACEMENT "\xEF\xBF\xBD"

TEST(Gbk, KnownTextsBothWays) {
    const struct {
        std::string utf8;
        std::string gbk;
    } cases[] = {
        {"", ""},
        {"abc\r\n\t", "abc\r\n\t"},
        {"中文", "\xD6\xD0\xCE\xC4"},
        {"淘一下", "\xCC\xD4\xD2\xBB\xCF\xC2"},
        {"１２　，。", "\xA3\xB1\xA3\xB2\xA1\xA1\xA3\xAC\xA1\xA3"},
        {"价格:￥12", "\xBC\xDB\xB8\xF1:\xA3\xA4" "12"},
        {std::string("a\0b", 3), std::string("a\0b", 3)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.utf8);
        EXPECT_EQ(Utf8ToGbk(c.utf8), c.gbk) << ShowBytes(Utf8ToGbk(c.utf8));
        EXPECT_EQ(GbkToUtf8(c.gbk), c.utf8) << ShowBytes(GbkToUtf8(c.gbk));
    }
}

TEST(Gbk, EveryDecodableTwoByteCharacterComesBack) {
    int decoded = 0;
    for (int lead = 0x81; lead <= 0xFE; ++lead) {
        for (int trail = 0x40; trail <= 0xFE; ++trail) {
            if (trail == 0x7F) continue;
            const std::string gbk{static_cast<char>(lead), static_cast<char>(trail)};
            const std::string utf8 = GbkToUtf8(gbk);
            if (utf8 == REPLACEMENT) continue;
            ++decoded;
            EXPECT_EQ(Utf8ToGbk(utf8), gbk) << ShowBytes(gbk) << " as " << ShowBytes(utf8);
        }
    }
    // The GBK repertoire has over 21000 two-byte characters.
    EXPECT_GT(decoded, 21000);
}

TEST(Gbk, WhatCannotBeConvertedIsReplacedAlone) {
    const struct {
        std::string utf8;
        std::string gbk;
    } toGbk[] = {
        {"a\xF0\x9F\x98\x80" "b", "a?b"},     // an emoji has no GBK form
        {"\xE0\xB8\x81" "x", "?x"},           // nor has Thai
        {"\xFF" "abc", "?abc"},               // a byte that never starts UTF-8
        {"\xE4\xB8" "abc", "?abc"},           // a sequence cut short
        {"x\xE4\xB8", "x?"},                  // ...at the very end
        {"\x80\x80" "a", "??a"},              // stray continuation bytes
        {"中\xC3", "\xD6\xD0?"},
    };
    for (const auto& c : toGbk) {
        SCOPED_TRACE(ShowBytes(c.utf8));
        EXPECT_EQ(Utf8ToGbk(c.utf8), c.gbk) << ShowBytes(Utf8ToGbk(c.utf8));
    }
    const struct {
        std::string gbk;
        std::string utf8;
    } toUtf8[] = {
        {"a\xFF" "b", "a" REPLACEMENT "b"},
        {"\x81\x20" "a", REPLACEMENT " a"},   // a lead byte without a trail byte
        {"ab\xD6", "ab" REPLACEMENT},         // a lead byte at the end
        {"\xD6\xD0\xD6", "中" REPLACEMENT},
    };
    for (const auto& c : toUtf8) {
        SCOPED_TRACE(ShowBytes(c.gbk));
        EXPECT_EQ(GbkToUtf8(c.gbk), c.utf8) << ShowBytes(GbkToUtf8(c.gbk));
    }
}

TEST(Gbk, LongTextsCrossTheConversionBuffer) {
    std::string utf8;
    std::string gbk;
    for (int i = 0; i < 5000; ++i) {
        utf8 += "店铺<a>";
        gbk += "\xB5\xEA\xC6\xCC<a>";
    }
    utf8 += "\xF0\x9F\x98\x80";
    gbk += "?";
    EXPECT_EQ(Utf8ToGbk(utf8), gbk);
    EXPECT_EQ(GbkToUtf8(gbk), utf8.substr(0, utf8.size() - 4) + "?");
}

TEST(Gbk, ConstantsFromSourceText) {
    EXPECT_EQ(RF_GBK("已完成任务！"), std::string("\xD2\xD1\xCD\xEA\xB3\xC9\xC8\xCE\xCE\xF1\xA3\xA1"));
    // One conversion per call site: the same object every time.
    auto once = []() -> const std::string* { return &RF_GBK("淘"); };
    EXPECT_EQ(once(), once());
}

}  // namespace
}  // namespace rongfan
