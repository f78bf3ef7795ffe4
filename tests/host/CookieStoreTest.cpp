// The process-wide cookie store: which cookies apply to which address, how
// Set-Cookie lines become cookies, replacement and deletion, cookies.txt.
#include "host/CookieStore.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>

namespace rongfan {
namespace {

std::int64_t utc(int year, int month, int day, int hour, int minute, int second) {
    std::tm t{};
    t.tm_year = year - 1900;
    t.tm_mon = month - 1;
    t.tm_mday = day;
    t.tm_hour = hour;
    t.tm_min = minute;
    t.tm_sec = second;
    return static_cast<std::int64_t>(timegm(&t));
}

std::int64_t now() {
    return static_cast<std::int64_t>(std::time(nullptr));
}

std::string describe(const Cookie &c) {
    std::ostringstream out;
    out << c.domain << (c.includeSubdomains ? " sub " : " host ") << c.path << (c.secure ? " secure" : "")
        << (c.httpOnly ? " httponly" : "") << " exp=" << c.expires << " " << c.name << "=" << c.value;
    return out.str();
}

std::vector<std::string> describeAll(const std::vector<Cookie> &cookies) {
    std::vector<std::string> out;
    out.reserve(cookies.size());
    for (const Cookie &c : cookies)
        out.push_back(describe(c));
    std::sort(out.begin(), out.end());
    return out;
}

class CookieStoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        store().Clear();
        store().SetReceivedListener(nullptr);
    }
    void TearDown() override {
        store().SetReceivedListener(nullptr);
        store().Clear();
    }
    static CookieStore &store() { return CookieStore::Instance(); }
};

TEST(CookieMatching, DomainMatchesItselfAndSubdomainsOnlyWhenAllowed) {
    struct Case {
        const char *cookieDomain;
        bool includeSubdomains;
        const char *host;
        bool expected;
    };
    const Case cases[] = {
        {".taobao.com", true, "shop.taobao.com", true},
        {".taobao.com", true, "taobao.com", true},
        {".taobao.com", true, "a.b.taobao.com", true},
        {".taobao.com", false, "shop.taobao.com", true}, // the dot alone says subdomains
        {"taobao.com", true, "shop.taobao.com", true},
        {"taobao.com", false, "shop.taobao.com", false}, // host-only
        {"taobao.com", false, "taobao.com", true},
        {".taobao.com", true, "nottaobao.com", false}, // a suffix, but not at a dot
        {".taobao.com", true, "taobao.com.evil.example", false},
        {"item.taobao.com", false, "taobao.com", false},
        {".item.taobao.com", true, "taobao.com", false},
        {".TaoBao.COM", true, "Shop.TAOBAO.com", true},
        {"127.0.0.1", false, "127.0.0.1", true},
        {".0.0.1", true, "127.0.0.1", false}, // addresses have no subdomains
        {"", true, "taobao.com", false},
        {".", true, "taobao.com", false},
        {".taobao.com", true, "", false},
    };
    for (const Case &c : cases)
        EXPECT_EQ(CookieDomainMatches(c.cookieDomain, c.includeSubdomains, c.host), c.expected)
            << c.cookieDomain << (c.includeSubdomains ? " (sub) " : " ") << "vs " << c.host;
}

TEST(CookieMatching, PathMatchesAtSlashBoundaries) {
    struct Case {
        const char *cookiePath;
        const char *requestPath;
        bool expected;
    };
    const Case cases[] = {
        {"/", "/", true},
        {"/", "/search.htm", true},
        {"/", "", true},
        {"/shop", "/shop", true},
        {"/shop", "/shop/item.htm", true},
        {"/shop", "/shopping", false},
        {"/shop/", "/shop/item.htm", true},
        {"/shop/", "/shop", false},
        {"/shop/item", "/shop", false},
        {"/Shop", "/shop", false}, // paths are case-sensitive
        {"/a/b", "/a/b/c/d", true},
        {"/a/b", "/a/bc/d", false},
    };
    for (const Case &c : cases)
        EXPECT_EQ(CookiePathMatches(c.cookiePath, c.requestPath), c.expected)
            << c.cookiePath << " vs " << c.requestPath;
}

