// ResultList's operations through SearchWindow, from the GUI thread and from a
// worker, the link opening of a row, and a screenshot for reviewers.
#include <QDir>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QMenu>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <atomic>
#include <gtest/gtest.h>
#include <thread>

#include "AppTestSupport.h"
#include "app/DesktopServices.h"
#include "app/HandOver.h"
#include "app/MainWindow.h"
#include "app/QtGbk.h"
#include "app/ResultList.h"
#include "app/StatusBar.h"
#include "app/StepTimer.h"
#include "app/WindowBridge.h"

namespace rongfan {
namespace {

using testing::Gbk;

struct ListHarness {
    ListHarness() {
        window.SetFetch([](std::string_view) { return std::string(); });
        window.SetClearBrowserCache([](CacheMode) {});
        window.SetBrowserFactory([] { return new testing::FakeBrowserPage; });
        window.show();
    }
    QAbstractItemModel* View() const { return window.List()->model(); }
    QString Shown(int row, int column) const { return View()->data(View()->index(row, column)).toString(); }
    QPoint RowCentre(int row) const {
        return window.List()->visualRect(View()->index(row, 1)).center();
    }
    MainWindow window;
};

TEST(ResultListOperations, CellsRowsAndOutOfRangeReads) {
    ListHarness h;
    SearchWindow& list = *h.window.Bridge();
    EXPECT_EQ(list.RowCount(), 0);
    EXPECT_EQ(list.AppendRow("1"), 0);
    EXPECT_EQ(list.AppendRow("2"), 1);
    list.SetCell(0, 1, Gbk("连衣裙 夏季"));
    list.SetCell(1, 7, "http://item.taobao.com/item.htm?id=2");
    list.SetCell(1, 8, Gbk("图片"));
    EXPECT_EQ(list.RowCount(), 2);
    EXPECT_EQ(list.Cell(0, 0), "1");
    EXPECT_EQ(list.Cell(0, 1), Gbk("连衣裙 夏季"));
    EXPECT_EQ(list.Cell(1, 7), "http://item.taobao.com/item.htm?id=2");
    // Outside the list: the empty text, and writes there change nothing.
    const std::pair<int, int> outside[] = {{-1, 0}, {2, 0}, {0, -1}, {0, 9}, {100, 100}};
    for (auto [row, column] : outside) {
        list.SetCell(row, column, "x");
        EXPECT_EQ(list.Cell(row, column), "") << row << "," << column;
    }
    EXPECT_EQ(list.RowCount(), 2);
    // Shown decoded, once the view has caught up.
    h.window.Results()->Flush();
    EXPECT_EQ(h.Shown(0, 1), QStringLiteral("连衣裙 夏季"));
    EXPECT_EQ(h.Shown(1, 8), QStringLiteral("图片"));
    // Column widths, hidden ones as 0.
    EXPECT_EQ(list.ColumnWidth(7), 0);
    list.SetColumnWidth(4, 0);
    EXPECT_EQ(list.ColumnWidth(4), 0);
    list.SetColumnWidth(4, 90);
    EXPECT_EQ(list.ColumnWidth(4), 90);
    EXPECT_EQ(list.ColumnWidth(9), 0);
    list.RemoveAllRows();
    EXPECT_EQ(list.RowCount(), 0);
    EXPECT_EQ(h.View()->rowCount(), 0);
    EXPECT_EQ(list.Cell(0, 0), "");
    EXPECT_EQ(list.AppendRow("1"), 0);
}

TEST(ResultListOperations, HiddenColumnsStillHoldTheirCells) {
    ListHarness h;
    SearchWindow& list = *h.window.Bridge();
    list.SetColumnWidth(4, 0);
    list.SetColumnWidth(5, 0);
    const int row = list.AppendRow("1");
    list.SetCell(row, 4, "12");
    list.SetCell(row, 5, "34");
    h.window.Results()->Flush();
    EXPECT_EQ(list.Cell(row, 4), "12");
    EXPECT_EQ(h.Shown(row, 5), QStringLiteral("34"));
}

TEST(ResultListOperations, StatusAndLockThroughTheBridge) {
    ListHarness h;
    SearchWindow& window = *h.window.Bridge();
    window.SetStatus(Gbk("正在下载数据中……"));
    EXPECT_EQ(h.window.findChild<StatusBar*>()->Text(0), QStringLiteral("正在下载数据中……"));
    window.SetShopAddress("http://abc.taobao.com");
    EXPECT_EQ(window.ShopAddress(), "http://abc.taobao.com");
    window.LockSearch();
    EXPECT_TRUE(h.window.IsSearching());
    window.UnlockSearch();
    EXPECT_FALSE(h.window.IsSearching());
    EXPECT_EQ(h.window.findChild<QPushButton*>(QStringLiteral("SearchButton"))->text(), QStringLiteral("淘一下"));
    window.ArmHarvestTimer();
    EXPECT_EQ(h.window.HarvestTimer()->Period(), 1000);
    h.window.HarvestTimer()->SetPeriod(0);
    window.ArmListingTimer();
    EXPECT_EQ(h.window.ListingTimer()->Period(), 1000);
    h.window.ListingTimer()->SetPeriod(0);
}

// Double-click and "打开链接" open column 7 of the selected row, exactly as it
// stands; without a selection, or with an empty column 7, nothing opens.
TEST(ResultListLinks, OpenExactlyColumnSevenOfTheSelectedRow) {
    InstallShellHooks();
    testing::OpenedUrls opened;
    ListHarness h;
    SearchWindow& list = *h.window.Bridge();
    const char* addresses[] = {"http://item.taobao.com/item.htm?id=101", "https://detail.tmall.com/item.htm?id=7&spm=a1z10.3&q=%E4%B8%AD",
                               ""};
    for (int i = 0; i < 3; ++i) {
        const int row = list.AppendRow(std::to_string(i + 1));
        list.SetCell(row, 1, "title " + std::to_string(i + 1));
        list.SetCell(row, 7, addresses[i]);
        list.SetCell(row, 8, "http://img.example/p.jpg");
    }
    h.window.Results()->Flush();
    ResultList* view = h.window.List();
    QWidget* viewport = view->viewport();
    QMenu* menu = view->ContextMenu();
    ASSERT_EQ(menu->actions().size(), 1);
    EXPECT_EQ(menu->actions()[0]->text(), QStringLiteral("打开链接"));

    // Nothing selected: neither way opens anything, even on a row.
    QTest::mouseDClick(viewport, Qt::LeftButton, {}, QPoint(20, h.RowCentre(2).y() + 200));
    EXPECT_EQ(view->CurrentSelection(), -1);
    menu->actions()[0]->trigger();
    EXPECT_TRUE(opened.urls.empty());

    for (int row = 0; row < 3; ++row) {
        opened.urls.clear();
        QTest::mouseDClick(viewport, Qt::LeftButton, {}, h.RowCentre(row));
        EXPECT_EQ(view->CurrentSelection(), row);
        std::vector<QString> expected;
        if (*addresses[row]) expected.push_back(QString::fromLatin1(addresses[row]));
        EXPECT_EQ(opened.urls, expected) << "double-click row " << row;

        opened.urls.clear();
        // The menu opens at the pointer, on a row or below the last one, and
        // acts on the row selected at that moment.
        for (QPoint at : {h.RowCentre(row), QPoint(20, h.RowCentre(2).y() + 100)}) {
            emit view->customContextMenuRequested(at);
            EXPECT_TRUE(menu->isVisible());
            EXPECT_EQ(menu->pos(), viewport->mapToGlobal(at) + QPoint(3, 3));
            menu->actions()[0]->trigger();
            menu->hide();
        }
        std::vector<QString> twice = expected;
        twice.insert(twice.end(), expected.begin(), expected.end());
        EXPECT_EQ(opened.urls, twice) << "menu row " << row;
    }
    // A right button double-click opens nothing.
    opened.urls.clear();
    QTest::mouseDClick(viewport, Qt::RightButton, {}, h.RowCentre(0));
    EXPECT_TRUE(opened.urls.empty());
}

std::string CellText(int row, int column) {
    // Column 7 is what a double-click opens: an address the test intercepts.
    if (column == 7) return "http://item.example/" + std::to_string(row);
    return Gbk("格") + std::to_string(row) + ":" + std::to_string(column);
}

// How often the busy user below acts. Under ThreadSanitizer each call through
// the bridge costs several times more while a repaint (Qt is not instrumented)
// costs about the same; at the normal pace the window would do little but
// repaint after each click and the worker would crawl. A slower user keeps
// about the same mix of clicks and worker calls.
#ifdef RONGFAN_THREAD_SANITIZER
constexpr int UserPaceMs = 50;
#else
constexpr int UserPaceMs = 10;
#endif

// The engine's calls from a worker while the user clicks about: every row and
// cell lands, in order.
TEST(ResultListWorker, TwoThousandRowsFromAWorkerWhileTheUserClicks) {
    InstallShellHooks();
    testing::OpenedUrls opened;
    ListHarness h;
    std::shared_ptr<SearchWindow> bridge = h.window.Bridge();
    constexpr int Rows = 2000;
    std::atomic<bool> done{false};
    std::vector<int> indexes;
    std::thread worker([&] {
        bridge->RemoveAllRows();
        bridge->SetStatus(Gbk("正在下载数据中……"));
        for (int i = 0; i < Rows; ++i) {
            const int row = bridge->AppendRow(std::to_string(i + 1));
            indexes.push_back(row);
            for (int column = 1; column < 9; ++column)
                bridge->SetCell(row, column, CellText(i, column));
            // A read in the middle sees what the worker itself wrote.
            if (bridge->Cell(row, 8) != CellText(i, 8)) indexes.push_back(-2);
        }
        bridge->SetStatus(Gbk("已完成任务！"));
        done = true;
    });
    int clicks = 0;
    QElapsedTimer pace;  // a busy user, not one event per worker call
    pace.start();
    while (!done) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        ResultList* view = h.window.List();
        if (view->model()->rowCount() > 3 && pace.elapsed() >= UserPaceMs) {
            pace.restart();
            const int row = clicks % 3;
            QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, h.RowCentre(row));
            QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, h.RowCentre(row));
            view->verticalScrollBar()->setValue(view->verticalScrollBar()->maximum() * (clicks % 5) / 4);
            h.window.SetOuterSize({800 + clicks % 50, 625});
            ++clicks;
        }
    }
    worker.join();
    h.window.Results()->Flush();
    ASSERT_EQ(indexes.size(), static_cast<std::size_t>(Rows));
    for (int i = 0; i < Rows; ++i) ASSERT_EQ(indexes[static_cast<std::size_t>(i)], i);
    ASSERT_EQ(h.View()->rowCount(), Rows);
    for (int i = 0; i < Rows; ++i) {
        ASSERT_EQ(h.Shown(i, 0), QString::number(i + 1));
        for (int column = 1; column < 9; ++column)
            ASSERT_EQ(h.Shown(i, column), FromGbk(CellText(i, column))) << i << "," << column;
    }
    EXPECT_EQ(h.window.findChild<StatusBar*>()->Text(0), QStringLiteral("已完成任务！"));
    EXPECT_GT(clicks, 0);
}

