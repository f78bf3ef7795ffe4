// SavePageButton: the export runs on a worker and locks only its own button,
// so it may read the list while a harvest still writes it.
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <atomic>
#include <gtest/gtest.h>
#include <set>
#include <thread>

#include "AppTestSupport.h"
#include "app/MainWindow.h"
#include "app/QtGbk.h"
#include "app/WindowBridge.h"
#include "host/Host.h"

namespace rongfan {
namespace {

using testing::Gbk;

struct SaveHarness {
    SaveHarness() {
        window.SetFetch([](std::string_view) { return std::string(); });
        window.SetClearBrowserCache([](CacheMode) {});
        window.SetBrowserFactory([] { return new testing::FakeBrowserPage; });
        window.SetReportFolder(folder.path().toStdString(), true);
        SetOpenWithShellHook([this](const std::string& path) { openedFolders.push_back(path); });
        window.show();
    }
    ~SaveHarness() { SetOpenWithShellHook(nullptr); }
    QPushButton* Button() { return window.findChild<QPushButton*>(QStringLiteral("SavePageButton")); }
    void WaitUntilSaved() {
        while (!Button()->isEnabled()) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    QStringList Reports() const { return QDir(folder.path()).entryList({QStringLiteral("*.html")}, QDir::Files); }

    QTemporaryDir folder;
    MainWindow window;
    std::vector<std::string> openedFolders;  // written on the export's worker, read after it ended
};

TEST(SavePage, DuringAHarvestWritesTheRowsThatExisted) {
    SaveHarness h;
    std::shared_ptr<SearchWindow> harvest = h.window.Bridge();
    harvest->SetShopAddress("http://shop1.taobao.com");
    std::atomic<bool> stop{false};
    std::atomic<int> appended{0};
    std::atomic<bool> finished{false};
    h.window.LockSearch();  // a search runs
    std::thread harvester([&] {
        harvest->RemoveAllRows();
        for (int i = 0; !stop; ++i) {
            const int row = harvest->AppendRow(std::to_string(i + 1));
            harvest->SetCell(row, 1, Gbk("宝贝") + "-" + std::to_string(i + 1) + "-");
            harvest->SetCell(row, 7, "http://item.taobao.com/item.htm?id=" + std::to_string(i + 1));
            ++appended;
        }
        finished = true;
    });
    while (appended < 200) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    QTest::mouseClick(h.Button(), Qt::LeftButton);
    EXPECT_FALSE(h.Button()->isEnabled());
    // Only the save button is locked; the search controls stay as the search left them.
    EXPECT_TRUE(h.window.IsSearching());
    h.WaitUntilSaved();
    const int appendedWhenSaved = appended;
    stop = true;
    // The harvester may be waiting on a call the GUI thread has to run.
    while (!finished) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    harvester.join();

    const QStringList reports = h.Reports();
    ASSERT_EQ(reports.size(), 1) << reports.join(QStringLiteral(",")).toStdString();
    QFile file(h.folder.filePath(reports[0]));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    const QString page = FromGbk(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
    // Every row in the page is one the list held, each with its own title and
    // address; there are at least the 200 rows present at the click.
    QRegularExpression titles(QStringLiteral("宝贝-(\\d+)-"));
    std::set<int> seen;
    for (auto match = titles.globalMatch(page); match.hasNext();) seen.insert(match.next().captured(1).toInt());
    ASSERT_GE(seen.size(), 200u);
    EXPECT_EQ(*seen.begin(), 1);
    EXPECT_EQ(*seen.rbegin(), static_cast<int>(seen.size())) << "no gaps: rows are written in order";
    EXPECT_LE(*seen.rbegin(), appendedWhenSaved);
    for (int id : {1, 100, 200})
        EXPECT_TRUE(page.contains(QStringLiteral("href=\"http://item.taobao.com/item.htm?id=%1\"").arg(id))) << id;
    EXPECT_EQ(h.openedFolders, std::vector<std::string>{h.folder.path().toStdString()});
}

TEST(SavePage, AnEmptyListSaysSoAndGivesTheButtonBack) {
    SaveHarness h;
    testing::MessageCatcher messages;
    QTest::mouseClick(h.Button(), Qt::LeftButton);
    h.WaitUntilSaved();
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].title, QStringLiteral("青岚提醒您："));
    EXPECT_EQ(messages.shown[0].text, QStringLiteral("暂无数据可保存"));
    EXPECT_TRUE(h.Reports().isEmpty());
    EXPECT_TRUE(h.openedFolders.empty());
}

}  // namespace
}  // namespace rongfan
