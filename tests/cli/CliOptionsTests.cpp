#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cli/CliOptions.h"

namespace rongfan {
namespace {

struct OptionCase {
    const char* name;
    std::vector<std::string> arguments;
    bool accepted;
    CliOptions expected;  // compared when accepted
};

CliOptions make(std::string address, std::string cookies = {}, std::string out = ".", std::string json = {},
                std::string csv = {}, bool quiet = false) {
    CliOptions o;
    o.shopAddress = std::move(address);
    o.cookiesFile = std::move(cookies);
    o.outFolder = std::move(out);
    o.jsonFile = std::move(json);
    o.csvFile = std::move(csv);
    o.quiet = quiet;
    return o;
}

TEST(CliOptions, Table) {
    const OptionCase cases[] = {
        {"address only", {"shop1.taobao.com"}, true, make("shop1.taobao.com")},
        {"every option", {"--cookies", "c.txt", "--out", "o", "--json", "j.json", "--csv", "r.csv", "-q", "a"}, true,
         make("a", "c.txt", "o", "j.json", "r.csv", true)},
        {"equals form", {"--out=o", "--json=-", "a"}, true, make("a", {}, "o", "-")},
        {"options after the address", {"a", "--csv", "x.csv", "--quiet"}, true, make("a", {}, ".", {}, "x.csv", true)},
        {"json to stdout", {"--json", "-", "a"}, true, make("a", {}, ".", "-")},
        {"double dash ends options", {"--", "-odd"}, true, make("-odd")},
        {"empty address is the address check's to refuse", {""}, true, make("")},
        {"no address", {"-q"}, false, {}},
        {"two addresses", {"a", "b"}, false, {}},
        {"unknown option", {"--verbose", "a"}, false, {}},
        {"missing value", {"a", "--out"}, false, {}},
        {"empty value", {"--out=", "a"}, false, {}},
    };
    for (const OptionCase& c : cases) {
        const ParsedOptions parsed = ParseCliOptions(c.arguments);
        ASSERT_EQ(parsed.options.has_value(), c.accepted) << c.name << ": " << parsed.error;
        if (!c.accepted) {
            EXPECT_FALSE(parsed.error.empty()) << c.name;
            continue;
        }
        const CliOptions& o = *parsed.options;
        EXPECT_EQ(o.shopAddress, c.expected.shopAddress) << c.name;
        EXPECT_EQ(o.cookiesFile, c.expected.cookiesFile) << c.name;
        EXPECT_EQ(o.outFolder, c.expected.outFolder) << c.name;
        EXPECT_EQ(o.jsonFile, c.expected.jsonFile) << c.name;
        EXPECT_EQ(o.csvFile, c.expected.csvFile) << c.name;
        EXPECT_EQ(o.quiet, c.expected.quiet) << c.name;
    }
}

TEST(CliOptions, HelpNeedsNoAddress) {
    for (const char* flag : {"--help", "-h"}) {
        const ParsedOptions parsed = ParseCliOptions({flag});
        ASSERT_TRUE(parsed.options.has_value()) << flag;
        EXPECT_TRUE(parsed.options->help);
    }
    for (const char* word : {"--cookies", "--out", "--json", "--csv", "-q", "http_proxy", "RFC 4180"})
        EXPECT_NE(CliUsage().find(word), std::string::npos) << word;
}

}  // namespace
}  // namespace rongfan
