#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "cli/ResultTables.h"
#include "text/Gbk.h"

namespace rongfan {
namespace {

ResultCells cells(std::vector<std::string> utf8) {
    ResultCells row;
    for (std::size_t i = 0; i < utf8.size() && i < row.size(); ++i) row[i] = Utf8ToGbk(utf8[i]);
    return row;
}

const std::string Header = "\xEF\xBB\xBF序号,标题,摆价,收藏量,30天成交,30天收货,评价数,网址,图片地址\r\n";

TEST(ResultTables, CsvStartsWithMarkAndHeader) {
    EXPECT_EQ(RowsToCsv({}), Header);
}

TEST(ResultTables, CsvQuotesOnlyWhatNeedsIt) {
    struct Case {
        const char* name;
        std::string cell;
        std::string field;
    };
    const Case cases[] = {
        {"plain", "纯棉T恤", "纯棉T恤"},
        {"comma", "a,b", "\"a,b\""},
        {"quote", "12\" 屏", "\"12\"\" 屏\""},
        {"line break", "a\r\nb", "\"a\r\nb\""},
        {"bare LF", "a\nb", "\"a\nb\""},
        {"empty", "", ""},
        {"leading blank kept", " x", " x"},
        {"formula", "=HYPERLINK(\"http://x\")", "\"'=HYPERLINK(\"\"http://x\"\")\""},
        {"plus formula", "+cmd|' /C calc'!A0", "'+cmd|' /C calc'!A0"},
        {"at sign", "@SUM(A1)", "'@SUM(A1)"},
        {"dash word", "-特价-", "'-特价-"},
        {"tab first", "\tx", "'\tx"},
        {"negative number stays a number", "-5", "-5"},
        {"signed decimal stays a number", "+3.50", "+3.50"},
        {"equals inside", "a=b", "a=b"},
    };
    for (const Case& c : cases) {
        const std::string csv = RowsToCsv({cells({"1", c.cell, "9.90"})});
        EXPECT_EQ(csv, Header + "1," + c.field + ",9.90,,,,,,\r\n") << c.name;
    }
}

TEST(ResultTables, JsonKeepsKeyOrderAndConvertsToUtf8) {
    const std::vector<ResultCells> rows = {
        cells({"1", "真丝\"围巾\"", "199.00", "45", "", "", "17", "http://detail.tmall.com/item.htm?id=1", "p.jpg"}),
        cells({"2", "b"}),
    };
    const std::string text = RowsToJson(rows);
    const nlohmann::ordered_json parsed = nlohmann::ordered_json::parse(text);
    ASSERT_TRUE(parsed.is_array());
    ASSERT_EQ(parsed.size(), 2u);
    std::vector<std::string> keys;
    for (const auto& item : parsed[0].items()) keys.push_back(item.key());
    EXPECT_EQ(keys, (std::vector<std::string>{"index", "title", "price", "collections", "deals30", "received30",
                                              "reviews", "url", "picture"}));
    EXPECT_EQ(parsed[0]["title"], "真丝\"围巾\"");
    EXPECT_EQ(parsed[0]["deals30"], "");
    EXPECT_EQ(parsed[1]["index"], "2");
    EXPECT_EQ(parsed[1]["picture"], "");
    EXPECT_TRUE(parsed[1]["reviews"].is_string());
}

TEST(ResultTables, BrokenGbkBecomesReplacementCharacters) {
    ResultCells row;
    row[1] = "ok\xD6";  // a lead byte with nothing after it
    const nlohmann::json parsed = nlohmann::json::parse(RowsToJson({row}));
    EXPECT_EQ(parsed[0]["title"], "ok\xEF\xBF\xBD");
    EXPECT_NE(RowsToCsv({row}).find("ok\xEF\xBF\xBD"), std::string::npos);
}

TEST(ResultTables, EmptyListIsAnEmptyArray) { EXPECT_EQ(nlohmann::json::parse(RowsToJson({})).size(), 0u); }

}  // namespace
}  // namespace rongfan
