#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <sys/resource.h>
#include <vector>

#include "ReportFixtures.h"
#include "host/Host.h"
#include "report/Report.h"

namespace rongfan {
namespace {

namespace fs = std::filesystem;
using testing::DataFile;
using testing::FillList;
using testing::ReadBytes;
using testing::RecorderWindow;

std::string G(const char* utf8) { return Utf8ToGbk(utf8); }

// A fresh folder per test, removed afterwards; the shell opener is recorded
// instead of starting a file manager.
class ExportReportTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "rongfan-report-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        m_base = pattern;
        m_folder = (m_base / "out").string();
        fs::create_directory(m_folder);
        SetOpenWithShellHook([this](const std::string& path) { opened.push_back(path); });
    }
    void TearDown() override {
        SetOpenWithShellHook(nullptr);
        std::error_code ignored;
        fs::remove_all(m_base, ignored);
    }

    FetchFunction answering(std::string page) {
        return [this, page = std::move(page)](std::string_view address) {
            fetched.emplace_back(address);
            return page;
        };
    }

    // Every entry of the output folder, by name (UTF-8).
    std::vector<std::string> folderNames() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(m_folder)) names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    fs::path m_base;
    std::string m_folder;
    std::vector<std::string> opened;
    std::vector<std::string> fetched;
};

TEST_F(ExportReportTest, TaobaoListMatchesItsGoldenPage) {
    RecorderWindow window;
    FillList(window, "http://shop1.taobao.com", testing::TaobaoRows());
    const ReportOutcome outcome =
        ExportReport(window, m_folder, answering(G("<title>首页-榕树小店-淘宝网</title>")), true);

    ASSERT_EQ(outcome.status, ReportOutcome::Status::Written) << outcome.error;
    EXPECT_EQ(outcome.path, m_folder + "/榕树小店.html");
    EXPECT_EQ(folderNames(), std::vector<std::string>{"榕树小店.html"});
    EXPECT_EQ(ReadBytes(outcome.path), DataFile("taobao-three-rows.html"));
    EXPECT_EQ(fetched, std::vector<std::string>{"http://shop1.taobao.com"});
    EXPECT_EQ(opened, std::vector<std::string>{m_folder});
    EXPECT_TRUE(window.messages.empty());
}

TEST_F(ExportReportTest, TmallListMatchesItsGoldenPage) {
    RecorderWindow window;
    FillList(window, "http://tianmao1.tmall.com", testing::TmallRows());
    const ReportOutcome outcome = ExportReport(window, m_folder, answering(""), true);

    ASSERT_EQ(outcome.status, ReportOutcome::Status::Written) << outcome.error;
    EXPECT_EQ(outcome.path, m_folder + "/tianmao1.html");
    EXPECT_EQ(ReadBytes(outcome.path), DataFile("tmall-three-rows.html"));
    EXPECT_EQ(opened, std::vector<std::string>{m_folder});
}

TEST_F(ExportReportTest, EmptyListSaysSoAndTouchesNothing) {
    RecorderWindow window;
    window.shopAddress = "http://shop1.taobao.com";
    const ReportOutcome outcome = ExportReport(window, m_folder, answering(G("首页-甲-")), true);

    EXPECT_EQ(outcome.status, ReportOutcome::Status::NothingToSave);
    EXPECT_EQ(window.messages, std::vector<std::string>{G("暂无数据可保存")});
    EXPECT_TRUE(fetched.empty());
    EXPECT_TRUE(opened.empty());
    EXPECT_TRUE(folderNames().empty());
}

TEST_F(ExportReportTest, FolderIsOpenedOnlyWhenAsked) {
    RecorderWindow window;
    FillList(window, "http://shop1.taobao.com", testing::TaobaoRows());
    EXPECT_EQ(ExportReport(window, m_folder, answering(""), false).status, ReportOutcome::Status::Written);
    EXPECT_TRUE(opened.empty());
}

TEST_F(ExportReportTest, SavingTwiceLeavesOneFileWithTheSecondExport) {
    RecorderWindow window;
    FillList(window, "http://shop1.taobao.com", {{"1", "first export"}});
    ASSERT_EQ(ExportReport(window, m_folder, answering(""), false).status, ReportOutcome::Status::Written);
    FillList(window, "http://shop1.taobao.com", {{"1", "second"}});
    const ReportOutcome outcome = ExportReport(window, m_folder, answering(""), false);

    ASSERT_EQ(outcome.status, ReportOutcome::Status::Written);
    EXPECT_EQ(folderNames(), std::vector<std::string>{"shop1.html"});
    const std::string page = ReadBytes(outcome.path);
    EXPECT_EQ(page, RenderReport(window));
    EXPECT_EQ(page.find("first export"), std::string::npos);
}

