#include "app/LoginBrowserWindow.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QScreen>

#include "app/BrowserPage.h"
#include "app/DesktopTexts.h"
#include "app/QtGbk.h"
#include "app/StepTimer.h"
#include "capture/CaptureRules.h"
#include "text/Text.h"
#include "walkers/SearchState.h"

namespace rongfan {
namespace {
// The browser fills the client area of an 800 x 592 window with a fixed frame.
constexpr QSize ClientSize{795, 565};
constexpr QSize FrameAllowance{5, 27};
constexpr int SettleMs = 1000;  // after a completed navigation or download
constexpr int PollMs = 100;     // while no capture marker shows
}  // namespace

LoginBrowserWindow::LoginBrowserWindow(BrowserPage* page, std::shared_ptr<SearchState> state, FetchFunction fetch)
    : QWidget(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      m_page(page), m_captureTimer(new StepTimer(this)), m_state(std::move(state)), m_fetch(std::move(fetch)) {
    setObjectName(QStringLiteral("LoginBrowserWindow"));
    setWindowTitle(desktop::LoginWindowTitle());
    setFixedSize(ClientSize);
    m_page->setParent(this);
    m_captureTimer->setObjectName(QStringLiteral("CaptureTimer"));
    QWidget* view = m_page->View();
    view->setParent(this);
    view->setObjectName(QStringLiteral("LoginBrowser"));
    view->setGeometry(QRect(QPoint(0, 0), ClientSize));

    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QSize outer = ClientSize + FrameAllowance;
        move(screen->availableGeometry().center() - QPoint(outer.width() / 2, outer.height() / 2));
    }

    connect(m_page, &BrowserPage::Completed, this, &LoginBrowserWindow::onCompleted);
    connect(m_captureTimer, &StepTimer::Tick, this, &LoginBrowserWindow::onTick);
    m_page->Navigate(FromGbk(m_state->SearchUrl()));
}

LoginBrowserWindow::~LoginBrowserWindow() {
    m_alive.reset();
    // The page goes before its view, so no late answer of the browser reaches
    // a window that is already half destroyed.
    delete m_page;
    m_page = nullptr;
    if (m_discarded) return;
    if (m_state->CapturedPage().empty()) m_state->SetCapturedPage(BytesToText(m_fetch(m_state->SearchUrl())));
    if (m_userClosed && !m_captured && m_closedByUser) m_closedByUser();
}

void LoginBrowserWindow::onCompleted() { m_captureTimer->SetPeriod(SettleMs); }

void LoginBrowserWindow::onTick() {
    m_captureTimer->SetPeriod(0);
    // The browser answers asynchronously; a tick that comes while an answer is
    // still on its way leaves the rest to that answer, so ticks never overlap.
    if (m_reading) return;
    m_reading = true;
    std::weak_ptr<int> alive = m_alive;
    m_page->ReadDocument([this, alive](const BrowserPage::Document& document) {
        if (alive.expired()) return;
        m_reading = false;
        if (document.parsed) {
            finishTick(document.markup);
            return;
        }
        // Half a page may already show the capture marker while the items
        // further down are still on their way: wait for the whole document.
        show();
        pollAgain();
    });
}

void LoginBrowserWindow::finishTick(const QString& document) {
    std::string page = ToGbk(document);
    m_state->SetCapturedPage(page);
    if (page.empty()) page = BytesToText(m_fetch(m_state->SearchUrl()));
    page = NormaliseCapturedPage(page);
    m_state->SetCapturedPage(page);

    if (ShowsLoginHint(page)) setWindowTitle(desktop::LoginHintTitle());
    show();

    if (IsCapturedPage(page)) {
        setWindowTitle(desktop::CapturedTitle());
        m_captured = true;
        emit Captured();
        hide();
        deleteLater();
        return;
    }
    pollAgain();
}

void LoginBrowserWindow::pollAgain() {
    // A completion event that came while the browser was answering has armed
    // the one-second wait already; it is not cut short to a poll.
    if (m_captureTimer->Period() == 0) m_captureTimer->SetPeriod(PollMs);
}

void LoginBrowserWindow::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

void LoginBrowserWindow::closeEvent(QCloseEvent* event) {
    // Only the user closes this window; the program destroys it outright.
    m_userClosed = true;
    event->accept();
    deleteLater();
}

}  // namespace rongfan
