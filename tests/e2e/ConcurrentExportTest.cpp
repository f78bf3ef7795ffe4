// Saving the report while a harvest still fills the list: the harvester runs on
// its worker thread and the exports read the same list from this thread, over
// and over, as the desktop program allows. Every page that lands in the folder
// is whole (the file is replaced, never seen half written), numbers its rows
// 1..n with n never falling from one save to the next, and the save after the
// harvest holds every item. Run under ThreadSanitizer as well.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <future>
#include <sstream>
#include <string>
#include <thread>

#include "harvest/Harvesters.h"
#include "report/Report.h"
#include "support/RecorderWindow.h"
#include "text/Gbk.h"
#include "text/Text.h"

namespace rongfan {
namespace {

namespace fs = std::filesystem;

class EndSignalWindow : public testing::RecorderWindow {
public:
    void SetStatus(std::string_view text) override {
        RecorderWindow::SetStatus(text);
        if (text == Utf8ToGbk("已完成任务！")) finished = true;
    }
    std::atomic<bool> finished{false};
};

std::string itemPage(std::string_view address) {
    const std::string id(SplitPiece(address, "id=", 2));
    return Utf8ToGbk("<title>商品 " + id + "-淘宝网</title><em class=\"tb-rmb-num\">" + id + ".00</em>");
}

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

TEST(ConcurrentExport, SavesDuringAHarvestSeeWholePagesOfGrowingLists) {
    constexpr int Items = 300;
    std::string pattern = (fs::temp_directory_path() / "rongfan-concurrent-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    const fs::path folder = pattern;

    auto window = std::make_shared<EndSignalWindow>();
    window->shopAddress = "http://shop1.taobao.com";
    auto state = std::make_shared<SearchState>();
    for (int i = 1; i <= Items; ++i)
        state->ItemIds().AppendUnique(std::to_string(1000 + i));
    SearchContext context;
    context.state = state;
    context.window = window;
    // Halfway through the list the harvest waits for a save to have happened
    // while it runs, so at least one save meets a list that is still growing.
    std::atomic<int> saves{0};
    context.fetch = [&saves](std::string_view address) {
        if (ContainsText(address, "id=" + std::to_string(1000 + Items / 2))) {
            const auto giveUp = std::chrono::steady_clock::now() + std::chrono::minutes(1);
            while (saves == 0 && std::chrono::steady_clock::now() < giveUp)
                std::this_thread::yield();
        }
        return ContainsText(address, "item.htm") ? itemPage(address) : std::string();
    };
    context.sleep = [](std::chrono::milliseconds) {};
    StartHarvest(context);

    const FetchFunction home = [](std::string_view) { return Utf8ToGbk("<title>首页-并发小铺-淘宝网</title>"); };
    int partialSaves = 0;
    int lastRows = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(2);
    for (bool last = false; !last;) {
        // One more save once the harvest has ended: that one must hold every item.
        last = window->finished;
        if (std::chrono::steady_clock::now() > deadline) FAIL() << "the harvest did not end";
        const ReportOutcome outcome = ExportReport(*window, folder.string(), home, false);
        if (outcome.status == ReportOutcome::Status::NothingToSave) continue;
        ASSERT_EQ(outcome.status, ReportOutcome::Status::Written) << outcome.error;
        ++saves;
        const std::string page = readFile(outcome.path);
        ASSERT_GE(page.size(), 12u);
        EXPECT_EQ(page.substr(page.size() - 11), "</html>\r\n\r\n");
        int rows = 0;
        while (page.find("<tr><td>" + std::to_string(rows + 1) + "</td>") != std::string::npos)
            ++rows;
        std::size_t rowTags = 0;
        for (std::size_t at = page.find("<tr><td>"); at != std::string::npos; at = page.find("<tr><td>", at + 1))
            ++rowTags;
        EXPECT_EQ(rowTags, static_cast<std::size_t>(rows));
        EXPECT_GE(rows, lastRows);
        EXPECT_LE(rows, Items);
        if (rows < Items) ++partialSaves;
        lastRows = rows;
    }
    EXPECT_EQ(lastRows, Items);
    EXPECT_GT(partialSaves, 0);
    // Only the report is left: no temporary file of a save.
    int files = 0;
    for (const auto& entry : fs::directory_iterator(folder)) {
        ++files;
        EXPECT_EQ(entry.path().extension(), ".html") << entry.path();
    }
    EXPECT_EQ(files, 1);
    fs::remove_all(folder);
}

}  // namespace
}  // namespace rongfan