TEST_F(ExportReportTest, RowCountIsTakenOnce) {
    // A harvest still appending while the page is built.
    class GrowingWindow : public RecorderWindow {
    public:
        std::string Cell(int row, int column) override {
            if (rows.size() < 10) AppendRow("late");
            return RecorderWindow::Cell(row, column);
        }
    } window;
    FillList(window, "http://shop1.taobao.com", testing::TaobaoRows());
    const ReportOutcome outcome = ExportReport(window, m_folder, answering(""), false);
    ASSERT_EQ(outcome.status, ReportOutcome::Status::Written);
    EXPECT_EQ(window.rows.size(), 10u);
    EXPECT_EQ(testing::SplitRows(testing::RowLine(ReadBytes(outcome.path))).size(), 3u);
}

TEST_F(ExportReportTest, HostileTitlesNeverLeaveTheFolder) {
    const std::string hostile[] = {"../../x", "a/b", "..", "\x01\x02", "/etc/passwd", ".profile", "..\\..\\y"};
    for (const std::string& title : hostile) {
        RecorderWindow window;
        FillList(window, "http://shop1.taobao.com", {{"1", "t"}});
        const ReportOutcome outcome = ExportReport(window, m_folder, answering(G("首页-") + title + "-"), false);
        ASSERT_EQ(outcome.status, ReportOutcome::Status::Written) << title << ": " << outcome.error;
        const fs::path written(outcome.path);
        EXPECT_EQ(written.parent_path(), fs::path(m_folder)) << title;
        EXPECT_TRUE(fs::is_regular_file(written)) << title;
        EXPECT_NE(written.filename().string().front(), '.') << title;
        fs::remove(written);
    }
    // Nothing was written beside or above the output folder.
    std::vector<std::string> besides;
    for (const auto& entry : fs::directory_iterator(m_base)) besides.push_back(entry.path().filename().string());
    EXPECT_EQ(besides, std::vector<std::string>{"out"});
    EXPECT_TRUE(folderNames().empty());
}

TEST_F(ExportReportTest, MissingFolderIsReportedWithPathAndReason) {
    RecorderWindow window;
    FillList(window, "http://shop1.taobao.com", {{"1", "t"}});
    const std::string missing = m_folder + "/no-such-folder";
    const ReportOutcome outcome = ExportReport(window, missing, answering(""), true);

    EXPECT_EQ(outcome.status, ReportOutcome::Status::WriteFailed);
    EXPECT_EQ(outcome.path, missing + "/shop1.html");
    EXPECT_NE(outcome.error.find("No such file or directory"), std::string::npos) << outcome.error;
    ASSERT_EQ(window.messages.size(), 1u);
    EXPECT_NE(window.messages[0].find(G("报告未能保存：")), std::string::npos);
    EXPECT_NE(window.messages[0].find(outcome.path), std::string::npos);
    EXPECT_NE(window.messages[0].find("No such file or directory"), std::string::npos);
    EXPECT_TRUE(opened.empty());
}

TEST_F(ExportReportTest, FolderStandingWhereTheFileGoesIsReported) {
    fs::create_directory(fs::path(m_folder) / "shop1.html");
    RecorderWindow window;
    FillList(window, "http://shop1.taobao.com", {{"1", "t"}});
    const ReportOutcome outcome = ExportReport(window, m_folder, answering(""), true);

    EXPECT_EQ(outcome.status, ReportOutcome::Status::WriteFailed);
    EXPECT_FALSE(outcome.error.empty());
    EXPECT_EQ(window.messages.size(), 1u);
    EXPECT_TRUE(fs::is_directory(fs::path(m_folder) / "shop1.html"));
    EXPECT_EQ(folderNames(), std::vector<std::string>{"shop1.html"});  // no temporary file left
    EXPECT_TRUE(opened.empty());
}

// The write runs out of room half way: the report saved before stays as it was.
TEST_F(ExportReportTest, FailedWriteKeepsTheOlderReport) {
    RecorderWindow window;
    FillList(window, "http://shop1.taobao.com", {{"1", "old"}});
    const ReportOutcome first = ExportReport(window, m_folder, answering(""), false);
    ASSERT_EQ(first.status, ReportOutcome::Status::Written);
    const std::string older = ReadBytes(first.path);

    std::vector<testing::RowCells> many(200, testing::RowCells{"1", "a long enough title to outgrow the limit"});
    FillList(window, "http://shop1.taobao.com", many);
    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = older.size() + 100;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const ReportOutcome second = ExportReport(window, m_folder, answering(""), false);
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);

    EXPECT_EQ(second.status, ReportOutcome::Status::WriteFailed);
    EXPECT_NE(second.error.find("too large"), std::string::npos) << second.error;
    EXPECT_EQ(ReadBytes(first.path), older);
    EXPECT_EQ(folderNames(), std::vector<std::string>{"shop1.html"});
}

}  // namespace
}  // namespace rongfan
