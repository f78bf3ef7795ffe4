#pragma once
// A small web site on 127.0.0.1 (a free port) for the browser tests; it stops
// when it goes out of scope.
#include <httplib.h>

#include <string>
#include <thread>

namespace rongfan::testing {

class LocalSite {
public:
    LocalSite() = default;
    LocalSite(const LocalSite&) = delete;
    LocalSite& operator=(const LocalSite&) = delete;
    ~LocalSite() { Stop(); }

    httplib::Server& Routes() { return m_server; }

    // Call after the routes are in place.
    void Start() {
        // Bound and listening from here on: early connections wait in the backlog.
        m_port = m_server.bind_to_any_port("127.0.0.1");
        m_thread = std::thread([this] { m_server.listen_after_bind(); });
    }
    void Stop() {
        if (!m_thread.joinable()) return;
        m_server.stop();
        m_thread.join();
    }
    int Port() const { return m_port; }
    std::string Url(const std::string& path) const { return "http://127.0.0.1:" + std::to_string(m_port) + path; }

private:
    httplib::Server m_server;
    std::thread m_thread;
    int m_port = 0;
};

}  // namespace rongfan::testing
