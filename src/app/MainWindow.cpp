#include "app/MainWindow.h"

#include <QCloseEvent>
#include <QGroupBox>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMovie>
#include <QPushButton>
#include <QScreen>

#include "app/DesktopTexts.h"
#include "app/LoginBrowserWindow.h"
#include "app/QtGbk.h"
#include "app/ResultList.h"
#include "app/StatusBar.h"
#include "app/StepTimer.h"
#include "app/WebBrowserPage.h"
#include "app/WindowBridge.h"
#include "capture/ShopAddress.h"
#include "harvest/Harvesters.h"
#include "report/Report.h"
#include "walkers/Walkers.h"

namespace rongfan {
namespace {
constexpr int ChainStepMs = 1000;
// ResultList keeps its top left corner; the resize rule gives it the rest.
constexpr QPoint ListOrigin{3, 88};
constexpr QSize ListMargin{12, 137};
constexpr int TitleColumnMargin = 30;
constexpr QSize BusyBox{60, 60};
}  // namespace

MainWindow::MainWindow(QWidget* parent)
    : QWidget(parent), m_state(std::make_shared<SearchState>()),
      m_fetch([](std::string_view address) { return HttpFetch(address); }),
      m_clearBrowserCache([](CacheMode mode) { ClearBrowserCache(mode); }),
      m_browserFactory([] { return new WebBrowserPage; }), m_reportFolder(RunDirectory()) {
    setObjectName(QStringLiteral("MainWindow"));
    setWindowTitle(desktop::MainWindowTitle());
    m_bridge = std::make_shared<WindowBridge>(this);
    buildControls();
    SetOuterSize(InitialOuterSize);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QSize outer = OuterSize();
        move(screen->availableGeometry().center() - QPoint(outer.width() / 2, outer.height() / 2));
    }
}

MainWindow::~MainWindow() {
    // Workers may still hold the bridge: from now on their calls do nothing,
    // and calls already waiting in the queue are dropped, which wakes them.
    m_bridge->Detach();
    if (m_login) {
        m_login->Discard();
        delete m_login.data();
    }
}

