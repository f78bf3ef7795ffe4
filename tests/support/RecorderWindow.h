#pragma once
// A SearchWindow for tests: it keeps the window's state like the real one and
// records every call in order, so a walker or harvester can run synchronously
// and every status text, cell, lock and timer arming can be asserted.
#include <mutex>
#include <string>
#include <vector>

#include "capture/SearchWindow.h"

namespace rongfan::testing {

class RecorderWindow : public SearchWindow {
public:
    RecorderWindow() : m_widths{40, 280, 120, 70, 90, 90, 80, 0, 0} {}

    std::string ShopAddress() override { std::lock_guard l(m); return shopAddress; }
    void SetShopAddress(std::string_view text) override { std::lock_guard l(m); shopAddress = text; log("address:" + std::string(text)); }
    void SetStatus(std::string_view text) override { std::lock_guard l(m); status = text; statuses.emplace_back(text); log("status:" + std::string(text)); }
    void LockSearch() override { std::lock_guard l(m); locked = true; log("lock"); }
    void UnlockSearch() override { std::lock_guard l(m); locked = false; log("unlock"); }
    void RemoveAllRows() override { std::lock_guard l(m); rows.clear(); log("clear"); }
    int AppendRow(std::string_view cell0) override {
        std::lock_guard l(m);
        rows.emplace_back(ResultColumnCount);
        rows.back()[0] = cell0;
        log("append:" + std::string(cell0));
        return static_cast<int>(rows.size()) - 1;
    }
    void SetCell(int row, int column, std::string_view text) override {
        std::lock_guard l(m);
        if (row >= 0 && row < static_cast<int>(rows.size()) && column >= 0 && column < ResultColumnCount)
            rows[static_cast<std::size_t>(row)][static_cast<std::size_t>(column)] = text;
        log("cell:" + std::to_string(row) + ":" + std::to_string(column));
    }
    std::string Cell(int row, int column) override {
        std::lock_guard l(m);
        if (row < 0 || row >= static_cast<int>(rows.size()) || column < 0 || column >= ResultColumnCount) return {};
        return rows[static_cast<std::size_t>(row)][static_cast<std::size_t>(column)];
    }
    int RowCount() override { std::lock_guard l(m); return static_cast<int>(rows.size()); }
    int ColumnWidth(int column) override {
        std::lock_guard l(m);
        return (column >= 0 && column < ResultColumnCount) ? m_widths[static_cast<std::size_t>(column)] : 0;
    }
    void SetColumnWidth(int column, int width) override {
        std::lock_guard l(m);
        if (column >= 0 && column < ResultColumnCount) m_widths[static_cast<std::size_t>(column)] = width;
    }
    void ArmListingTimer() override { std::lock_guard l(m); ++listingArmed; log("arm:listing"); }
    void ArmHarvestTimer() override { std::lock_guard l(m); ++harvestArmed; log("arm:harvest"); }
    void StartCapture() override { std::lock_guard l(m); ++captures; log("capture"); }
    void ShowMessage(std::string_view text) override { std::lock_guard l(m); messages.emplace_back(text); log("message:" + std::string(text)); }

    // Recorded state; read it after the routine under test returned.
    std::mutex m;
    std::string shopAddress;
    std::string status;
    std::vector<std::string> statuses;
    std::vector<std::string> messages;
    std::vector<std::vector<std::string>> rows;
    std::vector<std::string> calls;  // every call in order, e.g. "status:...", "arm:harvest"
    bool locked = false;
    int listingArmed = 0;
    int harvestArmed = 0;
    int captures = 0;

private:
    void log(std::string entry) { calls.push_back(std::move(entry)); }
    std::vector<int> m_widths;
};

}  // namespace rongfan::testing
