#include "app/WindowBridge.h"

#include "app/CallCourier.h"
#include "app/MainWindow.h"
#include "app/ResultList.h"
#include "app/ResultModel.h"
#include "app/StepTimer.h"

namespace rongfan {

WindowBridge::WindowBridge(MainWindow* window) : m_window(window), m_courier(new CallCourier(window)) {}

void WindowBridge::Detach() {
    std::lock_guard lock(m_mutex);
    m_window = nullptr;
    m_courier->DiscardPending();
    m_courier = nullptr;
}

bool WindowBridge::Run(const std::function<void(MainWindow&)>& action) {
    std::shared_ptr<CallCourier::Completion> completion;
    {
        std::unique_lock lock(m_mutex);
        MainWindow* window = m_window;
        if (!window) return false;
        if (QThread::currentThread() == window->thread()) {
            lock.unlock();
            action(*window);
            return true;
        }
        // Posting happens under the lock, so it cannot race with Detach(): a
        // window that is detached receives nothing new, and what it had pending
        // is discarded, which releases the waiting worker. The worker waits for
        // the call either way, so `action` outlives it.
        completion = m_courier->Post([window, &action] { action(*window); });
    }
    return completion->Wait();
}

std::string WindowBridge::ShopAddress() {
    std::string text;
    Run([&](MainWindow& w) { text = w.ShopAddress(); });
    return text;
}

void WindowBridge::SetShopAddress(std::string_view text) {
    Run([&](MainWindow& w) { w.SetShopAddress(text); });
}

void WindowBridge::SetStatus(std::string_view text) {
    Run([&](MainWindow& w) { w.SetStatus(text); });
}

void WindowBridge::LockSearch() {
    Run([](MainWindow& w) { w.LockSearch(); });
}

void WindowBridge::UnlockSearch() {
    Run([](MainWindow& w) { w.UnlockSearch(); });
}

void WindowBridge::RemoveAllRows() {
    Run([](MainWindow& w) { w.Results()->RemoveAllRows(); });
}

int WindowBridge::AppendRow(std::string_view cell0) {
    int row = -1;
    Run([&](MainWindow& w) { row = w.Results()->AppendRow(cell0); });
    return row;
}

void WindowBridge::SetCell(int row, int column, std::string_view text) {
    Run([&](MainWindow& w) { w.Results()->SetCell(row, column, text); });
}

std::string WindowBridge::Cell(int row, int column) {
    std::string text;
    Run([&](MainWindow& w) { text = w.Results()->Cell(row, column); });
    return text;
}

int WindowBridge::RowCount() {
    int count = 0;
    Run([&](MainWindow& w) { count = w.Results()->StoredRowCount(); });
    return count;
}

int WindowBridge::ColumnWidth(int column) {
    int width = 0;
    Run([&](MainWindow& w) { width = w.List()->ColumnWidth(column); });
    return width;
}

void WindowBridge::SetColumnWidth(int column, int width) {
    Run([&](MainWindow& w) { w.List()->SetColumnWidth(column, width); });
}

void WindowBridge::ArmListingTimer() {
    Run([](MainWindow& w) { w.ListingTimer()->SetPeriod(1000); });
}

void WindowBridge::ArmHarvestTimer() {
    Run([](MainWindow& w) { w.HarvestTimer()->SetPeriod(1000); });
}

void WindowBridge::StartCapture() {
    Run([](MainWindow& w) { w.StartCapture(); });
}

void WindowBridge::ShowMessage(std::string_view text) {
    Run([&](MainWindow& w) { w.ShowMessage(text); });
}

void WindowBridge::EnableSavePage() {
    Run([](MainWindow& w) { w.SetSavePageEnabled(true); });
}

}  // namespace rongfan
