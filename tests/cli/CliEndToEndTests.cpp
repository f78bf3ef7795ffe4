// rongfan-cli against the simulated marketplace, every shop kind, compared
// with the rows the simulator says a search must produce.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "support/Marketsim.h"

namespace rongfan {
namespace {

namespace fs = std::filesystem;
using testing::ChildResult;
using testing::Marketsim;
using testing::RunChild;
using Json = nlohmann::json;

const std::vector<std::string> Shops = {
    "kind=taobao-async,host=e2e-async.taobao.com,items=70,seed=31",
    "kind=taobao-plain,host=e2e-plain.taobao.com,items=30,seed=32",
    "kind=taobao-plain,host=e2e-pagenum.taobao.com,items=30,seed=33,key=pageNum",
    "kind=tmall-async,host=e2e.tmall.com,items=65,seed=34",
    "kind=tmall-async,host=e2e.tmall.hk,items=25,seed=35",
    "kind=tmall-render-error,host=e2e-error.tmall.com,items=40,seed=36",
    "kind=tmall-redirect,host=e2e-old.tmall.com,items=20,seed=37,target=e2e-new.tmall.com",
    "kind=taobao-async,host=e2e-login.taobao.com,items=30,seed=38,login=1",
    "kind=tmall-async,host=e2e-login.tmall.com,items=30,seed=39,login=1",
};
// Shops that end in a failure rather than rows.
const std::vector<std::string> FailingShops = {
    "kind=tmall-async,host=e2e-empty.tmall.com,items=0,seed=40",
};

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// One simulator per test, a fresh folder for the outputs, and the simulator's
// truth read from the file it writes before serving.
class CliEndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "rongfan-cli-e2e-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        m_dir = pattern;
        std::vector<std::string> arguments = {"--lifetime", "600", "--expected-file", (m_dir / "expected.json").string(),
                                              "--request-log", (m_dir / "requests.log").string()};
        for (const std::string& shop : Shops) {
            arguments.push_back("--shop");
            arguments.push_back(shop);
        }
        for (const std::string& shop : FailingShops) {
            arguments.push_back("--shop");
            arguments.push_back(shop);
        }
        m_sim = std::make_unique<Marketsim>(arguments);
        ASSERT_GT(m_sim->Port(), 0) << "marketsim did not start";
        m_truth = Json::parse(readFile(m_dir / "expected.json"));
        fs::create_directory(m_dir / "out");
    }
    void TearDown() override {
        m_sim.reset();
        std::error_code ignored;
        fs::remove_all(m_dir, ignored);
    }

    ChildResult cli(std::vector<std::string> arguments) {
        arguments.insert(arguments.begin(), RONGFAN_CLI);
        return RunChild(arguments, {{"http_proxy", m_sim->Proxy()},
                                      {"HTTP_PROXY", ""},
                                      {"no_proxy", ""},
                                      {"NO_PROXY", ""},
                                      {"https_proxy", ""},
                                      {"all_proxy", ""}});
    }

    const Json& shop(const std::string& host) {
        for (const Json& s : m_truth["shops"])
            if (s["host"] == host) return s;
        static const Json none;
        ADD_FAILURE() << "no shop " << host << " in the truth";
        return none;
    }

    // A cookies.txt holding the simulator's session cookie on every marketplace domain.
    std::string sessionCookies() {
        const fs::path path = m_dir / "cookies.txt";
        std::ofstream out(path);
        out << "# Netscape HTTP Cookie File\n";
        const Json& session = m_truth["session"];
        for (const Json& domain : session["domains"])
            out << "#HttpOnly_" << domain.get<std::string>() << "\tTRUE\t/\tFALSE\t0\t"
                << session["name"].get<std::string>() << "\t" << session["value"].get<std::string>() << "\n";
        return path.string();
    }

    std::size_t requestCount() {
        const std::string log = readFile(m_dir / "requests.log");
        return static_cast<std::size_t>(std::count(log.begin(), log.end(), '\n'));
    }

    fs::path m_dir;
    std::unique_ptr<Marketsim> m_sim;
    Json m_truth;
};

// The JSON objects as rows of nine cells in column order.
std::vector<std::vector<std::string>> jsonRows(const Json& array) {
    static const char* const keys[] = {"index", "title", "price",   "collections", "deals30",
                                       "received30", "reviews", "url", "picture"};
    std::vector<std::vector<std::string>> rows;
    for (const Json& object : array) {
        std::vector<std::string> row;
        for (const char* key : keys) row.push_back(object.at(key).get<std::string>());
        EXPECT_EQ(object.size(), 9u);
        rows.push_back(std::move(row));
    }
    return rows;
}

