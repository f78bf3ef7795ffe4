// MainWindow as it starts, the resize rule, Esc, the busy picture and the
// addresses the status bar and the support-group labels open.
#include <QGroupBox>
#include <QHeaderView>
#include <QImageReader>
#include <QLabel>
#include <QLineEdit>
#include <QMovie>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

#include "AppTestSupport.h"
#include "app/DesktopServices.h"
#include "app/DesktopTexts.h"
#include "app/MainWindow.h"
#include "app/ResultList.h"
#include "app/StatusBar.h"
#include "app/StepTimer.h"

namespace rongfan {
namespace {

using testing::FakeBrowserPage;
using testing::Gbk;

template <class T>
T* Control(MainWindow& window, const char* name) {
    T* control = window.findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(control, nullptr) << name;
    return control;
}

// A window that never reaches the network or a real browser.
struct QuietWindow {
    QuietWindow() {
        window.SetFetch([](std::string_view) { return std::string(); });
        window.SetClearBrowserCache([](CacheMode) {});
        window.SetBrowserFactory([] { return new FakeBrowserPage; });
    }
    MainWindow window;
};

TEST(MainWindowStartUp, TitleSizeAndIdleState) {
    QuietWindow quiet;
    MainWindow& w = quiet.window;
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));

    EXPECT_EQ(w.windowTitle(), QStringLiteral("榕帆 —— 分析店铺情况辅助工具 V1.3"));
    EXPECT_EQ(w.OuterSize(), QSize(800, 625));
    EXPECT_EQ(w.size(), QSize(794, 597));
    // Resizable, with the usual boxes.
    EXPECT_LT(w.minimumWidth(), w.width());
    EXPECT_GT(w.maximumWidth(), w.width());

    auto* edit = Control<QLineEdit>(w, "ShopUrlEdit");
    auto* search = Control<QPushButton>(w, "SearchButton");
    auto* save = Control<QPushButton>(w, "SavePageButton");
    auto* busy = Control<QLabel>(w, "BusyPicture");
    auto* group = Control<QGroupBox>(w, "ShopUrlGroup");
    ASSERT_TRUE(edit && search && save && busy && group);
    EXPECT_EQ(group->title(), QStringLiteral("淘宝、天猫首页网址"));
    EXPECT_TRUE(edit->isVisible() && edit->isEnabled());
    EXPECT_TRUE(edit->text().isEmpty());
    EXPECT_EQ(search->text(), QStringLiteral("淘一下"));
    EXPECT_TRUE(search->isEnabled());
    EXPECT_EQ(save->text(), QStringLiteral("保存页面"));
    EXPECT_TRUE(save->isEnabled());
    EXPECT_FALSE(busy->isVisible());
    EXPECT_FALSE(w.IsSearching());

    EXPECT_EQ(w.ListingTimer()->Period(), 0);
    EXPECT_EQ(w.HarvestTimer()->Period(), 0);
    EXPECT_TRUE(w.State()->SearchUrl().empty());
    EXPECT_TRUE(w.State()->CapturedPage().empty());
    EXPECT_EQ(w.LoginWindow(), nullptr);

    auto* status = Control<StatusBar>(w, "StatusBar");
    ASSERT_TRUE(status);
    EXPECT_TRUE(status->Text(0).isEmpty());
    EXPECT_EQ(status->Part(0)->width(), 300);
    EXPECT_EQ(status->Part(1)->width(), 500);
    EXPECT_FALSE(status->Text(1).isEmpty());
    EXPECT_FALSE(status->Part(1)->toolTip().isEmpty());
    EXPECT_EQ(status->Part(1)->frameShape(), QFrame::NoFrame);
}

