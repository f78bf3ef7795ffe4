// HttpFetch against servers inside the test: what it sends, what it returns for
// every kind of answer, redirects, cookies, proxies and its safety limits.
#include "host/HttpFetch.h"
#include "LocalServers.h"
#include "host/CookieStore.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <thread>

namespace rongfan {
namespace {

using test::HttpTestServer;
using test::RawConnection;
using test::RawServer;
using test::ScopedProxyEnv;

std::string headerValue(const std::string &head, const std::string &name) {
    // Header names compare without case; the first occurrence counts.
    std::string lowerHead = head;
    std::transform(lowerHead.begin(), lowerHead.end(), lowerHead.begin(), ::tolower);
    std::string key = "\r\n" + name + ":";
    std::transform(key.begin(), key.end(), key.begin(), ::tolower);
    const auto at = lowerHead.find(key);
    if (at == std::string::npos) return "<absent>";
    auto start = at + key.size();
    while (start < head.size() && head[start] == ' ')
        ++start;
    return head.substr(start, head.find("\r\n", start) - start);
}

class HttpFetchTest : public ::testing::Test {
protected:
    void SetUp() override {
        CookieStore::Instance().Clear();
        CookieStore::Instance().SetReceivedListener(nullptr);
    }
    void TearDown() override {
        SetStallTimeoutForTesting(FetchLimits::StallTimeout);
        SetMaxBodyForTesting(FetchLimits::MaxBodyBytes);
        CookieStore::Instance().SetReceivedListener(nullptr);
        CookieStore::Instance().Clear();
    }
    ScopedProxyEnv m_env;
};

TEST_F(HttpFetchTest, ReturnsTheBodyWhateverTheStatus) {
    struct Case {
        int status;
        std::string body;
    };
    const std::vector<Case> cases = {
        {200, "<html>shop page</html>"}, {404, "no such item"}, {500, "server broke"}, {403, "go away"}, {200, ""}};
    HttpTestServer server([&](httplib::Server &s) {
        s.Get(R"(/status/(\d+)/(\d+))", [&](const httplib::Request &req, httplib::Response &res) {
            const Case &c = cases.at(std::stoul(req.matches[2]));
            res.status = c.status;
            res.set_content(c.body, "text/html");
        });
    });
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const std::string address =
            server.Base() + "/status/" + std::to_string(cases[i].status) + "/" + std::to_string(i);
        EXPECT_EQ(HttpFetch(address), cases[i].body) << "status " << cases[i].status;
    }
}

TEST_F(HttpFetchTest, SendsGetHttp10WithTheAgentAndNoReferrer) {
    RawServer server([](const RawConnection &c) { c.Send("HTTP/1.0 200 OK\r\nContent-Length: 2\r\n\r\nok"); });
    ASSERT_EQ(HttpFetch(server.Base() + "/seen?q=1"), "ok");
    const auto heads = server.Heads();
    ASSERT_EQ(heads.size(), 1u);
    const std::string &head = heads[0];
    EXPECT_EQ(head.substr(0, head.find("\r\n")), "GET /seen?q=1 HTTP/1.0");
    EXPECT_EQ(headerValue(head, "User-Agent"), FetchUserAgent);
    EXPECT_EQ(headerValue(head, "Accept"), "*/*");
    EXPECT_EQ(headerValue(head, "Host"), "127.0.0.1:" + std::to_string(server.Port()));
    EXPECT_EQ(headerValue(head, "Referer"), "<absent>");
    EXPECT_EQ(headerValue(head, "Cookie"), "<absent>");
    EXPECT_EQ(headerValue(head, "Cache-Control"), "no-cache");
    EXPECT_EQ(headerValue(head, "Accept-Encoding"), "<absent>");
}

TEST_F(HttpFetchTest, CutsTheAddressAtItsFirstHash) {
    struct Case {
        std::string suffix;
        std::string target;
    };
    const std::vector<Case> cases = {
        {"/a#b", "/a"}, {"/a?x=1#b#c", "/a?x=1"}, {"/#", "/"}, {"/a?x=#y", "/a?x="}, {"#only", "/"},
    };
    RawServer server([](const RawConnection &c) { c.Send("HTTP/1.0 200 OK\r\n\r\nfine"); });
    for (const Case &c : cases)
        EXPECT_EQ(HttpFetch(server.Base() + c.suffix), "fine") << c.suffix;
    const auto heads = server.Heads();
    ASSERT_EQ(heads.size(), cases.size());
    for (std::size_t i = 0; i < cases.size(); ++i)
        EXPECT_EQ(heads[i].substr(0, heads[i].find("\r\n")), "GET " + cases[i].target + " HTTP/1.0") << cases[i].suffix;
}

TEST_F(HttpFetchTest, EncodesSpacesAndGbkBytesInTheAddress) {
    RawServer server([](const RawConnection &c) { c.Send("HTTP/1.0 200 OK\r\n\r\nfine"); });
    EXPECT_EQ(HttpFetch(server.Base() + "/search?q=\xC5\xAE\xD7\xB0 a%20b"), "fine");
    const auto heads = server.Heads();
    ASSERT_EQ(heads.size(), 1u);
    EXPECT_EQ(heads[0].substr(0, heads[0].find("\r\n")), "GET /search?q=%C5%AE%D7%B0%20a%20b HTTP/1.0");
}

TEST_F(HttpFetchTest, UnusableAddressesYieldEmptyBytes) {
    // A local file must never be read through an address taken from a page.
    const std::vector<std::string> addresses = {
        "", "#fragment", "not an address", "file:///etc/hostname", "ftp://127.0.0.1/x", "http://", "http:///path",
    };
    for (const std::string &address : addresses)
        EXPECT_EQ(HttpFetch(address), "") << address;
}

TEST_F(HttpFetchTest, RefusedConnectionYieldsEmptyBytes) {
    EXPECT_EQ(HttpFetch("http://127.0.0.1:" + std::to_string(test::RefusingPort()) + "/x"), "");
}

TEST_F(HttpFetchTest, FollowsRedirectsOfEveryKind) {
    const std::vector<std::string> kinds = {"absolute", "rooted", "relative", "protocol-relative"};
    HttpTestServer server([&](httplib::Server &s) {
        s.Get(R"(/dir/from/(\d+)/([a-z-]+))", [](const httplib::Request &req, httplib::Response &res) {
            const std::string kind = req.matches[2];
            const std::string host = req.get_header_value("Host");
            std::string location;
            if (kind == "absolute")
                location = "http://" + host + "/landing";
            else if (kind == "rooted")
                location = "/landing";
            else if (kind == "relative")
                location = "../../landing";
            else
                location = "//" + host + "/landing";
            res.status = std::stoi(req.matches[1]);
            res.set_header("Location", location);
            res.set_content("moved", "text/plain");
        });
        s.Get("/landing",
              [](const httplib::Request &, httplib::Response &res) { res.set_content("landed", "text/plain"); });
        s.Get("/dir/landing",
              [](const httplib::Request &, httplib::Response &res) { res.set_content("landed in dir", "text/plain"); });
    });
    for (const int status : {301, 302, 303, 307, 308}) {
        for (const std::string &kind : kinds) {
            const std::string expected = kind == "relative" ? "landed in dir" : "landed";
            EXPECT_EQ(HttpFetch(server.Base() + "/dir/from/" + std::to_string(status) + "/" + kind), expected)
                << status << " " << kind;
        }
    }
}

TEST_F(HttpFetchTest, CookieSetOnARedirectReachesTheNextHop) {
    HttpTestServer server([](httplib::Server &s) {
        s.Get("/login", [](const httplib::Request &, httplib::Response &res) {
            res.status = 302;
            res.set_header("Set-Cookie", "session=abc123; Path=/");
            res.set_header("Location", "/home");
        });
        s.Get("/home", [](const httplib::Request &req, httplib::Response &res) {
            res.set_content("cookie:" + req.get_header_value("Cookie"), "text/plain");
        });
    });
    EXPECT_EQ(HttpFetch(server.Base() + "/login"), "cookie:session=abc123");
    EXPECT_EQ(CookieStore::Instance().HeaderFor("127.0.0.1", "/", false), "session=abc123");
}

TEST_F(HttpFetchTest, RedirectLoopEndsAsAFailedFetch) {
    std::atomic<int> hits{0};
    HttpTestServer server([&](httplib::Server &s) {
        s.Get("/loop", [&](const httplib::Request &, httplib::Response &res) {
            ++hits;
            res.status = 302;
            res.set_header("Location", "/loop");
            res.set_content("again", "text/plain");
        });
    });
    EXPECT_EQ(HttpFetch(server.Base() + "/loop"), "");
    EXPECT_EQ(hits.load(), FetchLimits::MaxRedirects + 1);
}

TEST_F(HttpFetchTest, RedirectWithoutLocationReturnsItsBody) {
    RawServer server([](const RawConnection &c) { c.Send("HTTP/1.0 302 Found\r\nContent-Length: 5\r\n\r\nstays"); });
    EXPECT_EQ(HttpFetch(server.Base() + "/x"), "stays");
}

TEST_F(HttpFetchTest, SendsMatchingCookiesAndStoresTheOnesSet) {
    CookieStore &store = CookieStore::Instance();
    store.Add({"127.0.0.1", false, "/", false, false, 0, "sent", "1"});
    store.Add({"127.0.0.1", false, "/echo", false, false, 0, "deeper", "2"});
    store.Add({"example.com", false, "/", false, false, 0, "otherhost", "x"});
    store.Add({"127.0.0.1", false, "/", true, false, 0, "secureonly", "x"});
    store.Add({"127.0.0.1", false, "/elsewhere", false, false, 0, "otherpath", "x"});
    std::vector<Cookie> heard;
    store.SetReceivedListener([&](const Cookie &c) { heard.push_back(c); });

    HttpTestServer server([](httplib::Server &s) {
        s.Get("/echo/page", [](const httplib::Request &req, httplib::Response &res) {
            res.set_header("Set-Cookie", "fresh=new; Path=/");
            res.set_content(req.get_header_value("Cookie"), "text/plain");
        });
    });
    EXPECT_EQ(HttpFetch(server.Base() + "/echo/page"), "deeper=2; sent=1");
    EXPECT_EQ(HttpFetch(server.Base() + "/echo/page"), "deeper=2; sent=1; fresh=new");
    ASSERT_EQ(heard.size(), 2u);
    EXPECT_EQ(heard[0].name, "fresh");
    EXPECT_EQ(heard[0].value, "new");
    EXPECT_EQ(heard[0].domain, "127.0.0.1");
}

TEST_F(HttpFetchTest, HttpProxyVariableCarriesTheRequest) {
    RawServer proxy([](const RawConnection &c) { c.Send("HTTP/1.0 200 OK\r\n\r\nvia proxy"); });
    ScopedProxyEnv::Set("http_proxy", proxy.Base());
    CookieStore::Instance().Add({".taobao.com", true, "/", false, false, 0, "login", "yes"});

    EXPECT_EQ(HttpFetch("http://made-up-host.taobao.com/x?y=1"), "via proxy");
    const auto heads = proxy.Heads();
    ASSERT_EQ(heads.size(), 1u);
    EXPECT_EQ(heads[0].substr(0, heads[0].find("\r\n")), "GET http://made-up-host.taobao.com/x?y=1 HTTP/1.0");
    EXPECT_EQ(headerValue(heads[0], "Host"), "made-up-host.taobao.com");
    // Cookies follow the address's host, not the proxy's.
    EXPECT_EQ(headerValue(heads[0], "Cookie"), "login=yes");
}

TEST_F(HttpFetchTest, HttpsProxyVariableCarriesSecureRequests) {
    RawServer proxy([](const RawConnection &c) { c.Send("HTTP/1.1 403 Forbidden\r\nContent-Length: 0\r\n\r\n"); });
    ScopedProxyEnv::Set("https_proxy", proxy.Base());
    EXPECT_EQ(HttpFetch("https://made-up-host.taobao.com/x"), "");
    const auto heads = proxy.Heads();
    ASSERT_EQ(heads.size(), 1u);
    EXPECT_EQ(heads[0].substr(0, heads[0].find(' ')), "CONNECT");
    EXPECT_NE(heads[0].find("made-up-host.taobao.com:443"), std::string::npos) << heads[0];
}

TEST_F(HttpFetchTest, NoProxyVariableExemptsAHost) {
    RawServer server([](const RawConnection &c) { c.Send("HTTP/1.0 200 OK\r\n\r\ndirect"); });
    const std::string deadProxy = "http://127.0.0.1:" + std::to_string(test::RefusingPort());
    ScopedProxyEnv::Set("http_proxy", deadProxy);
    EXPECT_EQ(HttpFetch(server.Base() + "/x"), "") << "the proxy variable was not used";
    ScopedProxyEnv::Set("no_proxy", "127.0.0.1");
    EXPECT_EQ(HttpFetch(server.Base() + "/x"), "direct");
}

TEST_F(HttpFetchTest, BodyWithZeroBytesArrivesWhole) {
    const std::string body("GBK\xB5\xEA\0middle\0\0end", 17);
    HttpTestServer server([&](httplib::Server &s) {
        s.Get("/zero", [&](const httplib::Request &, httplib::Response &res) { res.set_content(body, "text/html"); });
    });
    const Bytes got = HttpFetch(server.Base() + "/zero");
    EXPECT_EQ(got.size(), body.size());
    EXPECT_EQ(got, body);
}

// Answers that end badly: what arrived before the failure is the result.
TEST_F(HttpFetchTest, BrokenAnswersYieldTheBytesReceivedSoFar) {
    struct Case {
        std::string name;
        std::function<void(const RawConnection &)> answer;
        std::string expected;
        bool heldOpen; // the server still holds the connection: the stall limit ended the fetch
    };
    const std::vector<Case> cases = {
        {"closed after part of the body",
         [](const RawConnection &c) { c.Send("HTTP/1.0 200 OK\r\nContent-Length: 100\r\n\r\nabc"); }, "abc", false},
        {"closed before any byte", [](const RawConnection &) {}, "", false},
        {"closed in the middle of the headers",
         [](const RawConnection &c) { c.Send("HTTP/1.0 200 OK\r\nContent-Len"); }, "", false},
        {"stalled after part of the body",
         [](const RawConnection &c) {
             c.Send("HTTP/1.0 200 OK\r\nContent-Length: 100\r\n\r\npartial");
             c.Hold();
         },
         "partial", true},
        {"stalled without a length",
         [](const RawConnection &c) {
             c.Send("HTTP/1.0 200 OK\r\n\r\nso far");
             c.Hold();
         },
         "so far", true},
        {"stalled before answering", [](const RawConnection &c) { c.Hold(); }, "", true},
    };
    SetStallTimeoutForTesting(std::chrono::milliseconds(500));
    for (const Case &c : cases) {
        RawServer server(c.answer);
        EXPECT_EQ(HttpFetch(server.Base() + "/x"), c.expected) << c.name;
        EXPECT_EQ(server.Holding(), c.heldOpen) << c.name;
        server.Release();
    }
}

TEST_F(HttpFetchTest, SlowButSteadyServerIsNotCutOff) {
    // Bytes keep coming, so the stall limit never fires, although the whole
    // answer takes longer than that limit.
    SetStallTimeoutForTesting(std::chrono::milliseconds(1000));
    RawServer server([](const RawConnection &c) {
        c.Send("HTTP/1.0 200 OK\r\nContent-Length: 25\r\n\r\n");
        for (int i = 0; i < 25; ++i) {
            c.Pause(std::chrono::milliseconds(100));
            c.Send(std::string(1, static_cast<char>('a' + i)));
        }
    });
    EXPECT_EQ(HttpFetch(server.Base() + "/slow"), "abcdefghijklmnopqrstuvwxy");
}

TEST_F(HttpFetchTest, BodyOverTheCapIsAFailedFetch) {
    constexpr std::size_t cap = 1000;
    struct Case {
        std::string name;
        std::size_t size;
        std::string framing; // "length", "close" or "chunked"
    };
    const std::vector<Case> cases = {
        {"at the cap with a length", cap, "length"},
        {"over the cap with a length", cap + 1, "length"},
        {"at the cap without a length", cap, "close"},
        {"over the cap without a length", cap + 1, "close"},
        {"far over the cap without a length", 20 * cap, "close"},
        {"over the cap in chunks", cap + 1, "chunked"},
        {"at the cap in chunks", cap, "chunked"},
    };
    SetMaxBodyForTesting(cap);
    for (const Case &c : cases) {
        const std::string body(c.size, 'x');
        RawServer server([&](const RawConnection &conn) {
            if (c.framing == "length") {
                conn.Send("HTTP/1.0 200 OK\r\nContent-Length: " + std::to_string(c.size) + "\r\n\r\n" + body);
            } else if (c.framing == "close") {
                conn.Send("HTTP/1.0 200 OK\r\n\r\n" + body);
            } else {
                std::string chunked = "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\nConnection: close\r\n\r\n";
                for (std::size_t at = 0; at < body.size(); at += 300) {
                    const std::size_t n = std::min<std::size_t>(300, body.size() - at);
                    char size[16];
                    std::snprintf(size, sizeof size, "%zx\r\n", n);
                    chunked += size + body.substr(at, n) + "\r\n";
                }
                conn.Send(chunked + "0\r\n\r\n");
            }
        });
        const Bytes got = HttpFetch(server.Base() + "/big");
        EXPECT_EQ(got.size(), c.size <= cap ? c.size : 0u) << c.name;
    }
}

TEST_F(HttpFetchTest, ManyThreadsFetchAtOnce) {
    constexpr int threads = 8;
    constexpr int perThread = 20;
    RawServer server(
        [](const RawConnection &c) {
            // "GET /par/<thread>/<index> HTTP/1.0"
            const std::string &head = c.Head();
            const auto start = head.find("/par/") + 5;
            const auto slash = head.find('/', start);
            const std::string t = head.substr(start, slash - start);
            const std::string i = head.substr(slash + 1, head.find(' ', slash) - slash - 1);
            const std::string cookie = headerValue(head, "Cookie");
            const std::string body = "body " + t + " " + i + " cookie[" + (cookie == "<absent>" ? "" : cookie) + "]";
            c.Send("HTTP/1.0 200 OK\r\nSet-Cookie: t" + t + "=" + i + "; Path=/par/" + t +
                   "\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body);
        },
        /*concurrent=*/true);
    std::atomic<int> heard{0};
    CookieStore::Instance().SetReceivedListener([&](const Cookie &) { ++heard; });

    std::vector<std::vector<std::string>> bodies(threads);
    std::vector<std::thread> workers;
    workers.reserve(threads);
    for (int t = 0; t < threads; ++t) {
        workers.emplace_back([&, t] {
            for (int i = 0; i < perThread; ++i)
                bodies[t].push_back(HttpFetch(server.Base() + "/par/" + std::to_string(t) + "/" + std::to_string(i)));
        });
    }
    // Meanwhile the desktop side reads and writes the same store.
    std::thread browser([] {
        for (int i = 0; i < 200; ++i) {
            CookieStore::Instance().Add({"127.0.0.1", false, "/browser", false, false, 0, "b", std::to_string(i)});
            (void)CookieStore::Instance().All();
            (void)CookieStore::Instance().HeaderFor("127.0.0.1", "/par/0", false);
        }
    });
    for (auto &w : workers)
        w.join();
    browser.join();

    for (int t = 0; t < threads; ++t) {
        ASSERT_EQ(bodies[t].size(), static_cast<std::size_t>(perThread));
        for (int i = 0; i < perThread; ++i) {
            // Each thread's fetches run in order, so each sees the cookie its previous fetch received.
            const std::string cookie = i == 0 ? "" : "t" + std::to_string(t) + "=" + std::to_string(i - 1);
            EXPECT_EQ(bodies[t][i], "body " + std::to_string(t) + " " + std::to_string(i) + " cookie[" + cookie + "]");
        }
    }
    EXPECT_EQ(heard.load(), threads * perThread);
}

} // namespace
} // namespace rongfan
