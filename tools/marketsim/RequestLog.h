#pragma once
// One JSON line per request, appended to a file as the answer goes out, so a
// test can read which addresses were asked, in which order, with which cookies.
#include <mutex>
#include <string>
#include <string_view>

namespace rongfan::marketsim {

struct LogEntry {
    std::string_view method;
    std::string_view address;
    std::string_view cookie;
    int status = 0;       // 0 when no status line was sent (dropped or stalled)
    std::size_t size = 0; // body bytes sent
    std::string_view fault;
    int latencyMs = 0;
};

class RequestLog {
public:
    // An empty path logs nothing.
    explicit RequestLog(const std::string &path);
    ~RequestLog();
    RequestLog(const RequestLog &) = delete;
    RequestLog &operator=(const RequestLog &) = delete;

    bool Ok() const { return m_fd >= 0 || !m_wanted; }
    void Write(const LogEntry &entry);

private:
    int m_fd = -1;
    bool m_wanted = false;
    std::mutex m_mutex;
};

// A JSON string literal of arbitrary bytes: bytes outside printable ASCII as \u00XX.
std::string JsonString(std::string_view bytes);

} // namespace rongfan::marketsim
