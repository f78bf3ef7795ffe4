#pragma once
// Servers the fetch tests talk to: all on 127.0.0.1, a free port, stopped by
// their destructors. HttpTestServer answers through cpp-httplib; RawServer
// writes bytes by hand for the answers a well-behaved server never gives
// (stalls, truncated bodies, bodies without a length), and serves the
// many-threads test, where the whole server must be visible to ThreadSanitizer
// (Debian's cpp-httplib is a prebuilt library it cannot see into).
#include <httplib.h>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <functional>
#include <mutex>
#include <optional>
#include <poll.h>
#include <stdexcept>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

namespace rongfan::test {

// Clears every proxy variable for the life of the object (a developer's own proxy
// must not carry the tests' requests away) and puts the old values back after.
class ScopedProxyEnv {
public:
    ScopedProxyEnv() {
        for (const char *name : kNames) {
            const char *value = std::getenv(name);
            m_saved.emplace_back(name, value ? std::optional<std::string>(value) : std::nullopt);
            unsetenv(name);
        }
    }
    ~ScopedProxyEnv() {
        for (const auto &[name, value] : m_saved) {
            if (value)
                setenv(name.c_str(), value->c_str(), 1);
            else
                unsetenv(name.c_str());
        }
    }
    ScopedProxyEnv(const ScopedProxyEnv &) = delete;
    ScopedProxyEnv &operator=(const ScopedProxyEnv &) = delete;

    static void Set(const char *name, const std::string &value) { setenv(name, value.c_str(), 1); }

private:
    static constexpr std::array kNames{"http_proxy", "https_proxy", "HTTPS_PROXY", "all_proxy",
                                       "ALL_PROXY",  "no_proxy",    "NO_PROXY"};
    std::vector<std::pair<std::string, std::optional<std::string>>> m_saved;
};

class HttpTestServer {
public:
    // Routes must be in place before the server starts listening.
    explicit HttpTestServer(const std::function<void(httplib::Server &)> &routes) {
        routes(m_server);
        m_port = m_server.bind_to_any_port("127.0.0.1");
        if (m_port <= 0) throw std::runtime_error("cannot bind a test server");
        m_thread = std::thread([this] { m_server.listen_after_bind(); });
    }
    ~HttpTestServer() {
        m_server.stop();
        m_thread.join();
    }
    HttpTestServer(const HttpTestServer &) = delete;
    HttpTestServer &operator=(const HttpTestServer &) = delete;

    int Port() const { return m_port; }
    std::string Base() const { return "http://127.0.0.1:" + std::to_string(m_port); }

private:
    httplib::Server m_server;
    int m_port = 0;
    std::thread m_thread;
};

// One accepted connection of a RawServer.
class RawConnection {
public:
    RawConnection(int fd, std::string head, std::function<bool(std::chrono::milliseconds)> waitForRelease)
        : m_fd(fd), m_head(std::move(head)), m_waitForRelease(std::move(waitForRelease)) {}

    const std::string &Head() const { return m_head; }
    void Send(std::string_view bytes) const {
        while (!bytes.empty()) {
            const ssize_t n = ::send(m_fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
            if (n <= 0) return;
            bytes.remove_prefix(static_cast<size_t>(n));
        }
    }
    // Keeps the connection open and silent until the test releases it or the
    // server stops; false when even the safety limit ran out.
    bool Hold() const { return m_waitForRelease(std::chrono::seconds(30)); }
    void Pause(std::chrono::milliseconds d) const { std::this_thread::sleep_for(d); }

private:
    int m_fd;
    std::string m_head;
    std::function<bool(std::chrono::milliseconds)> m_waitForRelease;
};

class RawServer {
public:
    using Handler = std::function<void(const RawConnection &)>;

