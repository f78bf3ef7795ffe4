#pragma once
// The program's one window: the shop address box and its search button, the
// busy picture, the save button, ResultList, the status bar, the two
// support-group labels, and the listing and harvest timers of the search chain.
#include <QPointer>
#include <QWidget>
#include <functional>
#include <memory>
#include <string>

#include "host/Host.h"
#include "host/HttpFetch.h"
#include "walkers/SearchState.h"

class QGroupBox;
class QLabel;
class QLineEdit;
class QMovie;
class QPushButton;

namespace rongfan {

class BrowserPage;
class LinkLabel;
class LoginBrowserWindow;
class ResultList;
class ResultModel;
class StatusBar;
class StepTimer;
class WindowBridge;

class MainWindow : public QWidget {
    Q_OBJECT
public:
    // The frame the layout was drawn for: a client area of 794 x 597 inside an
    // outer size of 800 x 625. Outer sizes below count this frame whatever the
    // window manager draws, so the layout keeps its proportions everywhere.
    static constexpr QSize FrameAllowance{6, 28};
    static constexpr QSize InitialOuterSize{800, 625};

    explicit MainWindow(QWidget* parent = nullptr);
    ~MainWindow() override;

    QSize OuterSize() const;
    void SetOuterSize(QSize outer);

    // What worker routines hold: the window as the engine sees it, and the
    // state of the search.
    std::shared_ptr<WindowBridge> Bridge() const { return m_bridge; }
    std::shared_ptr<SearchState> State() const { return m_state; }
    // A context over this window, its state and the services below.
    SearchContext MakeContext() const;

    // GUI-thread side of SearchWindow. Texts are GBK.
    std::string ShopAddress() const;
    void SetShopAddress(std::string_view text);
    void SetStatus(std::string_view text);
    std::string Status() const;
    void LockSearch();
    void UnlockSearch();
    bool IsSearching() const;
    void ShowMessage(std::string_view text);
    void SetSavePageEnabled(bool enabled);
    ResultModel* Results() const;
    ResultList* List() const { return m_list; }
    StepTimer* ListingTimer() const { return m_listingTimer; }
    StepTimer* HarvestTimer() const { return m_harvestTimer; }

    // Empties CapturedPage, clears the browser's cache and cookies, destroys a
    // login window that still exists (its destruction handling runs) and opens
    // a new one on SearchUrl.
    void StartCapture();
    LoginBrowserWindow* LoginWindow() const;

    // Double-click or "打开链接": column 7 of the selected row to the browser.
    void OpenSelectedItem();

    // The services a search uses; tests answer them. By default: HttpFetch,
    // ClearBrowserCache, the WebEngine browser, the program's folder.
    void SetFetch(FetchFunction fetch);
    void SetClearBrowserCache(std::function<void(CacheMode)> clear);
    void SetBrowserFactory(std::function<BrowserPage*()> factory);
    void SetReportFolder(std::string folder, bool openAfterSaving);

signals:
    // The window was closed (close box or Esc): the program ends.
    void Closed();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void buildControls();
    void applyResizeRule();
    void launchSearch();
    void savePage();
    void onListingTick();
    void onHarvestTick();
    void abandonSearch();

    std::shared_ptr<SearchState> m_state;
    std::shared_ptr<WindowBridge> m_bridge;
    FetchFunction m_fetch;
    std::function<void(CacheMode)> m_clearBrowserCache;
    std::function<BrowserPage*()> m_browserFactory;
    std::string m_reportFolder;
    bool m_openReportFolder = true;
    bool m_harvestStarted = false;  // between a harvest tick and the end of that harvest

    QGroupBox* m_shopUrlGroup = nullptr;
    QLineEdit* m_shopUrlEdit = nullptr;
    QPushButton* m_searchButton = nullptr;
    QLabel* m_busyPicture = nullptr;
    QMovie* m_busyMovie = nullptr;
    QPushButton* m_savePageButton = nullptr;
    ResultList* m_list = nullptr;
    StatusBar* m_statusBar = nullptr;
    LinkLabel* m_supportGroup1 = nullptr;
    LinkLabel* m_supportGroup2 = nullptr;
    StepTimer* m_listingTimer = nullptr;
    StepTimer* m_harvestTimer = nullptr;
    QPointer<LoginBrowserWindow> m_login;
};

}  // namespace rongfan
