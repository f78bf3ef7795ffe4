#pragma once
// MainWindow as the engine sees it. Worker routines hold this object (through a
// shared_ptr) for as long as they run; every call is carried to the GUI thread
// and waited for, so a worker's changes land in the order it made them and its
// reads see the window as it is. Once the window is gone the calls do nothing
// and reads answer the empty text, 0 or -1: a worker outliving the window can
// never reach a destroyed object.
#include <QThread>
#include <functional>
#include <memory>
#include <mutex>

#include "capture/SearchWindow.h"

namespace rongfan {

class CallCourier;
class MainWindow;

class WindowBridge final : public SearchWindow {
public:
    explicit WindowBridge(MainWindow* window);

    // Called by the window as it is destroyed, on the GUI thread: calls still
    // queued are dropped, which wakes their workers.
    void Detach();

    std::string ShopAddress() override;
    void SetShopAddress(std::string_view text) override;
    void SetStatus(std::string_view text) override;
    void LockSearch() override;
    void UnlockSearch() override;
    void RemoveAllRows() override;
    int AppendRow(std::string_view cell0) override;
    void SetCell(int row, int column, std::string_view text) override;
    std::string Cell(int row, int column) override;
    int RowCount() override;
    int ColumnWidth(int column) override;
    void SetColumnWidth(int column, int width) override;
    void ArmListingTimer() override;
    void ArmHarvestTimer() override;
    void StartCapture() override;
    void ShowMessage(std::string_view text) override;

    // The end of a report export: SavePageButton enabled again.
    void EnableSavePage();

    // Runs `action` on the window on the GUI thread and waits for it; false
    // when the window was gone, so nothing ran.
    bool Run(const std::function<void(MainWindow&)>& action);

private:
    std::mutex m_mutex;  // guards m_window and m_courier for posting; never held while waiting
    MainWindow* m_window;
    CallCourier* m_courier;  // a child of the window; carries the calls of workers
};

}  // namespace rongfan
