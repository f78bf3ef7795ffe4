// Closing the desktop program while a walker, a harvester or an export runs on
// its worker: the process ends by itself with exit code 0 and no crash, and
// does not wait for the worker. The step is held up by a server that stalls
// for ten minutes, far beyond the deadline, so waiting for it would be a hang.
#include <gtest/gtest.h>

#include <filesystem>

#include "support/Marketsim.h"

namespace rongfan::testing {
namespace {

namespace fs = std::filesystem;

TEST(DesktopShutdown, ClosingDuringAStepEndsTheProcess) {
    const struct {
        const char* step;
        const char* stalled;  // the requests that never get an answer
    } cases[] = {
        {"walk", "pageNo=2"},
        {"harvest", "item.htm"},
        {"export", "item.htm"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.step);
        std::string pattern = (fs::temp_directory_path() / "rongfan-shutdown-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        const fs::path dir = pattern;
        Marketsim market({"--lifetime", "900", "--latency-ms", "50", "--stall", "1", "--stall-seconds", "600",
                          "--fault-on", c.stalled, "--shop", "kind=taobao-async,host=shutdown.taobao.com,items=100"});
        ASSERT_GT(market.Port(), 0);
        const ChildResult run = RunChild({RONGFAN_DESKTOP_HOOKS},
                                         {{"http_proxy", market.Proxy()},
                                          {"HTTP_PROXY", ""},
                                          {"https_proxy", ""},
                                          {"no_proxy", ""},
                                          {"NO_PROXY", ""},
                                          {"QT_QPA_PLATFORM", "offscreen"},
                                          {"QTWEBENGINE_DISABLE_SANDBOX", "1"},
                                          {"QT_LOGGING_RULES", "qt.webenginecontext.info=false"},
                                          {"RONGFAN_PROBE_SHOP", "http://shutdown.taobao.com"},
                                          {"RONGFAN_PROBE_CLOSE_WHEN", c.step},
                                          {"RONGFAN_PROBE_FOLDER", dir.string()}},
                                         std::chrono::seconds(120));
        EXPECT_FALSE(run.hung) << run.out << run.err;
        EXPECT_EQ(run.signal, 0) << run.err;
        EXPECT_FALSE(run.sanitizerReport) << run.err;
        EXPECT_EQ(run.exitCode, 0) << run.err;
        EXPECT_NE(run.out.find(std::string("closing during ") + c.step), std::string::npos) << run.out << run.err;
        // An export cut off by the end of the process leaves no half-written file behind.
        for (const auto& entry : fs::directory_iterator(dir))
            EXPECT_EQ(entry.path().extension(), ".html") << entry.path();
        fs::remove_all(dir);
    }
}

}  // namespace
}  // namespace rongfan::testing
