#include "cli/CliProgress.h"

namespace rongfan {

void CliProgress::endLine() {
    if (m_lineOpen) std::fputs("\n", m_out);
    m_lineOpen = false;
}

void CliProgress::Update(std::string_view text) {
    std::lock_guard lock(m_mutex);
    if (m_quiet || text == m_last) return;
    m_last = text;
    if (m_terminal) {
        // Carriage return and erase-to-end-of-line redraw the one line.
        std::fprintf(m_out, "\r\x1b[K%.*s", static_cast<int>(text.size()), text.data());
        m_lineOpen = true;
    } else {
        std::fprintf(m_out, "%.*s\n", static_cast<int>(text.size()), text.data());
    }
    std::fflush(m_out);
}

void CliProgress::Status(std::string_view text) {
    std::lock_guard lock(m_mutex);
    if (m_quiet) return;
    endLine();
    m_last.clear();
    std::fprintf(m_out, "%.*s\n", static_cast<int>(text.size()), text.data());
    std::fflush(m_out);
}

void CliProgress::Message(std::string_view text) {
    std::lock_guard lock(m_mutex);
    endLine();
    m_last.clear();
    std::fprintf(m_out, "%.*s\n", static_cast<int>(text.size()), text.data());
    std::fflush(m_out);
}

void CliProgress::Finish() {
    std::lock_guard lock(m_mutex);
    endLine();
}

}  // namespace rongfan