void MainWindow::buildControls() {
    m_shopUrlGroup = new QGroupBox(desktop::ShopUrlGroupText(), this);
    m_shopUrlGroup->setObjectName(QStringLiteral("ShopUrlGroup"));
    m_shopUrlGroup->setGeometry(8, 8, 488, 72);

    m_shopUrlEdit = new QLineEdit(m_shopUrlGroup);
    m_shopUrlEdit->setObjectName(QStringLiteral("ShopUrlEdit"));
    m_shopUrlEdit->setGeometry(12, 28, 384, 24);

    m_searchButton = new QPushButton(desktop::IdleCaption(), m_shopUrlGroup);
    m_searchButton->setObjectName(QStringLiteral("SearchButton"));
    m_searchButton->setGeometry(409, 24, 64, 32);
    connect(m_searchButton, &QPushButton::clicked, this, &MainWindow::launchSearch);

    m_busyPicture = new QLabel(this);
    m_busyPicture->setObjectName(QStringLiteral("BusyPicture"));
    m_busyPicture->setGeometry(QRect(QPoint(354, 15), BusyBox));
    m_busyPicture->setAlignment(Qt::AlignCenter);
    m_busyMovie = new QMovie(QStringLiteral(":/rongfan/busy.gif"), QByteArray(), m_busyPicture);
    m_busyMovie->setObjectName(QStringLiteral("BusyMovie"));
    m_busyMovie->setCacheMode(QMovie::CacheAll);
    // The 85 x 81 picture, shrunk to the box with its proportions kept.
    const QSize picture = m_busyMovie->jumpToFrame(0) ? m_busyMovie->currentImage().size() : QSize(85, 81);
    m_busyMovie->setScaledSize(picture.scaled(BusyBox, Qt::KeepAspectRatio));
    m_busyPicture->setMovie(m_busyMovie);
    m_busyPicture->hide();

    m_savePageButton = new QPushButton(desktop::SavePageText(), this);
    m_savePageButton->setObjectName(QStringLiteral("SavePageButton"));
    m_savePageButton->setGeometry(640, 24, 104, 40);
    connect(m_savePageButton, &QPushButton::clicked, this, &MainWindow::savePage);

    m_list = new ResultList(this);
    m_list->setGeometry(QRect(ListOrigin, QSize(788, 488)));
    connect(m_list, &ResultList::OpenRequested, this, &MainWindow::OpenSelectedItem);

    m_statusBar = new StatusBar(this);
    connect(m_statusBar, &StatusBar::Clicked, this, [] { OpenInBrowser(ToGbk(desktop::PublisherPage())); });

    // Right of the client area at the initial size: seen once the window is widened.
    m_supportGroup1 = new LinkLabel(desktop::SupportGroupText1(), this);
    m_supportGroup1->setObjectName(QStringLiteral("SupportGroupLabel1"));
    m_supportGroup1->setGeometry(815, 23, 167, 16);
    connect(m_supportGroup1, &LinkLabel::Clicked, this, [] { OpenInBrowser(ToGbk(desktop::SupportGroupPage1())); });
    m_supportGroup2 = new LinkLabel(desktop::SupportGroupText2(), this);
    m_supportGroup2->setObjectName(QStringLiteral("SupportGroupLabel2"));
    m_supportGroup2->setGeometry(815, 47, 167, 16);
    connect(m_supportGroup2, &LinkLabel::Clicked, this, [] { OpenInBrowser(ToGbk(desktop::SupportGroupPage2())); });

    m_busyPicture->raise();

    m_listingTimer = new StepTimer(this);
    m_listingTimer->setObjectName(QStringLiteral("ListingTimer"));
    connect(m_listingTimer, &StepTimer::Tick, this, &MainWindow::onListingTick);
    m_harvestTimer = new StepTimer(this);
    m_harvestTimer->setObjectName(QStringLiteral("HarvestTimer"));
    connect(m_harvestTimer, &StepTimer::Tick, this, &MainWindow::onHarvestTick);
}

QSize MainWindow::OuterSize() const { return size() + FrameAllowance; }

void MainWindow::SetOuterSize(QSize outer) { resize(outer - FrameAllowance); }

void MainWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    applyResizeRule();
}

void MainWindow::applyResizeRule() {
    const QSize outer = OuterSize();
    m_list->setGeometry(QRect(ListOrigin, (outer - ListMargin).expandedTo(QSize(0, 0))));
    int others = 0;
    for (int column : {0, 2, 3, 4, 5, 6}) others += m_list->ColumnWidth(column);
    m_list->SetColumnWidth(1, outer.width() - others - TitleColumnMargin);
    m_statusBar->setGeometry(0, height() - StatusBar::Height, width(), StatusBar::Height);
}

