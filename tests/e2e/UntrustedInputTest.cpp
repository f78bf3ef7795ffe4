// Addresses of any length and any bytes, and shop names made of path pieces:
// the address check and rongfan-cli take them without a crash, a request goes
// nowhere but to the simulated marketplace, and every file the program writes
// lands in the folder it was given.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "FaultRuns.h"
#include "capture/ShopAddress.h"
#include "text/Text.h"

namespace rongfan::testing {
namespace {

constexpr std::chrono::seconds Deadline{240};

std::string randomBytes(std::size_t size, unsigned seed) {
    std::mt19937 generator(seed);
    std::string out(size, '\0');
    for (char& c : out)
        c = static_cast<char>(generator() & 0xFF);
    return out;
}

TEST(UntrustedAddress, AddressCheckTakesAnyLengthAndAnyBytes) {
    const std::size_t MB = 1024 * 1024;
    const struct {
        const char* name;
        std::string typed;
        bool accepted;
    } cases[] = {
        {"1 MB host", "http://" + std::string(MB, 'a') + ".taobao.com/shop", true},
        {"1 MB of slashes", std::string(MB, '/') + "taobao.com", true},
        {"1 MB of spaces around", std::string(MB / 2, ' ') + "x.tmall.com" + std::string(MB / 2, ' '), true},
        {"1 MB of schemes",
         [] {
             std::string s;
             while (s.size() < MB)
                 s += "HTTPS://";
             return s + "x.taobao.com";
         }(),
         true},
        {"1 MB of lead bytes, paired", std::string(MB, '\x81') + "taobao.com", true},
        {"1 MB of lead bytes, the last one alone", std::string(MB + 1, '\x81') + "taobao.com", false},
        {"lead bytes swallow the marker", "\x81taobao.com", false},
        {"control characters", std::string("\x01\x02\x1b[31mx.taobao.com\r\n\t\x7f"), true},
        {"zero bytes inside", std::string("x.taobao.com\0/evil", 18), true},
        {"1 MB of random bytes", randomBytes(MB, 1), false},
        {"1 MB of random bytes with a marker", randomBytes(MB / 2, 2) + " x.tmall.com/ " + randomBytes(MB / 2, 3),
         true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const LaunchDecision d = DecideLaunch(c.typed);
        // Random bytes may hold a marker by chance; the cases above were checked to hold none or one.
        EXPECT_EQ(d.accepted, c.accepted);
        if (!d.accepted) continue;
        ASSERT_EQ(d.baseAddress.compare(0, 7, "http://"), 0);
        EXPECT_FALSE(ContainsText(std::string_view(d.baseAddress).substr(7), "/"));
        EXPECT_EQ(d.searchUrl.compare(0, d.baseAddress.size(), d.baseAddress), 0);
    }
}

FaultPrograms programs() {
    return {RONGFAN_CLI, RONGFAN_CLI_HOOKS};
}

// A single argument can be 128 KiB at most on Linux; the CLI is given the longest one there is room for.
TEST(UntrustedAddress, CliEndsWithoutAReportForAddressesThatLeadNowhere) {
    const struct {
        const char* name;
        std::string address;
        std::vector<int> exits;
    } cases[] = {
        {"120 KB host", "http://" + std::string(120 * 1024, 'a') + ".taobao.com/", {3}},
        {"120 KB of path", "http://faults-async.taobao.com/" + std::string(120 * 1024, '%'), {0}},
        {"control characters in the host", "http://faults\x01\x1b[2J.taobao.com/\t", {3}},
        {"bytes that are not UTF-8", "http://\xff\xfe\x81.taobao.com/", {3}},
        {"an address naming no marketplace", "http://127.0.0.1:1/etc/passwd", {2}},
        {"a file address", "file:///etc/passwd#taobao.com", {3}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const FaultCase run{.name = c.name, .exits = c.exits, .address = c.address};
        const FaultOutcome o = RunFault(programs(), run, "taobao-async", 1, Deadline);
        ASSERT_TRUE(o.Completed()) << o.cli.err;
        EXPECT_NE(std::find(c.exits.begin(), c.exits.end(), o.cli.exitCode), c.exits.end())
            << o.cli.exitCode << ": " << o.cli.err.substr(0, 2000);
        EXPECT_FALSE(o.lastMessage.empty());
        if (o.cli.exitCode != 0) {
            EXPECT_TRUE(o.files.empty()) << o.files.front();
        }
    }
}

// The report is named after the shop as its home page names it: a name made of
// path pieces must still give one file, in the output folder, that no other
// program takes for a hidden file or a folder.
TEST(UntrustedShopName, ReportStaysInItsFolder) {
    const char* const names[] = {
        "../../越狱", "/etc/passwd", "..", "./.hidden", "a/../../b", "%2e%2e%2fx", "名字\\..\\c", "CON", "  ", "\t\r",
    };
    for (const char* name : names) {
        SCOPED_TRACE(name);
        const FaultCase run{.name = "name", .shopKeys = std::string("name=") + name, .exits = {0}};
        const FaultOutcome o = RunFault(programs(), run, "taobao-async", 1, Deadline);
        ASSERT_TRUE(o.Completed()) << o.cli.err;
        ASSERT_EQ(o.cli.exitCode, 0) << o.cli.err;
        ASSERT_EQ(o.files.size(), 2u);  // the report and rows.json
        for (const std::string& file : o.files) {
            if (file == "rows.json") continue;
            ASSERT_EQ(file.compare(0, 4, "out/"), 0) << file;
            const std::string report = file.substr(4);
            EXPECT_EQ(report.find('/'), std::string::npos) << file;
            EXPECT_NE(report[0], '.') << file;
            EXPECT_EQ(report.substr(report.size() - 5), ".html") << file;
        }
    }
}

}  // namespace
}  // namespace rongfan::testing