TEST_F(CookieStoreTest, SetCookieLinesBecomeCookies) {
    const std::int64_t in2100 = utc(2100, 6, 9, 10, 18, 14);
    struct Case {
        const char *host;
        const char *requestPath;
        std::string line;
        std::optional<Cookie> expected; // nullopt: rejected
    };
    const auto cookie = [](std::string domain, std::string path, std::string name, std::string value) {
        Cookie c;
        c.domain = std::move(domain);
        c.includeSubdomains = c.domain.front() == '.';
        c.path = std::move(path);
        c.name = std::move(name);
        c.value = std::move(value);
        return c;
    };
    const auto with = [](Cookie c, auto change) {
        change(c);
        return c;
    };
    const std::vector<Case> cases = {
        {"shop.taobao.com", "/search.htm", "a=1", cookie("shop.taobao.com", "/", "a", "1")},
        {"shop.taobao.com", "/dir/page.htm", "a=1", cookie("shop.taobao.com", "/dir", "a", "1")},
        {"shop.taobao.com", "/dir/sub/", "a=1", cookie("shop.taobao.com", "/dir/sub", "a", "1")},
        {"Shop.TaoBao.com", "/", "a=1", cookie("shop.taobao.com", "/", "a", "1")},
        {"shop.taobao.com", "/", "a=1; Domain=.taobao.com; Path=/x; Secure; HttpOnly",
         with(cookie(".taobao.com", "/x", "a", "1"), [](Cookie &c) { c.secure = c.httpOnly = true; })},
        {"shop.taobao.com", "/", "a=1; domain=TAOBAO.COM; path=/", cookie(".taobao.com", "/", "a", "1")},
        {"shop.taobao.com", "/", "a=1; Domain=shop.taobao.com", cookie(".shop.taobao.com", "/", "a", "1")},
        {"shop.taobao.com", "/", "a=1; Domain=", cookie("shop.taobao.com", "/", "a", "1")},
        {"shop.taobao.com", "/", "a=1; Domain=tmall.com", std::nullopt},
        {"shop.taobao.com", "/", "a=1; Domain=com", std::nullopt},
        {"shop.taobao.com", "/", "a=1; Domain=hop.taobao.com", std::nullopt},
        {"taobao.com", "/", "a=1; Domain=shop.taobao.com", std::nullopt},
        {"127.0.0.1", "/", "a=1; Domain=127.0.0.1", cookie("127.0.0.1", "/", "a", "1")},
        {"127.0.0.1", "/", "a=1; Domain=0.0.1", std::nullopt},
        {"h.example", "/a/b", "a=1; Path=relative", cookie("h.example", "/a", "a", "1")},
        {"h.example", "/", " name = spaced value ;Path=/", cookie("h.example", "/", "name", "spaced value")},
        {"h.example", "/", "Set-Cookie: x=y", cookie("h.example", "/", "x", "y")},
        {"h.example", "/", "tok=a=b=c", cookie("h.example", "/", "tok", "a=b=c")},
        {"h.example", "/", "empty=", cookie("h.example", "/", "empty", "")},
        {"h.example", "/", "q=\"quoted\"", cookie("h.example", "/", "q", "\"quoted\"")},
        {"h.example", "/", "novalue", std::nullopt},
        {"h.example", "/", "=v", std::nullopt},
        {"h.example", "/", "", std::nullopt},
        {"h.example", "/", "bad=a\x01b", std::nullopt},
        {"h.example", "/", "a=1; Expires=Wed, 09 Jun 2100 10:18:14 GMT",
         with(cookie("h.example", "/", "a", "1"), [&](Cookie &c) { c.expires = in2100; })},
        {"h.example", "/", "a=1; expires=Wednesday, 09-Jun-2100 10:18:14 GMT",
         with(cookie("h.example", "/", "a", "1"), [&](Cookie &c) { c.expires = in2100; })},
        {"h.example", "/", "a=1; Expires=not a date", cookie("h.example", "/", "a", "1")},
        {"h.example", "/", "a=1; Max-Age=soon", cookie("h.example", "/", "a", "1")},
    };
    for (const Case &c : cases) {
        store().Clear();
        store().StoreFromResponse(c.host, c.requestPath, c.line);
        const auto all = store().All();
        if (!c.expected) {
            EXPECT_TRUE(all.empty()) << c.line << " was stored as " << describe(all.front());
            continue;
        }
        ASSERT_EQ(all.size(), 1u) << c.line;
        EXPECT_EQ(describe(all.front()), describe(*c.expected)) << c.line;
    }
}

