// Workers, the program's folder, writing files, the openers and cache clearing.
#include "host/Host.h"
#include "host/CookieStore.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <future>
#include <latch>
#include <memory>
#include <sstream>
#include <thread>

namespace rongfan {
namespace {

namespace fs = std::filesystem;

std::string readFile(const fs::path &path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

class TempDir {
public:
    TempDir() {
        m_path = fs::temp_directory_path() / ("rongfan-host-" + std::to_string(::getpid()) + "-" +
                                              ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(m_path);
        fs::create_directories(m_path);
    }
    ~TempDir() { fs::remove_all(m_path); }
    const fs::path &Path() const { return m_path; }

private:
    fs::path m_path;
};

TEST(StartWorker, RunsTheRoutineOnAnotherThread) {
    // Shared ownership: the detached worker may still be finishing set_value when the test returns.
    auto ran = std::make_shared<std::promise<std::thread::id>>();
    auto result = ran->get_future();
    StartWorker([ran] { ran->set_value(std::this_thread::get_id()); });
    EXPECT_NE(result.get(), std::this_thread::get_id());
}

TEST(StartWorker, WorkersRunSideBySide) {
    // Each waits for the other at the meeting point: this only finishes when both run at once.
    auto meet = std::make_shared<std::latch>(2);
    auto done = std::make_shared<std::latch>(2);
    for (int i = 0; i < 2; ++i) {
        StartWorker([meet, done] {
            meet->arrive_and_wait();
            done->count_down();
        });
    }
    done->wait();
}

TEST(RunDirectory, IsTheExecutablesFolderWithoutTrailingSlash) {
    const std::string dir = RunDirectory();
    ASSERT_FALSE(dir.empty());
    EXPECT_NE(dir.back(), '/');
    EXPECT_TRUE(fs::equivalent(dir, RONGFAN_HOST_TESTS_DIR)) << dir << " vs " << RONGFAN_HOST_TESTS_DIR;
}

TEST(WriteWholeFile, CreatesOrTruncatesAndKeepsEveryByte) {
    TempDir tmp;
    const fs::path target = tmp.Path() / "report.html";
    struct Case {
        const char *name;
        std::string bytes;
    };
    const Case cases[] = {
        {"new file", std::string("<html>\xB5\xEA\xC6\xCC</html>")},
        {"shorter content truncates", "short"},
        {"zero bytes stay", std::string("a\0b\0", 4)},
        {"empty content", ""},
        {"large content", std::string(3 * 1024 * 1024 + 7, 'x')},
    };
    for (const Case &c : cases) {
        const WriteResult r = WriteWholeFile(target.string(), c.bytes);
        EXPECT_TRUE(r.ok) << c.name << ": " << r.error;
        EXPECT_TRUE(r.error.empty()) << c.name;
        EXPECT_EQ(readFile(target), c.bytes) << c.name;
    }
}

TEST(WriteWholeFile, FailsClearlyWhenItCannot) {
    TempDir tmp;
    const fs::path readOnlyDir = tmp.Path() / "locked";
    fs::create_directories(readOnlyDir);
    ::chmod(readOnlyDir.c_str(), 0500);
    const bool root = ::geteuid() == 0; // root writes anyway, so that case proves nothing then

    struct Case {
        const char *name;
        std::string path;
        bool skipAsRoot;
    };
    const Case cases[] = {
        {"empty path", "", false},
        {"a folder", tmp.Path().string(), false},
        {"missing folder", (tmp.Path() / "missing" / "x.html").string(), false},
        {"folder without write permission", (readOnlyDir / "x.html").string(), true},
        {"a device that is full", "/dev/full", false},
    };
    for (const Case &c : cases) {
        if (c.skipAsRoot && root) continue;
        const WriteResult r = WriteWholeFile(c.path, "some bytes");
        EXPECT_FALSE(r.ok) << c.name;
        EXPECT_FALSE(r.error.empty()) << c.name;
        if (!c.path.empty()) {
            EXPECT_NE(r.error.find(c.path), std::string::npos) << c.name << ": " << r.error;
        }
    }
    ::chmod(readOnlyDir.c_str(), 0700);
}

class OpenerTest : public ::testing::Test {
protected:
    void TearDown() override {
        SetOpenInBrowserHook(nullptr);
        SetOpenWithShellHook(nullptr);
        SetOpenerProgramForTesting("");
    }

    // An opener that writes its arguments, one per line, to `out` once it has them all.
    fs::path writeRecordingOpener(const fs::path &out) const {
        fs::path script = m_tmp.Path() / "opener.sh";
        std::ofstream(script) << "#!/bin/sh\n"
                                 "{ echo \"$#\"; for a in \"$@\"; do printf '%s\\n' \"$a\"; done; } > '"
                              << out.string() << ".part'\n"
                              << "mv '" << out.string() << ".part' '" << out.string() << "'\n";
        fs::permissions(script, fs::perms::owner_all);
        return script;
    }

    // The opener runs detached, so wait for its file (a liveness bound, not a timing check).
    static std::string awaitFile(const fs::path &path) {
        for (int i = 0; i < 3000 && !fs::exists(path); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        return readFile(path);
    }

    TempDir m_tmp;
};

TEST_F(OpenerTest, HooksReceiveTheAddressOrPath) {
    std::vector<std::string> browser;
    std::vector<std::string> shell;
    SetOpenInBrowserHook([&](const std::string &a) { browser.push_back(a); });
    SetOpenWithShellHook([&](const std::string &p) { shell.push_back(p); });
    OpenInBrowser("http://item.taobao.com/item.htm?id=1");
    OpenWithShell("/home/user/shop.html");
    EXPECT_EQ(browser, std::vector<std::string>{"http://item.taobao.com/item.htm?id=1"});
    EXPECT_EQ(shell, std::vector<std::string>{"/home/user/shop.html"});
}

TEST_F(OpenerTest, DefaultOpenerGetsTheAddressAsOneArgumentNoShellInBetween) {
    const fs::path out = m_tmp.Path() / "args.txt";
    const fs::path canary = m_tmp.Path() / "canary";
    SetOpenerProgramForTesting(writeRecordingOpener(out).string());
    const std::string address = "http://shop.example/search.htm?a=1&b=2;touch " + canary.string() + " $(touch " +
                                canary.string() + ") `touch " + canary.string() + "` 'q\"";
    OpenInBrowser(address);
    EXPECT_EQ(awaitFile(out), "1\n" + address + "\n");
    EXPECT_FALSE(fs::exists(canary));
}

TEST_F(OpenerTest, DefaultShellOpenerKeepsALeadingDashFromBeingAnOption) {
    const fs::path out = m_tmp.Path() / "args.txt";
    SetOpenerProgramForTesting(writeRecordingOpener(out).string());
    OpenWithShell("--manual");
    EXPECT_EQ(awaitFile(out), "1\n./--manual\n");
}

TEST_F(OpenerTest, MissingOpenerProgramIsHarmless) {
    SetOpenerProgramForTesting((m_tmp.Path() / "no-such-opener").string());
    OpenInBrowser("http://shop.example/");
    OpenWithShell("/tmp");
}

TEST(ClearBrowserCache, ClearsTheEngineCookiesAndCallsTheHook) {
    struct Case {
        CacheMode mode;
        bool cookiesRemain;
    };
    const Case cases[] = {{CacheMode::TemporaryFiles, true}, {CacheMode::Cookies, false}};
    for (const Case &c : cases) {
        CookieStore::Instance().Clear();
        CookieStore::Instance().Add({".taobao.com", true, "/", false, false, 0, "login", "1"});
        std::vector<CacheMode> heard;
        SetClearBrowserCacheHook([&](CacheMode m) { heard.push_back(m); });
        ClearBrowserCache(c.mode);
        EXPECT_EQ(heard, std::vector<CacheMode>{c.mode});
        EXPECT_EQ(CookieStore::Instance().All().empty(), !c.cookiesRemain);
    }
    SetClearBrowserCacheHook(nullptr);
    ClearBrowserCache(CacheMode::Cookies); // no hook registered: the engine's part alone
    EXPECT_TRUE(CookieStore::Instance().All().empty());
}

} // namespace
} // namespace rongfan