    // `concurrent`: each connection gets its own thread (the handler must then be
    // thread-safe); otherwise connections are answered one after the other.
    explicit RawServer(Handler handler, bool concurrent = false)
        : m_handler(std::move(handler)), m_concurrent(concurrent) {
        m_listen = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        addr.sin_port = 0;
        socklen_t len = sizeof addr;
        if (m_listen < 0 || ::bind(m_listen, reinterpret_cast<sockaddr *>(&addr), sizeof addr) != 0 ||
            ::listen(m_listen, 16) != 0 || ::getsockname(m_listen, reinterpret_cast<sockaddr *>(&addr), &len) != 0)
            throw std::runtime_error("cannot bind a raw test server");
        m_port = ntohs(addr.sin_port);
        m_thread = std::thread([this] { Serve(); });
    }
    ~RawServer() {
        {
            std::lock_guard lock(m_mutex);
            m_stopping = true;
        }
        m_cv.notify_all();
        m_thread.join();
        for (std::thread &t : m_connections)
            t.join();
        ::close(m_listen);
    }
    RawServer(const RawServer &) = delete;
    RawServer &operator=(const RawServer &) = delete;

    std::string Base() const { return "http://127.0.0.1:" + std::to_string(m_port); }
    int Port() const { return m_port; }

    // The request heads received so far, in order.
    std::vector<std::string> Heads() const {
        std::lock_guard lock(m_mutex);
        return m_heads;
    }
    // Whether a handler is inside Hold() right now.
    bool Holding() const { return m_holding; }
    void Release() {
        {
            std::lock_guard lock(m_mutex);
            m_released = true;
        }
        m_cv.notify_all();
    }

private:
    bool Stopping() const {
        std::lock_guard lock(m_mutex);
        return m_stopping;
    }

    void Serve() {
        while (!Stopping()) {
            pollfd p{m_listen, POLLIN, 0};
            if (::poll(&p, 1, 50) <= 0) continue;
            const int fd = ::accept4(m_listen, nullptr, nullptr, SOCK_CLOEXEC);
            if (fd < 0) continue;
            if (m_concurrent)
                m_connections.emplace_back([this, fd] { Answer(fd); });
            else
                Answer(fd);
        }
    }

    void Answer(int fd) {
        const std::string head = ReadHead(fd);
        {
            std::lock_guard lock(m_mutex);
            m_heads.push_back(head);
        }
        RawConnection connection(fd, head, [this](std::chrono::milliseconds limit) { return WaitForRelease(limit); });
        m_handler(connection);
        ::shutdown(fd, SHUT_RDWR);
        ::close(fd);
    }

    bool WaitForRelease(std::chrono::milliseconds limit) {
        std::unique_lock lock(m_mutex);
        m_holding = true;
        const bool woken = m_cv.wait_for(lock, limit, [this] { return m_released || m_stopping; });
        m_holding = false;
        return woken;
    }

    // Reads up to the blank line after the headers, or until the client goes quiet.
    std::string ReadHead(int fd) const {
        std::string head;
        char buffer[4096];
        while (head.find("\r\n\r\n") == std::string::npos && head.size() < 65536) {
            pollfd p{fd, POLLIN, 0};
            if (::poll(&p, 1, 5000) <= 0) break;
            const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
            if (n <= 0) break;
            head.append(buffer, static_cast<size_t>(n));
        }
        return head;
    }

    Handler m_handler;
    bool m_concurrent = false;
    std::vector<std::thread> m_connections; // touched by the accepting thread only, then joined
    int m_listen = -1;
    int m_port = 0;
    std::thread m_thread;
    mutable std::mutex m_mutex;
    std::condition_variable m_cv;
    std::vector<std::string> m_heads;
    bool m_stopping = false;
    bool m_released = false;
    std::atomic<bool> m_holding{false};
};

// A port on 127.0.0.1 with nobody listening (bound, then closed again).
inline int RefusingPort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof addr;
    ::bind(fd, reinterpret_cast<sockaddr *>(&addr), sizeof addr);
    ::getsockname(fd, reinterpret_cast<sockaddr *>(&addr), &len);
    ::close(fd);
    return ntohs(addr.sin_port);
}

} // namespace rongfan::test