TEST_F(CookieStoreTest, MaxAgeCountsFromNowAndWinsOverExpires) {
    const std::int64_t before = now();
    store().StoreFromResponse("h.example", "/", "a=1; Expires=Wed, 09 Jun 2100 10:18:14 GMT; Max-Age=3600");
    const std::int64_t after = now();
    const auto all = store().All();
    ASSERT_EQ(all.size(), 1u);
    EXPECT_GE(all[0].expires, before + 3600);
    EXPECT_LE(all[0].expires, after + 3600);
}

TEST_F(CookieStoreTest, ResponsesReplaceAndDeleteStoredCookies) {
    struct Case {
        std::string line;
        std::vector<std::string> expected; // described, sorted
    };
    const std::string original = "h.example host / exp=0 a=old";
    const std::vector<Case> cases = {
        {"a=new", {"h.example host / exp=0 a=new"}},
        {"a=gone; Max-Age=0", {}},
        {"a=gone; Max-Age=-5", {}},
        {"a=gone; Expires=Thu, 01 Jan 1970 00:00:00 GMT", {}},
        {"a=gone; Expires=Sun, 06 Nov 1994 08:49:37 GMT", {}},
        {"a=other; Path=/sub", {"h.example host / exp=0 a=old", "h.example host /sub exp=0 a=other"}},
        {"b=2", {"h.example host / exp=0 a=old", "h.example host / exp=0 b=2"}},
        // Host-only and domain cookies of one name live side by side, as in the browser.
        {"a=wide; Domain=h.example", {".h.example sub / exp=0 a=wide", "h.example host / exp=0 a=old"}},
        {"a=gone; Domain=h.example; Max-Age=0", {"h.example host / exp=0 a=old"}},
    };
    for (const Case &c : cases) {
        store().Clear();
        store().StoreFromResponse("h.example", "/", "a=old");
        ASSERT_EQ(describeAll(store().All()), std::vector<std::string>{original});
        store().StoreFromResponse("h.example", "/", c.line);
        EXPECT_EQ(describeAll(store().All()), c.expected) << c.line;
    }
}

TEST_F(CookieStoreTest, AddNormalisesAndRejectsCookiesThatWouldCorruptHeaders) {
    const auto make = [](std::string domain, bool sub, std::string path, std::string name, std::string value) {
        Cookie c;
        c.domain = std::move(domain);
        c.includeSubdomains = sub;
        c.path = std::move(path);
        c.name = std::move(name);
        c.value = std::move(value);
        return c;
    };
    struct Case {
        Cookie given;
        std::optional<std::string> stored; // described; nullopt: ignored
    };
    const std::vector<Case> cases = {
        {make("TaoBao.COM", true, "/", "a", "1"), ".taobao.com sub / exp=0 a=1"},
        {make(".taobao.com", false, "/", "a", "1"), ".taobao.com sub / exp=0 a=1"},
        {make("..taobao.com", true, "/", "a", "1"), ".taobao.com sub / exp=0 a=1"},
        {make("item.taobao.com", false, "", "a", "1"), "item.taobao.com host / exp=0 a=1"},
        {make("127.0.0.1", true, "/", "a", "1"), "127.0.0.1 host / exp=0 a=1"},
        {make("h.example", false, "/", "a", "x;injected=1"), std::nullopt},
        {make("h.example", false, "/", "a=b", "1"), std::nullopt},
        {make("h.example", false, "/", "a", "line\r\nX-Evil: 1"), std::nullopt},
        {make("h.example", false, "/", "a", "tab\there"), std::nullopt},
        {make("h.example", false, "/", "", "1"), std::nullopt},
        {make("", false, "/", "a", "1"), std::nullopt},
        {make(".", true, "/", "a", "1"), std::nullopt},
        {make("h example", false, "/", "a", "1"), std::nullopt},
    };
    for (const Case &c : cases) {
        store().Clear();
        store().Add(c.given);
        const auto all = store().All();
        if (!c.stored) {
            EXPECT_TRUE(all.empty()) << describe(c.given);
            continue;
        }
        ASSERT_EQ(all.size(), 1u) << describe(c.given);
        EXPECT_EQ(describe(all[0]), *c.stored);
    }
}