TEST(MainWindowStartUp, ControlsAtTheirPlaces) {
    QuietWindow quiet;
    MainWindow& w = quiet.window;
    w.show();
    struct Place {
        const char* name;
        QRect geometry;  // in the parent's client area (ShopUrlGroup's for its two controls)
    };
    const Place places[] = {
        {"ShopUrlGroup", {8, 8, 488, 72}},       {"ShopUrlEdit", {12, 28, 384, 24}},
        {"SearchButton", {409, 24, 64, 32}},     {"BusyPicture", {354, 15, 60, 60}},
        {"SavePageButton", {640, 24, 104, 40}},  {"ResultList", {3, 88, 788, 488}},
        {"StatusBar", {0, 577, 794, 20}},        {"SupportGroupLabel1", {815, 23, 167, 16}},
        {"SupportGroupLabel2", {815, 47, 167, 16}},
    };
    for (const Place& place : places) {
        QWidget* control = Control<QWidget>(w, place.name);
        ASSERT_TRUE(control);
        EXPECT_EQ(control->geometry(), place.geometry) << place.name;
    }
    EXPECT_EQ(Control<QWidget>(w, "ShopUrlEdit")->parentWidget()->objectName(), QStringLiteral("ShopUrlGroup"));
    EXPECT_EQ(Control<QWidget>(w, "SearchButton")->parentWidget()->objectName(), QStringLiteral("ShopUrlGroup"));
    // The labels sit right of the client area until the window is widened.
    EXPECT_GE(Control<QWidget>(w, "SupportGroupLabel1")->x(), w.width());
    EXPECT_FALSE(Control<QLabel>(w, "SupportGroupLabel1")->text().isEmpty());
    EXPECT_FALSE(Control<QLabel>(w, "SupportGroupLabel2")->text().isEmpty());
}

TEST(MainWindowStartUp, NineColumnsAndNoRows) {
    QuietWindow quiet;
    MainWindow& w = quiet.window;
    ResultList* list = w.List();
    const struct {
        const char* title;
        int width;
        Qt::Alignment alignment;
    } columns[] = {
        {"序号", 40, Qt::AlignLeft},       {"标题", 280, Qt::AlignLeft},      {"摆价", 120, Qt::AlignHCenter},
        {"收藏量", 70, Qt::AlignHCenter},  {"30天成交", 90, Qt::AlignHCenter}, {"30天收货", 90, Qt::AlignHCenter},
        {"评价数", 80, Qt::AlignHCenter},  {"网址", 0, Qt::AlignLeft},         {"图片地址", 0, Qt::AlignLeft},
    };
    ASSERT_EQ(list->model()->columnCount(), 9);
    EXPECT_EQ(list->model()->rowCount(), 0);
    for (int c = 0; c < 9; ++c) {
        EXPECT_EQ(list->model()->headerData(c, Qt::Horizontal).toString(), QString::fromUtf8(columns[c].title)) << c;
        EXPECT_EQ(list->ColumnWidth(c), columns[c].width) << c;
        EXPECT_EQ(list->horizontalHeader()->sectionSize(c), columns[c].width) << c;
    }
    // Cells take the alignment of their column.
    w.Results()->AppendRow("1");
    w.Results()->Flush();
    for (int c = 0; c < 9; ++c) {
        const auto alignment = list->model()->data(list->model()->index(0, c), Qt::TextAlignmentRole).value<Qt::Alignment>();
        EXPECT_EQ(alignment & Qt::AlignHorizontal_Mask, columns[c].alignment) << c;
    }
    EXPECT_TRUE(list->showGrid());
    EXPECT_EQ(list->selectionBehavior(), QAbstractItemView::SelectRows);
    EXPECT_EQ(list->selectionMode(), QAbstractItemView::SingleSelection);
    EXPECT_EQ(list->editTriggers(), QAbstractItemView::NoEditTriggers);
    EXPECT_FALSE(list->isSortingEnabled());
    EXPECT_TRUE(list->horizontalHeader()->sectionsClickable());
    EXPECT_FALSE(list->verticalHeader()->isVisible());
    EXPECT_EQ(list->rowHeight(0), 30);
    EXPECT_EQ(list->model()->flags(list->model()->index(0, 1)) & Qt::ItemIsEditable, Qt::NoItemFlags);
}

TEST(MainWindowStartUp, HeaderClickSortsNothing) {
    QuietWindow quiet;
    MainWindow& w = quiet.window;
    w.show();
    for (const char* cell : {"2", "10", "1"}) w.Results()->AppendRow(cell);
    w.Results()->Flush();
    QHeaderView* header = w.List()->horizontalHeader();
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(header->sectionViewportPosition(0) + 5, 5));
    QAbstractItemModel* model = w.List()->model();
    EXPECT_EQ(model->data(model->index(0, 0)).toString(), QStringLiteral("2"));
    EXPECT_EQ(model->data(model->index(1, 0)).toString(), QStringLiteral("10"));
    EXPECT_EQ(model->data(model->index(2, 0)).toString(), QStringLiteral("1"));
}

