#pragma once
// The window of a headless search: it keeps the address, status and result
// list in memory, turns status texts and new rows into progress lines, and
// records which step of the chain a routine asked for, so the driver runs it
// next instead of waiting for a timer.
#include <array>
#include <mutex>
#include <string>
#include <vector>

#include "capture/SearchWindow.h"
#include "cli/CliProgress.h"

namespace rongfan {

using ResultCells = std::array<std::string, ResultColumnCount>;  // GBK

class CliWindow : public SearchWindow {
public:
    explicit CliWindow(CliProgress& progress);

    std::string ShopAddress() override;
    void SetShopAddress(std::string_view text) override;
    void SetStatus(std::string_view text) override;
    void LockSearch() override {}
    void UnlockSearch() override;  // the harvest's end: the final n/total
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

    // What the driver asks between the steps.
    struct Requests {
        bool listing = false;
        bool harvest = false;
        bool capture = false;
    };
    Requests TakeRequests();  // and forget them
    std::string Status();     // the last status text (GBK)
    std::vector<ResultCells> Rows();
    // The number of items the harvest works through, for the n/total figure.
    void SetHarvestTotal(std::size_t total);

private:
    std::mutex m_mutex;
    CliProgress& m_progress;
    std::string m_shopAddress;
    std::string m_status;
    std::vector<ResultCells> m_rows;
    std::array<int, ResultColumnCount> m_widths{40, 280, 120, 70, 90, 90, 80, 0, 0};
    Requests m_requests;
    std::size_t m_total = 0;
};

}  // namespace rongfan