TEST_F(CookieStoreTest, AddReplacesRemoveDeletesAndExpiredAddDeletes) {
    store().Add({".taobao.com", true, "/", false, false, 0, "a", "1"});
    store().Add({".taobao.com", true, "/", false, false, 0, "a", "2"});
    store().Add({"taobao.com", false, "/", false, false, 0, "a", "host"});
    store().Add({".taobao.com", true, "/x", false, false, 0, "a", "deeper"});
    EXPECT_EQ(describeAll(store().All()),
              (std::vector<std::string>{".taobao.com sub / exp=0 a=2", ".taobao.com sub /x exp=0 a=deeper",
                                        "taobao.com host / exp=0 a=host"}));

    store().Remove(".TAOBAO.com", "/", "a");
    EXPECT_EQ(describeAll(store().All()),
              (std::vector<std::string>{".taobao.com sub /x exp=0 a=deeper", "taobao.com host / exp=0 a=host"}));
    store().Remove("taobao.com", "/", "a");
    store().Remove(".taobao.com", "/x", "missing");
    EXPECT_EQ(describeAll(store().All()), std::vector<std::string>{".taobao.com sub /x exp=0 a=deeper"});

    store().Add({".taobao.com", true, "/x", false, false, now() - 10, "a", "expired"});
    EXPECT_TRUE(store().All().empty());
}

TEST_F(CookieStoreTest, HeaderListsMatchingCookiesMostSpecificPathFirst) {
    store().Add({".taobao.com", true, "/", false, false, 0, "wide", "1"});
    store().Add({"shop.taobao.com", false, "/search", false, false, 0, "deep", "2"});
    store().Add({"shop.taobao.com", false, "/", true, false, 0, "safe", "3"});
    store().Add({"other.taobao.com", false, "/", false, false, 0, "other", "4"});
    store().Add({".tmall.com", true, "/", false, false, 0, "tmall", "5"});
    store().Add({"shop.taobao.com", false, "/", false, false, now() + 3600, "later", "6"});
    struct Case {
        const char *host;
        const char *path;
        bool secure;
        const char *expected;
    };
    const Case cases[] = {
        {"shop.taobao.com", "/search.htm", false, "wide=1; later=6"},
        {"shop.taobao.com", "/search/x", false, "deep=2; wide=1; later=6"},
        {"shop.taobao.com", "/search/x", true, "deep=2; wide=1; safe=3; later=6"},
        {"other.taobao.com", "/", false, "wide=1; other=4"},
        {"taobao.com", "/", false, "wide=1"},
        {"detail.tmall.com", "/item.htm", false, "tmall=5"},
        {"example.com", "/", true, ""},
    };
    for (const Case &c : cases)
        EXPECT_EQ(store().HeaderFor(c.host, c.path, c.secure), c.expected) << c.host << c.path;
}

