#include "walkers/ItemIdBuffer.h"

namespace rongfan {

std::string_view ItemIdBuffer::ReadableLine(std::string_view line) {
    line = line.substr(0, line.find_first_of("\r\n"));
    std::size_t highRun = 0;
    while (highRun < line.size() && static_cast<unsigned char>(line[line.size() - 1 - highRun]) >= 0x80) ++highRun;
    if (highRun % 2 == 1) line.remove_suffix(1);
    return line;
}

bool ItemIdBuffer::AppendUnique(std::string_view line) {
    line = ReadableLine(line);
    if (line.empty()) return false;
    std::lock_guard lock(m_mutex);
    auto [it, inserted] = m_index.emplace(line);
    if (!inserted) return false;
    m_lines.emplace_back(line);
    m_text.append(line);
    m_text.append("\r\n");
    return true;
}

bool ItemIdBuffer::Contains(std::string_view line) const {
    std::lock_guard lock(m_mutex);
    return m_index.find(std::string(line)) != m_index.end();
}

std::string ItemIdBuffer::Text() const {
    std::lock_guard lock(m_mutex);
    return m_text;
}

std::vector<std::string> ItemIdBuffer::Lines() const {
    std::lock_guard lock(m_mutex);
    return m_lines;
}

std::size_t ItemIdBuffer::LineCount() const {
    std::lock_guard lock(m_mutex);
    return m_lines.size();
}

void ItemIdBuffer::Clear() {
    std::lock_guard lock(m_mutex);
    m_text.clear();
    m_lines.clear();
    m_index.clear();
}

}  // namespace rongfan
