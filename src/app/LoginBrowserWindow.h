#pragma once
// The second window of a search: a browser on SearchUrl in which the user logs
// in, polled by CaptureTimer until the shop's search-result page is there.
// It lives from StartCapture until the capture, or until the user closes it.
#include <QWidget>
#include <functional>
#include <memory>

#include "host/HttpFetch.h"

namespace rongfan {

class BrowserPage;
class SearchState;
class StepTimer;

class LoginBrowserWindow : public QWidget {
    Q_OBJECT
public:
    // Takes `page` over and navigates it to the state's SearchUrl; stays hidden
    // until the first tick of CaptureTimer.
    LoginBrowserWindow(BrowserPage* page, std::shared_ptr<SearchState> state, FetchFunction fetch);
    // The destruction handling: a direct fetch of SearchUrl when CapturedPage is
    // empty; then, when the user closed the window before a capture, the
    // handler given to SetClosedByUserHandler.
    ~LoginBrowserWindow() override;

    StepTimer* CaptureTimer() const { return m_captureTimer; }
    BrowserPage* Page() const { return m_page; }
    bool IsReading() const { return m_reading; }

    void SetClosedByUserHandler(std::function<void()> handler) { m_closedByUser = std::move(handler); }
    // The program is ending: destroy without any handling.
    void Discard() { m_discarded = true; }

signals:
    // A tick found the search-result page: CapturedPage holds it, normalised.
    // The window destroys itself right after.
    void Captured();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void onCompleted();
    void onTick();
    void finishTick(const QString& document);
    void pollAgain();

    BrowserPage* m_page;
    StepTimer* m_captureTimer;
    std::shared_ptr<SearchState> m_state;
    FetchFunction m_fetch;
    std::function<void()> m_closedByUser;
    bool m_userClosed = false;
    bool m_captured = false;
    bool m_discarded = false;
    bool m_reading = false;
    std::shared_ptr<int> m_alive = std::make_shared<int>(0);
};

}  // namespace rongfan