class CookieFileTest : public CookieStoreTest {
protected:
    void SetUp() override {
        CookieStoreTest::SetUp();
        m_dir =
            std::filesystem::temp_directory_path() / ("rongfan-cookies-" + std::to_string(::getpid()) + "-" +
                                                      ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(m_dir);
    }
    void TearDown() override {
        std::filesystem::remove_all(m_dir);
        CookieStoreTest::TearDown();
    }
    std::string file(const char *name) const { return (m_dir / name).string(); }
    std::filesystem::path m_dir;
};

TEST_F(CookieFileTest, ExportThenImportGivesTheSameCookies) {
    const std::int64_t later = now() + 86400;
    const std::vector<Cookie> cookies = {
        {".taobao.com", true, "/", false, false, 0, "session", "s1"},
        {"shop.taobao.com", false, "/search", false, false, later, "deep", "v=2&x"},
        {".tmall.com", true, "/", true, true, later, "secure_http_only", "3"},
        {"127.0.0.1", false, "/", false, true, 0, "local", ""},
        {"h.example", false, "/", false, false, later, "gbk", "\xB5\xEA\xC6\xCC"},
    };
    for (const Cookie &c : cookies)
        store().Add(c);
    const auto before = describeAll(store().All());
    ASSERT_EQ(before.size(), cookies.size());

    ASSERT_TRUE(store().ExportNetscape(file("cookies.txt")));
    store().Clear();
    EXPECT_EQ(store().ImportNetscape(file("cookies.txt")), static_cast<int>(cookies.size()));
    EXPECT_EQ(describeAll(store().All()), before);
}

TEST_F(CookieFileTest, ImportsWhatCurlAndBrowserExtensionsWrite) {
    const std::int64_t later = now() + 86400;
    const std::string l = std::to_string(later);
    {
        std::ofstream out(file("in.txt"), std::ios::binary);
        out << "# Netscape HTTP Cookie File\r\n"
               "# https://curl.se/docs/http-cookies.html\r\n"
               "\r\n"
               ".taobao.com\tTRUE\t/\tFALSE\t"
            << l
            << "\tcookie2\tabc\r\n"
               "#HttpOnly_.taobao.com\tTRUE\t/\tTRUE\t0\t_tb_token_\txyz\r\n"
               "shop.taobao.com\tFALSE\t/search\tFALSE\t"
            << l
            << "\tempty\t\n"
               "shop.taobao.com\tFALSE\t/\tFALSE\t"
            << l
            << "\tnovaluefield\n"
               "# a comment\tthat\tlooks\tlike\ta\tcookie\tline\n"
               "old.taobao.com\tFALSE\t/\tFALSE\t1000\texpired\tx\n"
               "broken line without tabs\n"
               "too\tfew\tfields\n"
               "bad.taobao.com\tFALSE\t/\tFALSE\tsoon\tbadexpiry\tx\n"
               "last.taobao.com\tfalse\t/\tfalse\t0\tnoeol\tz";
    }
    EXPECT_EQ(store().ImportNetscape(file("in.txt")), 5);
    EXPECT_EQ(describeAll(store().All()), (std::vector<std::string>{
                                              ".taobao.com sub / exp=" + l + " cookie2=abc",
                                              ".taobao.com sub / secure httponly exp=0 _tb_token_=xyz",
                                              "last.taobao.com host / exp=0 noeol=z",
                                              "shop.taobao.com host / exp=" + l + " novaluefield=",
                                              "shop.taobao.com host /search exp=" + l + " empty=",
                                          }));
}

TEST_F(CookieFileTest, ExportMarksHttpOnlyCookiesAsCurlDoes) {
    store().Add({".taobao.com", true, "/", true, true, 0, "tok", "1"});
    store().Add({"shop.taobao.com", false, "/", false, false, 0, "plain", "2"});
    ASSERT_TRUE(store().ExportNetscape(file("out.txt")));
    std::ifstream in(file("out.txt"), std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    EXPECT_NE(text.str().find("#HttpOnly_.taobao.com\tTRUE\t/\tTRUE\t0\ttok\t1\n"), std::string::npos) << text.str();
    EXPECT_NE(text.str().find("\nshop.taobao.com\tFALSE\t/\tFALSE\t0\tplain\t2\n"), std::string::npos) << text.str();
}

TEST_F(CookieFileTest, UnreadableOrUnwritableFilesFail) {
    EXPECT_EQ(store().ImportNetscape(file("missing.txt")), -1);
    EXPECT_EQ(store().ImportNetscape(m_dir.string()), -1);
    EXPECT_FALSE(store().ExportNetscape(file("no-such-folder/cookies.txt")));
    EXPECT_FALSE(store().ExportNetscape(m_dir.string()));
}

TEST_F(CookieStoreTest, ListenerHearsReceivedCookiesOutsideTheLock) {
    std::vector<std::string> heard;
    std::vector<std::size_t> sizesSeen;
    store().SetReceivedListener([&](const Cookie &c) {
        heard.push_back(describe(c));
        // Calling back into the store must not deadlock, and the cookie is already in it.
        sizesSeen.push_back(store().All().size());
    });
    store().StoreFromResponse("shop.taobao.com", "/", "a=1; Domain=taobao.com");
    store().StoreFromResponse("shop.taobao.com", "/", "bad=1; Domain=tmall.com");
    store().StoreFromResponse("shop.taobao.com", "/", "a=1; Domain=taobao.com; Max-Age=0");
    store().Add({"h.example", false, "/", false, false, 0, "fromBrowser", "1"});

    ASSERT_EQ(heard.size(), 2u);
    EXPECT_EQ(heard[0], ".taobao.com sub / exp=0 a=1");
    EXPECT_EQ(heard[1], ".taobao.com sub / exp=1 a=1"); // tells the browser to delete its copy
    EXPECT_EQ(sizesSeen, (std::vector<std::size_t>{1, 0}));
}

} // namespace
} // namespace rongfan
