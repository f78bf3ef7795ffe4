#include "RequestLog.h"

#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace rongfan::marketsim {

std::string JsonString(std::string_view bytes) {
    std::string out = "\"";
    for (unsigned char c : bytes) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20 || c >= 0x7F) {
            char buffer[8];
            std::snprintf(buffer, sizeof buffer, "\\u%04x", c);
            out += buffer;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out + "\"";
}

RequestLog::RequestLog(const std::string &path) : m_wanted(!path.empty()) {
    if (m_wanted) m_fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
}

RequestLog::~RequestLog() {
    if (m_fd >= 0) ::close(m_fd);
}

void RequestLog::Write(const LogEntry &e) {
    if (m_fd < 0) return;
    const double now = std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch()).count();
    char time[32];
    std::snprintf(time, sizeof time, "%.3f", now);
    std::string line = "{\"time\":" + std::string(time) + ",\"method\":" + JsonString(e.method) +
                       ",\"url\":" + JsonString(e.address) + ",\"cookie\":" + JsonString(e.cookie) +
                       ",\"status\":" + std::to_string(e.status) + ",\"size\":" + std::to_string(e.size) +
                       ",\"fault\":" + JsonString(e.fault) + ",\"latency_ms\":" + std::to_string(e.latencyMs) + "}\n";
    // One write per line under the lock keeps lines whole and in the order the answers leave.
    std::lock_guard lock(m_mutex);
    const char *p = line.data();
    std::size_t left = line.size();
    while (left > 0) {
        const ssize_t n = ::write(m_fd, p, left);
        if (n <= 0) break;
        p += n;
        left -= static_cast<std::size_t>(n);
    }
}

} // namespace rongfan::marketsim
