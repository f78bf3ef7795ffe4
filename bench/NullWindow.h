#pragma once
// A window that keeps only the shop address and the number of rows, so a
// benchmark measures the engine's work and not a view's. Written cells are
// touched so that the compiler cannot drop the work that made them.
#include <benchmark/benchmark.h>

#include <string>
#include <utility>

#include "capture/SearchWindow.h"

namespace rongfan::bench {

class NullWindow : public SearchWindow {
public:
    explicit NullWindow(std::string shop = {}) : m_shop(std::move(shop)) {}
    std::string ShopAddress() override { return m_shop; }
    void SetShopAddress(std::string_view text) override { m_shop = text; }
    void SetStatus(std::string_view) override {}
    void LockSearch() override {}
    void UnlockSearch() override {}
    void RemoveAllRows() override { m_rows = 0; }
    int AppendRow(std::string_view) override { return m_rows++; }
    void SetCell(int, int, std::string_view text) override { benchmark::DoNotOptimize(text.data()); }
    std::string Cell(int, int) override { return {}; }
    int RowCount() override { return m_rows; }
    int ColumnWidth(int) override { return 0; }
    void SetColumnWidth(int, int) override {}
    void ArmListingTimer() override {}
    void ArmHarvestTimer() override {}
    void StartCapture() override {}
    void ShowMessage(std::string_view) override {}

private:
    std::string m_shop;
    int m_rows = 0;
};

}  // namespace rongfan::bench