class EveryShopKind : public CliEndToEnd, public ::testing::WithParamInterface<std::string> {};

TEST_P(EveryShopKind, RowsReportAndCsvMatchTheTruth) {
    const Json& expected = shop(GetParam());
    ASSERT_FALSE(expected.is_null());
    std::vector<std::string> arguments = {"--out", (m_dir / "out").string(), "--json", (m_dir / "rows.json").string(),
                                          "--csv", (m_dir / "rows.csv").string(), "-q"};
    if (expected["login"].get<bool>()) arguments.insert(arguments.begin(), {"--cookies", sessionCookies()});
    arguments.push_back(expected["home"].get<std::string>());
    const ChildResult run = cli(arguments);
    ASSERT_EQ(run.exitCode, 0) << run.err;

    const auto truth = expected["rows"].get<std::vector<std::vector<std::string>>>();
    ASSERT_FALSE(truth.empty());
    EXPECT_EQ(jsonRows(Json::parse(readFile(m_dir / "rows.json"))), truth);

    const fs::path report = m_dir / "out" / (expected["report_title"].get<std::string>() + ".html");
    EXPECT_TRUE(fs::is_regular_file(report)) << report;
    const std::string page = readFile(report);
    EXPECT_EQ(page.rfind("<!DOCTYPE html PUBLIC \"-//W3C//DTD XHTML 1.0 Transitional//EN\"", 0), 0u);
    std::size_t reportRows = 0;
    for (std::size_t at = page.find("<tr><td>"); at != std::string::npos; at = page.find("<tr><td>", at + 1))
        ++reportRows;
    EXPECT_EQ(reportRows, truth.size());

    const std::string csv = readFile(m_dir / "rows.csv");
    EXPECT_EQ(csv.rfind("\xEF\xBB\xBF序号,标题,摆价,收藏量,30天成交,30天收货,评价数,网址,图片地址\r\n", 0), 0u);
    EXPECT_NE(csv.find(truth.back()[7]), std::string::npos);
    // No quiet run writes anything to standard output.
    EXPECT_TRUE(run.out.empty());
}

std::string hostOf(const std::string& setup) {
    const std::size_t at = setup.find("host=") + 5;
    return setup.substr(at, setup.find(',', at) - at);
}

std::vector<std::string> shopHosts() {
    std::vector<std::string> hosts;
    for (const std::string& setup : Shops) hosts.push_back(hostOf(setup));
    return hosts;
}

INSTANTIATE_TEST_SUITE_P(Marketsim, EveryShopKind, ::testing::ValuesIn(shopHosts()),
                         [](const ::testing::TestParamInfo<std::string>& info) {
                             std::string name = info.param;
                             for (char& c : name)
                                 if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                             return name;
                         });

TEST_F(CliEndToEnd, TypedAddressIsCleanedLikeTheAddressBox) {
    const ChildResult run = cli({"--out", (m_dir / "out").string(), "--json", "-", "-q",
                                   " HTTPS://e2e-async.taobao.com/index.htm?spm=1 "});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(jsonRows(Json::parse(run.out)), shop("e2e-async.taobao.com")["rows"].get<std::vector<std::vector<std::string>>>());
}

TEST_F(CliEndToEnd, RejectedAddressExits2WithoutARequest) {
    for (const char* address : {"www.example.com", "", "   "}) {
        const ChildResult run = cli({"--out", (m_dir / "out").string(), address});
        EXPECT_EQ(run.exitCode, 2) << address;
        EXPECT_NE(run.err.find("请输入淘宝店或天猫店首页网址！"), std::string::npos) << run.err;
    }
    EXPECT_EQ(requestCount(), 0u);
    EXPECT_TRUE(fs::is_empty(m_dir / "out"));
}

TEST_F(CliEndToEnd, LoginShopNeedsTheSessionCookie) {
    const Json& expected = shop("e2e-login.taobao.com");
    const ChildResult without = cli({"--out", (m_dir / "out").string(), "-q", expected["home"].get<std::string>()});
    EXPECT_EQ(without.exitCode, 3) << without.err;
    EXPECT_NE(without.err.find("--cookies"), std::string::npos) << without.err;
    EXPECT_TRUE(fs::is_empty(m_dir / "out"));

    const ChildResult with = cli({"--cookies", sessionCookies(), "--out", (m_dir / "out").string(), "--json", "-",
                                    "-q", expected["home"].get<std::string>()});
    ASSERT_EQ(with.exitCode, 0) << with.err;
    EXPECT_EQ(jsonRows(Json::parse(with.out)), expected["rows"].get<std::vector<std::vector<std::string>>>());
}