// Ten thousand rows appended one by one reach the view in a few batches, not
// ten thousand insertions.
TEST(ResultListWorker, ManyRowsReachTheViewInBatches) {
    ListHarness h;
    int insertions = 0;
    QObject::connect(h.View(), &QAbstractItemModel::rowsInserted, [&] { ++insertions; });
    std::shared_ptr<SearchWindow> bridge = h.window.Bridge();
    std::atomic<bool> done{false};
    std::thread worker([&] {
        for (int i = 0; i < 10000; ++i) {
            const int row = bridge->AppendRow(std::to_string(i + 1));
            bridge->SetCell(row, 1, "t");
        }
        done = true;
    });
    while (!done) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    worker.join();
    h.window.Results()->Flush();
    EXPECT_EQ(h.View()->rowCount(), 10000);
    EXPECT_EQ(h.Shown(9999, 0), QStringLiteral("10000"));
    EXPECT_LT(insertions, 10000 / 10);
}

// A worker that outlives the window: its calls stop doing anything and its reads
// answer empty; nothing reaches the destroyed window.
TEST(ResultListWorker, WorkerOutlivingTheWindowIsHarmless) {
    std::shared_ptr<SearchWindow> bridge;
    std::atomic<int> appendedAfterwards{0};
    std::atomic<bool> sawTheEnd{false};
    std::atomic<int> calls{0};
    std::thread worker;
    {
        ListHarness h;
        bridge = h.window.Bridge();
        worker = std::thread([&, bridge] {
            for (;;) {
                const int row = bridge->AppendRow("x");
                bridge->SetCell(row, 1, "y");
                bridge->SetStatus("z");
                ++calls;
                if (row < 0) {
                    sawTheEnd = true;
                    if (bridge->RowCount() != 0 || !bridge->Cell(0, 0).empty() || !bridge->ShopAddress().empty())
                        ++appendedAfterwards;
                    return;
                }
            }
        });
        while (calls < 200) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }  // the window goes while the worker is mid-call
    worker.join();
    EXPECT_TRUE(sawTheEnd);
    EXPECT_EQ(appendedAfterwards, 0);
}

