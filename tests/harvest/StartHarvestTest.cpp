#include <gtest/gtest.h>

#include <future>
#include <string>
#include <thread>

#include "../support/RecorderWindow.h"
#include "harvest/Harvesters.h"
#include "text/Gbk.h"

namespace rongfan {
namespace {

using testing::RecorderWindow;

// Signals when the end text arrives, so the test can wait for the worker.
class EndSignalWindow : public RecorderWindow {
public:
    void SetStatus(std::string_view text) override {
        RecorderWindow::SetStatus(text);
        if (text == Utf8ToGbk("已完成任务！")) done.set_value();
    }
    std::promise<void> done;
};

TEST(StartHarvest, HarvestsOnAnotherThreadWithItsOwnCopyOfTheContext) {
    auto window = std::make_shared<EndSignalWindow>();
    window->shopAddress = "http://shop1.taobao.com";
    std::future<void> done = window->done.get_future();
    std::thread::id fetchThread;
    {
        auto state = std::make_shared<SearchState>();
        state->ItemIds().AppendUnique("5");
        SearchContext context;
        context.state = state;
        context.window = window;
        context.fetch = [&fetchThread](std::string_view) {
            fetchThread = std::this_thread::get_id();
            return Utf8ToGbk("<title>W-淘宝网</title>");
        };
        context.sleep = [](std::chrono::milliseconds) {};
        StartHarvest(context);
    }  // the caller's context is gone; the worker runs on its copy
    // Bounded only so that a harvest that never ends fails instead of hanging the suite.
    ASSERT_EQ(done.wait_for(std::chrono::seconds(60)), std::future_status::ready);
    std::lock_guard lock(window->m);
    EXPECT_NE(fetchThread, std::this_thread::get_id());
    ASSERT_EQ(window->rows.size(), 1u);
    EXPECT_EQ(window->rows[0][1], "W");
    EXPECT_FALSE(window->locked);
}

}  // namespace
}  // namespace rongfan
