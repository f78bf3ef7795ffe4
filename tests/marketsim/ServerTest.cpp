// The server around the pages: determinism, both request forms, the wire
// format, the request log, its own end, and its options.
#include "Fetcher.h"
#include "TestShops.h"
#include "text/Text.h"

#include <arpa/inet.h>
#include <fstream>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <set>
#include <sys/socket.h>
#include <unistd.h>

namespace rongfan::marketsim::test {
namespace {

const std::vector<std::string> kShops = ShopArguments({
    "kind=taobao-async,host=same.taobao.com,items=30,seed=41",
    "kind=tmall-async,host=same.tmall.com,items=70,seed=42",
});

// A sample of every page and service the program reads.
std::vector<std::string> SampleAddresses(const Json &truth) {
    const Json &taobao = ShopEntry(truth, "same.taobao.com");
    const Json &tmall = ShopEntry(truth, "same.tmall.com");
    const std::string tid(SplitPiece(taobao.at("rows")[3][7].get<std::string>(), "id=", 2));
    const std::string mid(SplitPiece(tmall.at("rows")[3][7].get<std::string>(), "id=", 2));
    return {
        taobao.at("home"),
        taobao.at("search_url"),
        "http://same.taobao.com/i/asynSearch.htm?path=/search.htm&search=y&pageNo=2&mid=w-" +
            taobao.at("shop_number").get<std::string>() + "-0",
        "http://item.taobao.com/item.htm?id=" + tid,
        "http://count.taobao.com/counter3?keys=ICCP_1_" + tid + "&callback=json",
        "http://detailskip.taobao.com/json/ifq.htm?id=" + tid,
        "http://rate.taobao.com/detailCount.do?itemId=" + tid + "&callback=jsonp120",
        tmall.at("home"),
        tmall.at("search_url"),
        "http://same.tmall.com/i/asynSearch.htm?mid=w-" + tmall.at("shop_number").get<std::string>() +
            "-0&path=/search.htm&&search=y&pageNo=2",
        "http://detail.tmall.com/item.htm?id=" + mid,
        "http://dsr-rate.tmall.com/list_dsr_info.htm?itemId=" + mid + "&spuId=1&callback=jsonp160",
    };
}

std::vector<std::string> Bodies(const std::vector<std::string> &arguments, const std::vector<std::string> &urls) {
    Marketsim server(arguments);
    Fetcher fetcher(server.Port());
    std::vector<std::string> out;
    for (const std::string &url : urls)
        out.push_back(fetcher.Get(url).body);
    return out;
}

TEST(Server, IdenticalSeedsGiveIdenticalAnswersAndOtherSeedsOtherShops) {
    const Json truth = Expected(kShops);
    const std::vector<std::string> urls = SampleAddresses(truth);
    const auto first = Bodies(kShops, urls);
    const auto second = Bodies(kShops, urls);
    ASSERT_EQ(first.size(), urls.size());
    for (std::size_t i = 0; i < urls.size(); ++i) {
        EXPECT_FALSE(first[i].empty()) << urls[i];
        EXPECT_EQ(first[i], second[i]) << urls[i];
    }
    EXPECT_EQ(Expected(kShops), truth);
    const Json other = Expected(ShopArguments({"kind=taobao-async,host=same.taobao.com,items=30,seed=43"}));
    EXPECT_NE(ShopEntry(other, "same.taobao.com").at("rows")[0][7],
              ShopEntry(truth, "same.taobao.com").at("rows")[0][7]);
}

TEST(Server, ProxyFormAndHostHeaderGiveTheSameAnswer) {
    const Json truth = Expected(kShops);
    Marketsim server(kShops);
    Fetcher fetcher(server.Port());
    for (const std::string &url : SampleAddresses(truth)) {
        const std::string rest = url.substr(7);
        const std::string host = rest.substr(0, rest.find('/'));
        const std::string path = rest.substr(host.size());
        const std::string proxied = fetcher.Get(url).body;
        EXPECT_EQ(fetcher.GetWithHostHeader(host, path).body, proxied) << url;
        std::string upper = host;
        for (char &ch : upper)
            ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
        EXPECT_EQ(fetcher.Get("http://" + upper + ":80" + path).body, proxied) << url;
    }
}

TEST(Server, AnswersCarryTheirLengthAndCloseTheConnection) {
    Marketsim server(kShops);
    Fetcher fetcher(server.Port());
    const FetchResult page = fetcher.Get("http://same.taobao.com/search.htm?orderType=hotsell_desc");
    EXPECT_EQ(page.Header("Connection"), "close");
    EXPECT_EQ(page.Header("Content-Length"), std::to_string(page.body.size()));
    EXPECT_TRUE(ContainsText(page.Header("Content-Type"), "GBK"));

    // A raw HTTP/1.0 HEAD request: the header block, then the connection ends.
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(server.Port()));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(::connect(fd, reinterpret_cast<sockaddr *>(&address), sizeof address), 0);
    const std::string request = "HEAD http://same.taobao.com/search.htm?orderType=hotsell_desc HTTP/1.0\r\n\r\n";
    ASSERT_EQ(::send(fd, request.data(), request.size(), 0), static_cast<ssize_t>(request.size()));
    std::string answer;
    char buffer[4096];
    for (ssize_t n; (n = ::recv(fd, buffer, sizeof buffer, 0)) > 0;)
        answer.append(buffer, static_cast<std::size_t>(n));
    ::close(fd);
    EXPECT_TRUE(answer.starts_with("HTTP/1.1 200 OK\r\n"));
    EXPECT_TRUE(answer.ends_with("\r\n\r\n"));
    EXPECT_TRUE(ContainsText(answer, "Content-Length: " + std::to_string(page.body.size()) + "\r\n"));
}

TEST(Server, UnknownHostsGetTheMarketplacesNoShopPageOrAProxyError) {
    Marketsim server(kShops);
    Fetcher fetcher(server.Port());
    const FetchResult noShop = fetcher.Get("http://gone.taobao.com/search.htm?orderType=hotsell_desc");
    EXPECT_EQ(noShop.status, 302);
    EXPECT_EQ(noShop.Header("Location"), "http://www.taobao.com/noshop.htm");
    EXPECT_EQ(fetcher.Get("http://example.org/").status, 502);
    EXPECT_EQ(fetcher.Get("http://same.taobao.com/no/such/page.htm").status, 404);
}

TEST(Server, RequestLogHoldsEveryRequestInOrder) {
    char path[] = "/tmp/marketsim-logXXXXXX";
    ::close(::mkstemp(path));
    const Json truth = Expected(kShops);
    const std::vector<std::string> urls = SampleAddresses(truth);
    std::vector<std::size_t> sizes;
    {
        std::vector<std::string> args = kShops;
        args.insert(args.end(), {"--request-log", path});
        Marketsim server(args);
        Fetcher fetcher(server.Port());
        fetcher.SetCookieHeader("cookie2=abc; _nk_=x");
        for (const std::string &url : urls)
            sizes.push_back(fetcher.Get(url).body.size());
    }
    std::ifstream log(path);
    std::vector<Json> lines;
    for (std::string line; std::getline(log, line);)
        lines.push_back(Json::parse(line));
    ::unlink(path);
    ASSERT_EQ(lines.size(), urls.size());
    for (std::size_t i = 0; i < urls.size(); ++i) {
        EXPECT_EQ(lines[i].at("url"),
                  urls[i] == "http://same.taobao.com" || urls[i] == "http://same.tmall.com" ? urls[i] + "/" : urls[i]);
        EXPECT_EQ(lines[i].at("cookie"), "cookie2=abc; _nk_=x");
        EXPECT_EQ(lines[i].at("status"), 200);
        EXPECT_EQ(lines[i].at("size").get<std::size_t>(), sizes[i]);
        EXPECT_EQ(lines[i].at("method"), "GET");
        EXPECT_GT(lines[i].at("time").get<double>(), 1.0e9);
    }
}

TEST(Server, ListensOnTheGivenPort) {
    const int probe = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(::bind(probe, reinterpret_cast<sockaddr *>(&address), sizeof address), 0);
    socklen_t length = sizeof address;
    ::getsockname(probe, reinterpret_cast<sockaddr *>(&address), &length);
    ::close(probe);
    const int port = ntohs(address.sin_port);
    std::vector<std::string> args = kShops;
    args.insert(args.end(), {"--port", std::to_string(port)});
    Marketsim server(args);
    EXPECT_EQ(server.Port(), port);
    EXPECT_EQ(Fetcher(port).Get("http://same.tmall.com/").status, 200);
}

TEST(Server, EndsByItselfAfterItsLifetime) {
    std::vector<std::string> args = kShops;
    args.insert(args.end(), {"--lifetime", "1"});
    Marketsim server(args);
    ASSERT_TRUE(server.Started());
    EXPECT_TRUE(WaitUntilGone(server.Pid(), std::chrono::seconds(30)));
}

TEST(Server, EndsWhenItsParentEnds) {
    const pid_t pid = StartOrphanedMarketsim(kShops);
    ASSERT_GT(pid, 0);
    EXPECT_TRUE(WaitUntilGone(pid, std::chrono::seconds(30)));
}

TEST(Server, RefusesOptionsItCannotServe) {
    struct Case {
        std::vector<std::string> args;
        const char *message;
    } cases[] = {
        {{"--no-such-option"}, "unknown option"},
        {{"--shop", "kind=taobao-async"}, "kind= and host="},
        {{"--shop", "kind=amazon,host=x.taobao.com"}, "unknown shop kind"},
        {{"--shop", "kind=taobao-async,host=x.tmall.com"}, "must contain taobao.com"},
        {{"--shop", "kind=tmall-async,host=x.taobao.com"}, "must contain tmall."},
        {{"--shop", "kind=tmall-async,host=x.tmall.com", "--shop", "kind=tmall-async,host=x.tmall.com"},
         "declared twice"},
        {{"--shop", "kind=taobao-async,host=item.taobao.com"}, "taken by the marketplace"},
        {{"--shop", "kind=taobao-async,host=x.taobao.com,name=a-b"}, "may not hold '-'"},
        {{"--shop", "kind=taobao-async,host=x.taobao.com,key=pageNum"}, "taobao-plain shops only"},
        {{"--shop", "kind=tmall-redirect,host=x.tmall.com,target=y.tmall.hk"}, "same item host"},
        {{"--shop", "kind=taobao-async,host=x.taobao.com,items=-1"}, "items"},
        {{"--empty", "1.5"}, "probability"},
        {{"--latency-ms", "20-10"}, "latency"},
        {{"--port"}, "needs N"},
        {{"--config", "/nonexistent/marketsim.json"}, "cannot read"},
    };
    for (const Case &c : cases) {
        const ChildResult run = RunMarketsim(c.args);
        EXPECT_EQ(run.exitCode, 2) << c.message;
        EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
    }
}

TEST(Server, ConfigFileDescribesTheSameMarketAsOptions) {
    char path[] = "/tmp/marketsim-configXXXXXX";
    const int fd = ::mkstemp(path);
    const std::string json = R"({"seed": 7, "login_host": "passport.taobao.com", "shops": [
        {"kind": "taobao-plain", "host": "cfg.taobao.com", "items": 40, "seed": 5, "key": "pageNum", "login": true},
        {"kind": "tmall-redirect", "host": "cfg.tmall.com", "items": 12, "seed": 6, "target": "cfg2.tmall.com",
         "faults": {"empty": 0.5}}]})";
    ASSERT_EQ(::write(fd, json.data(), json.size()), static_cast<ssize_t>(json.size()));
    ::close(fd);
    const Json fromFile = Expected({"--config", path});
    ::unlink(path);
    const Json fromOptions =
        Expected({"--seed", "7", "--login-host", "passport.taobao.com", "--shop",
                  "kind=taobao-plain,host=cfg.taobao.com,items=40,seed=5,key=pageNum,login=1", "--shop",
                  "kind=tmall-redirect,host=cfg.tmall.com,items=12,seed=6,target=cfg2.tmall.com"});
    EXPECT_EQ(fromFile, fromOptions);
    EXPECT_EQ(fromFile.at("login_host"), "passport.taobao.com");
}

TEST(Server, DemoSetHasAShopOfEveryKindBehindTheLogin) {
    const Json demo = Expected({"--demo"});
    std::set<std::string> kinds;
    bool hongKong = false;
    for (const Json &shop : demo.at("shops")) {
        kinds.insert(shop.at("kind").get<std::string>());
        EXPECT_TRUE(shop.at("login").get<bool>()) << shop.at("host");
        EXPECT_FALSE(shop.at("rows").empty()) << shop.at("host");
        hongKong |= shop.value("item_base", "").find("detail.tmall.hk/hk") == 0;
    }
    EXPECT_EQ(kinds, (std::set<std::string>{"taobao-async", "taobao-plain", "tmall-async", "tmall-render-error",
                                            "tmall-redirect"}));
    EXPECT_TRUE(hongKong);
}

} // namespace
} // namespace rongfan::marketsim::test