// The outer size gives the list's size and the title column's width; the 30-day
// columns count with what they hold, 0 after a Tmall launch.
TEST(MainWindowResize, ListAndTitleColumnFollowTheOuterSize) {
    const struct {
        QSize outer;
        bool tmallLayout;
        QSize list;
        int titleColumn;
    } cases[] = {
        {{800, 625}, false, {788, 488}, 280},  {{800, 625}, true, {788, 488}, 460},
        {{1000, 700}, false, {988, 563}, 480}, {{1000, 700}, true, {988, 563}, 660},
        {{640, 480}, false, {628, 343}, 120},
    };
    for (const auto& c : cases) {
        QuietWindow quiet;
        MainWindow& w = quiet.window;
        w.show();
        if (c.tmallLayout) {
            w.SetShopAddress("abc.tmall.com");
            QTest::mouseClick(w.findChild<QPushButton*>(QStringLiteral("SearchButton")), Qt::LeftButton);
            ASSERT_EQ(w.List()->ColumnWidth(4), 0);
        }
        w.SetOuterSize(c.outer);
        QCoreApplication::processEvents();
        EXPECT_EQ(w.List()->geometry(), QRect(QPoint(3, 88), c.list)) << c.outer.width() << "x" << c.outer.height();
        EXPECT_EQ(w.List()->ColumnWidth(1), c.titleColumn) << c.outer.width() << " tmall " << c.tmallLayout;
        // Everything else keeps its place; the status bar stays at the bottom.
        EXPECT_EQ(w.findChild<QWidget*>(QStringLiteral("SavePageButton"))->geometry(), QRect(640, 24, 104, 40));
        EXPECT_EQ(w.findChild<QWidget*>(QStringLiteral("StatusBar"))->geometry(),
                  QRect(0, w.height() - 20, w.width(), 20));
        if (c.tmallLayout) {
            EXPECT_EQ(w.List()->ColumnWidth(4), 0);
            EXPECT_EQ(w.List()->ColumnWidth(5), 0);
        }
    }
}

TEST(MainWindowResize, WideningBringsTheSupportLabelsIntoView) {
    QuietWindow quiet;
    MainWindow& w = quiet.window;
    w.show();
    QWidget* label = w.findChild<QWidget*>(QStringLiteral("SupportGroupLabel2"));
    EXPECT_FALSE(w.rect().contains(label->geometry()));
    w.SetOuterSize({1000, 625});
    EXPECT_TRUE(w.rect().contains(label->geometry()));
}

// Esc ends the program wherever the focus is, even while a search runs.
TEST(MainWindowKeys, EscapeClosesFromEveryControl) {
    for (const char* focused : {"SavePageButton", "ShopUrlEdit", "SearchButton", "ResultList"}) {
        for (bool searching : {false, true}) {
            QuietWindow quiet;
            MainWindow& w = quiet.window;
            QSignalSpy closed(&w, &MainWindow::Closed);
            w.show();
            ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
            if (searching) w.LockSearch();
            QWidget* target = w.findChild<QWidget*>(QString::fromLatin1(focused));
            ASSERT_TRUE(target);
            target->setFocus();
            QTest::keyClick(target, Qt::Key_Escape);
            EXPECT_EQ(closed.count(), 1) << focused << " searching " << searching;
            EXPECT_FALSE(w.isVisible()) << focused;
        }
    }
}

TEST(MainWindowKeys, OtherKeysDoNotClose) {
    QuietWindow quiet;
    MainWindow& w = quiet.window;
    QSignalSpy closed(&w, &MainWindow::Closed);
    w.show();
    QTest::keyClick(w.findChild<QWidget*>(QStringLiteral("ShopUrlEdit")), Qt::Key_Q);
    QTest::keyClick(&w, Qt::Key_Enter);
    EXPECT_EQ(closed.count(), 0);
    EXPECT_TRUE(w.isVisible());
}

