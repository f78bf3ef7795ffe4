#include "cli/CliWindow.h"

#include "text/Gbk.h"

namespace rongfan {

CliWindow::CliWindow(CliProgress& progress) : m_progress(progress) {}

std::string CliWindow::ShopAddress() {
    std::lock_guard lock(m_mutex);
    return m_shopAddress;
}

void CliWindow::SetShopAddress(std::string_view text) {
    std::lock_guard lock(m_mutex);
    m_shopAddress = text;
}

void CliWindow::SetStatus(std::string_view text) {
    {
        std::lock_guard lock(m_mutex);
        m_status = text;
    }
    m_progress.Status(GbkToUtf8(text));
}

void CliWindow::UnlockSearch() {
    std::size_t done = 0;
    std::size_t total = 0;
    {
        std::lock_guard lock(m_mutex);
        done = m_rows.size();
        total = m_total;
    }
    m_progress.Update("items harvested: " + std::to_string(done) + "/" + std::to_string(total));
}

void CliWindow::RemoveAllRows() {
    std::lock_guard lock(m_mutex);
    m_rows.clear();
}

int CliWindow::AppendRow(std::string_view cell0) {
    std::size_t done = 0;
    std::size_t total = 0;
    int index = 0;
    {
        std::lock_guard lock(m_mutex);
        m_rows.emplace_back();
        m_rows.back()[0] = cell0;
        index = static_cast<int>(m_rows.size()) - 1;
        // A new row means the items before it are done.
        done = m_rows.size() - 1;
        total = m_total;
    }
    m_progress.Update("items harvested: " + std::to_string(done) + "/" + std::to_string(total));
    return index;
}

void CliWindow::SetCell(int row, int column, std::string_view text) {
    std::lock_guard lock(m_mutex);
    if (row < 0 || row >= static_cast<int>(m_rows.size()) || column < 0 || column >= ResultColumnCount) return;
    m_rows[static_cast<std::size_t>(row)][static_cast<std::size_t>(column)] = text;
}

std::string CliWindow::Cell(int row, int column) {
    std::lock_guard lock(m_mutex);
    if (row < 0 || row >= static_cast<int>(m_rows.size()) || column < 0 || column >= ResultColumnCount) return {};
    return m_rows[static_cast<std::size_t>(row)][static_cast<std::size_t>(column)];
}

int CliWindow::RowCount() {
    std::lock_guard lock(m_mutex);
    return static_cast<int>(m_rows.size());
}

int CliWindow::ColumnWidth(int column) {
    std::lock_guard lock(m_mutex);
    return column >= 0 && column < ResultColumnCount ? m_widths[static_cast<std::size_t>(column)] : 0;
}

void CliWindow::SetColumnWidth(int column, int width) {
    std::lock_guard lock(m_mutex);
    if (column >= 0 && column < ResultColumnCount) m_widths[static_cast<std::size_t>(column)] = width;
}

void CliWindow::ArmListingTimer() {
    std::lock_guard lock(m_mutex);
    m_requests.listing = true;
}

void CliWindow::ArmHarvestTimer() {
    std::lock_guard lock(m_mutex);
    m_requests.harvest = true;
}

void CliWindow::StartCapture() {
    std::lock_guard lock(m_mutex);
    m_requests.capture = true;
}

void CliWindow::ShowMessage(std::string_view text) { m_progress.Message(GbkToUtf8(text)); }

CliWindow::Requests CliWindow::TakeRequests() {
    std::lock_guard lock(m_mutex);
    const Requests taken = m_requests;
    m_requests = Requests{};
    return taken;
}

std::string CliWindow::Status() {
    std::lock_guard lock(m_mutex);
    return m_status;
}

std::vector<ResultCells> CliWindow::Rows() {
    std::lock_guard lock(m_mutex);
    return m_rows;
}

void CliWindow::SetHarvestTotal(std::size_t total) {
    std::lock_guard lock(m_mutex);
    m_total = total;
}

}  // namespace rongfan