TEST(MainWindowScreenshot, WindowWithAFewRows) {
    ListHarness h;
    SearchWindow& list = *h.window.Bridge();
    h.window.SetShopAddress("http://shop-demo.taobao.com");
    const char* titles[] = {"韩版修身连衣裙 2013夏季新款 雪纺", "纯棉短袖T恤 男士圆领", "真皮单肩包 女 复古",
                            "儿童益智积木 200粒", "不锈钢保温杯 500ml"};
    for (int i = 0; i < 5; ++i) {
        const int row = list.AppendRow(std::to_string(i + 1));
        list.SetCell(row, 1, Gbk(titles[i]));
        list.SetCell(row, 2, std::to_string(39 + i * 20) + ".00");
        list.SetCell(row, 3, std::to_string(120 * (5 - i)));
        list.SetCell(row, 4, std::to_string(35 * (5 - i)));
        list.SetCell(row, 5, std::to_string(30 * (5 - i)));
        list.SetCell(row, 6, std::to_string(88 * (5 - i)));
        list.SetCell(row, 7, "http://item.taobao.com/item.htm?id=" + std::to_string(1000 + i));
    }
    list.SetStatus(Gbk("已完成任务！"));
    h.window.Results()->Flush();
    h.window.List()->selectRow(1);
    QCoreApplication::processEvents();
    const QImage shot = h.window.grab().toImage();
    ASSERT_EQ(shot.size(), h.window.size() * h.window.devicePixelRatio());
    const QString folder = QStringLiteral(RONGFAN_SCREENSHOT_DIR);
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString path = folder + QStringLiteral("/main-window.png");
    ASSERT_TRUE(shot.save(path)) << path.toStdString();
    EXPECT_TRUE(QImage(path).size() == shot.size());
}

}  // namespace
}  // namespace rongfan