TEST(MainWindowLinks, StatusBarAndSupportLabelsOpenOurPages) {
    InstallDesktopHooks();
    testing::OpenedUrls opened;
    QuietWindow quiet;
    MainWindow& w = quiet.window;
    w.SetOuterSize({1000, 625});
    w.show();
    const struct {
        const char* control;
        QString expected;
    } clicks[] = {
        {"StatusPart0", desktop::PublisherPage()},
        {"StatusPart1", desktop::PublisherPage()},
        {"StatusBar", desktop::PublisherPage()},
        {"SupportGroupLabel1", desktop::SupportGroupPage1()},
        {"SupportGroupLabel2", desktop::SupportGroupPage2()},
    };
    for (const auto& click : clicks) {
        opened.urls.clear();
        QWidget* target = w.findChild<QWidget*>(QString::fromLatin1(click.control));
        ASSERT_TRUE(target) << click.control;
        QTest::mousePress(target, Qt::LeftButton, {}, QPoint(2, 2));
        ASSERT_EQ(opened.urls.size(), 1u) << click.control;
        EXPECT_EQ(opened.urls[0], click.expected) << click.control;
        // Only the left button opens.
        opened.urls.clear();
        QTest::mousePress(target, Qt::RightButton, {}, QPoint(2, 2));
        EXPECT_TRUE(opened.urls.empty()) << click.control;
    }
    // Our own pages, in a domain reserved for that purpose: nobody else's site.
    for (const QString& page : {desktop::PublisherPage(), desktop::SupportGroupPage1(), desktop::SupportGroupPage2()})
        EXPECT_EQ(QUrl(page).host(), QStringLiteral("rongfan.example"));
}

// The picture is drawn at build time; Qt's own GIF reader must see it as drawn.
TEST(BusyPicture, EightFramesOf60MsLoopingForEver) {
    QImageReader reader(QStringLiteral(":/rongfan/busy.gif"));
    ASSERT_TRUE(reader.canRead()) << reader.errorString().toStdString();
    EXPECT_EQ(reader.size(), QSize(85, 81));
    EXPECT_EQ(reader.imageCount(), 8);
    EXPECT_EQ(reader.loopCount(), -1);  // for ever
    const double cx = 42, cy = 40, ring = 28;
    QImage previous;
    for (int frame = 0; frame < 8; ++frame) {
        QImage image = reader.read();
        ASSERT_FALSE(image.isNull()) << frame;
        EXPECT_EQ(reader.nextImageDelay(), 60) << frame;
        image = image.convertToFormat(QImage::Format_ARGB32);
        EXPECT_EQ(qAlpha(image.pixel(0, 0)), 0) << "corners are transparent";
        EXPECT_EQ(qAlpha(image.pixel(84, 80)), 0);
        // The bright dot walks round the ring one step per frame: it is the
        // darkest of the eight dot centres.
        int darkest = -1;
        int darkestValue = 256 * 3;
        for (int dot = 0; dot < 8; ++dot) {
            const double angle = -M_PI / 2 + dot * M_PI / 4;
            const QPoint centre(qRound(cx + ring * std::cos(angle)), qRound(cy + ring * std::sin(angle)));
            const QRgb pixel = image.pixel(centre);
            EXPECT_EQ(qAlpha(pixel), 255) << "dot " << dot << " frame " << frame;
            const int value = qRed(pixel) + qGreen(pixel) + qBlue(pixel);
            if (value < darkestValue) {
                darkestValue = value;
                darkest = dot;
            }
        }
        EXPECT_EQ(darkest, frame);
        EXPECT_NE(image, previous);
        previous = image;
    }
}

TEST(BusyPicture, RunsOnlyWhileSearching) {
    QuietWindow quiet;
    MainWindow& w = quiet.window;
    w.show();
    auto* busy = w.findChild<QLabel*>(QStringLiteral("BusyPicture"));
    auto* movie = w.findChild<QMovie*>(QStringLiteral("BusyMovie"));
    ASSERT_TRUE(busy && movie);
    EXPECT_TRUE(movie->isValid());
    w.LockSearch();
    EXPECT_TRUE(busy->isVisible());
    EXPECT_EQ(movie->state(), QMovie::Running);
    EXPECT_LE(movie->scaledSize().width(), 60);
    EXPECT_LE(movie->scaledSize().height(), 60);
    w.UnlockSearch();
    EXPECT_FALSE(busy->isVisible());
    EXPECT_EQ(movie->state(), QMovie::NotRunning);
}

}  // namespace
}  // namespace rongfan