void MainWindow::keyPressEvent(QKeyEvent* event) {
    // Reaches here only when the focused control did not take the key.
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

void MainWindow::closeEvent(QCloseEvent* event) {
    event->accept();
    emit Closed();
}

std::string MainWindow::ShopAddress() const { return ToGbk(m_shopUrlEdit->text()); }

void MainWindow::SetShopAddress(std::string_view text) { m_shopUrlEdit->setText(FromGbk(text)); }

void MainWindow::SetStatus(std::string_view text) { m_statusBar->SetText(0, FromGbk(text)); }

std::string MainWindow::Status() const { return ToGbk(m_statusBar->Text(0)); }

void MainWindow::LockSearch() {
    m_shopUrlEdit->setEnabled(false);
    m_searchButton->setEnabled(false);
    m_searchButton->setText(desktop::SearchingCaption());
    m_busyPicture->show();
    m_busyMovie->start();
}

void MainWindow::UnlockSearch() {
    m_harvestStarted = false;
    m_searchButton->setText(desktop::IdleCaption());
    m_searchButton->setEnabled(true);
    m_shopUrlEdit->setEnabled(true);
    m_busyPicture->hide();
    m_busyMovie->stop();
}

bool MainWindow::IsSearching() const { return !m_searchButton->isEnabled(); }

void MainWindow::ShowMessage(std::string_view text) {
    QMessageBox box(QMessageBox::NoIcon, desktop::MessageTitle(), FromGbk(text), QMessageBox::Ok, this);
    box.setObjectName(QStringLiteral("MessageBox"));
    box.exec();
}

void MainWindow::SetSavePageEnabled(bool enabled) { m_savePageButton->setEnabled(enabled); }

ResultModel* MainWindow::Results() const { return m_list->Model(); }

SearchContext MainWindow::MakeContext() const {
    SearchContext context = SearchContext::Make(m_state, m_bridge);
    context.fetch = m_fetch;
    context.clearBrowserCache = m_clearBrowserCache;
    return context;
}

void MainWindow::launchSearch() { LaunchSearch(*m_bridge, *m_state); }

void MainWindow::StartCapture() {
    m_state->SetCapturedPage({});
    m_clearBrowserCache(CacheMode::TemporaryFiles);
    m_clearBrowserCache(CacheMode::Cookies);
    if (m_login) delete m_login.data();  // runs its destruction handling, with the new SearchUrl

    m_login = new LoginBrowserWindow(m_browserFactory(), m_state, m_fetch);
    connect(m_login, &LoginBrowserWindow::Captured, this, [this] { m_listingTimer->SetPeriod(ChainStepMs); });
    QPointer<MainWindow> self(this);
    m_login->SetClosedByUserHandler([self] {
        if (self) self->abandonSearch();
    });
}

LoginBrowserWindow* MainWindow::LoginWindow() const { return m_login.data(); }

void MainWindow::abandonSearch() {
    // A harvest already under way (a Tmall redirect reopens the login window
    // while the harvester runs) gives the controls back itself when it ends.
    if (m_harvestStarted || m_harvestTimer->Period() != 0) {
        SetStatus(ToGbk(desktop::LoginClosedStatus()));
        return;
    }
    UnlockSearch();
    SetStatus(ToGbk(desktop::LoginClosedStatus()));
}

void MainWindow::onListingTick() {
    m_listingTimer->SetPeriod(0);
    StartListing(MakeContext());
}

void MainWindow::onHarvestTick() {
    m_harvestTimer->SetPeriod(0);
    m_harvestStarted = true;
    StartHarvest(MakeContext());
}

void MainWindow::savePage() {
    // Only this button is locked: an export may read the list while a harvest
    // still writes it.
    m_savePageButton->setEnabled(false);
    std::shared_ptr<WindowBridge> bridge = m_bridge;
    StartWorker([bridge, folder = m_reportFolder, fetch = m_fetch, open = m_openReportFolder] {
        ExportReport(*bridge, folder, fetch, open);
        bridge->EnableSavePage();
    });
}

void MainWindow::OpenSelectedItem() {
    const std::string address = Results()->Cell(m_list->CurrentSelection(), 7);
    if (!address.empty()) OpenInBrowser(address);
}

void MainWindow::SetFetch(FetchFunction fetch) { m_fetch = std::move(fetch); }

void MainWindow::SetClearBrowserCache(std::function<void(CacheMode)> clear) { m_clearBrowserCache = std::move(clear); }

void MainWindow::SetBrowserFactory(std::function<BrowserPage*()> factory) { m_browserFactory = std::move(factory); }

void MainWindow::SetReportFolder(std::string folder, bool openAfterSaving) {
    m_reportFolder = std::move(folder);
    m_openReportFolder = openAfterSaving;
}

}  // namespace rongfan