// The address check compares the marketplace domain in the case it is
// written in, so this plain Taobao shop, its host in capitals and "tmall." as
// user name before it, is searched as a Tmall shop. Its search page is captured
// (it holds "page-info>") but names no Tmall shop number, so the Tmall walker
// gives up with its status text and no harvest starts.
TEST_F(CliEndToEnd, WalkerFailureExits4WithoutHarvesting) {
    const ChildResult run = cli({"--out", (m_dir / "out").string(), "--json", (m_dir / "rows.json").string(), "-q",
                                   "http://tmall.@e2e-plain.TAOBAO.COM"});
    EXPECT_EQ(run.exitCode, 4) << run.err;
    EXPECT_NE(run.err.find("网络超时，请清除COOKIES后重试！"), std::string::npos) << run.err;
    const std::string log = readFile(m_dir / "requests.log");
    EXPECT_NE(log.find("e2e-plain.taobao.com/search.htm"), std::string::npos) << log;
    EXPECT_EQ(log.find("item.htm"), std::string::npos) << log;
    EXPECT_TRUE(fs::is_empty(m_dir / "out"));
    EXPECT_FALSE(fs::exists(m_dir / "rows.json"));
}

TEST_F(CliEndToEnd, ShopWithoutItemsExits4WithNothingToSave) {
    const ChildResult run = cli({"--out", (m_dir / "out").string(), "-q", "http://e2e-empty.tmall.com"});
    EXPECT_EQ(run.exitCode, 4) << run.err;
    EXPECT_NE(run.err.find("暂无数据可保存"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("下载失败，请清除COOKIES缓存后再重试！"), std::string::npos) << run.err;
    EXPECT_TRUE(fs::is_empty(m_dir / "out"));
}

// The moved shop's search page only sends the browser on; the search captures
// the new address and walks again, and the rows come from that walk.
TEST_F(CliEndToEnd, TmallRedirectCapturesTheNewAddress) {
    const Json& expected = shop("e2e-old.tmall.com");
    const ChildResult run = cli({"--out", (m_dir / "out").string(), "--json", "-", expected["home"].get<std::string>()});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const std::string target = expected["redirect_url"].get<std::string>();
    EXPECT_NE(run.err.find("search page redirected to " + target), std::string::npos) << run.err;
    EXPECT_NE(readFile(m_dir / "requests.log").find("\"url\":\"" + target + "\""), std::string::npos);
    EXPECT_EQ(jsonRows(Json::parse(run.out)), expected["rows"].get<std::vector<std::vector<std::string>>>());
}

TEST_F(CliEndToEnd, ProgressShowsPagesThenItemsOnPlainLines) {
    const Json& expected = shop("e2e.tmall.com");
    const ChildResult run = cli({"--out", (m_dir / "out").string(), expected["home"].get<std::string>()});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const std::string total = std::to_string(expected["rows"].size());
    const std::size_t pages = run.err.find("pages walked: 1\n");
    const std::size_t items = run.err.find("items harvested: " + total + "/" + total + "\n");
    EXPECT_NE(pages, std::string::npos) << run.err;
    EXPECT_NE(items, std::string::npos) << run.err;
    EXPECT_LT(pages, items);
    EXPECT_NE(run.err.find("已完成任务！\n"), std::string::npos) << run.err;
    EXPECT_EQ(run.err.find('\r'), std::string::npos);
}

TEST_F(CliEndToEnd, BadOptionsAndUnwritableOutputsExit1) {
    const std::string home = shop("e2e.tmall.hk")["home"].get<std::string>();
    EXPECT_EQ(cli({"--frobnicate", home}).exitCode, 1);
    EXPECT_EQ(cli({"--cookies", (m_dir / "missing.txt").string(), home}).exitCode, 1);
    EXPECT_EQ(cli({"--out", (m_dir / "missing").string(), home}).exitCode, 1);
    EXPECT_EQ(requestCount(), 0u);

    // The search runs, the report is written, the JSON cannot be.
    const ChildResult run = cli({"--out", (m_dir / "out").string(), "--json", (m_dir / "missing" / "r.json").string(),
                                   "-q", home});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.err.find("r.json"), std::string::npos) << run.err;
    EXPECT_FALSE(fs::is_empty(m_dir / "out"));
}

TEST_F(CliEndToEnd, HelpDescribesTheInterface) {
    const ChildResult run = cli({"--help"});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_NE(run.out.find("Usage: rongfan-cli"), std::string::npos);
    EXPECT_EQ(requestCount(), 0u);
}

}  // namespace
}  // namespace rongfan
