#include "HttpServer.h"

#include "text/Gbk.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <sys/uio.h>
#include <unistd.h>

namespace rongfan::marketsim {
namespace {

constexpr std::size_t kMaxHead = 64 * 1024;
constexpr std::size_t kMaxBody = 1024 * 1024;

bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
        s.remove_suffix(1);
    return s;
}

std::string_view Reason(int status) {
    switch (status) {
    case 200:
        return "OK";
    case 302:
        return "Found";
    case 400:
        return "Bad Request";
    case 403:
        return "Forbidden";
    case 404:
        return "Not Found";
    case 405:
        return "Method Not Allowed";
    case 500:
        return "Internal Server Error";
    case 502:
        return "Bad Gateway";
    default:
        return "Unknown";
    }
}

std::string ErrorPage() {
    return "<!DOCTYPE html>\n<html>\n<head>\n<meta charset=\"gbk\" />\n<title>500 Internal Server Error</title>\n"
           "</head>\n<body>\n<h1>500 Internal Server Error</h1>\n<p>" +
           RF_GBK("抱歉！服务器繁忙，请稍后再试。") + "</p>\n<hr/>Powered by Tengine</body>\n</html>\n";
}

std::string StatusHead(int status, std::string_view contentType, std::size_t length,
                       const std::vector<std::string> &extra) {
    std::string head = "HTTP/1.1 " + std::to_string(status) + " " + std::string(Reason(status)) +
                       "\r\nServer: Tengine\r\nContent-Type: " + std::string(contentType) +
                       "\r\nContent-Length: " + std::to_string(length) + "\r\n";
    for (const std::string &line : extra)
        head += line + "\r\n";
    head += "Connection: close\r\n\r\n";
    return head;
}

// Sends both parts completely (or until the peer goes); false on failure.
bool SendAll(int fd, std::string_view a, std::string_view b) {
    iovec parts[2] = {{const_cast<char *>(a.data()), a.size()}, {const_cast<char *>(b.data()), b.size()}};
    int first = 0;
    while (first < 2) {
        msghdr msg{};
        msg.msg_iov = parts + first;
        msg.msg_iovlen = static_cast<std::size_t>(2 - first);
        const ssize_t n = ::sendmsg(fd, &msg, MSG_NOSIGNAL);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        auto left = static_cast<std::size_t>(n);
        while (first < 2 && left >= parts[first].iov_len) {
            left -= parts[first].iov_len;
            ++first;
        }
        if (first < 2) {
            parts[first].iov_base = static_cast<char *>(parts[first].iov_base) + left;
            parts[first].iov_len -= left;
        }
    }
    return true;
}

} // namespace

std::optional<ParsedHead> ParseRequestHead(std::string_view head) {
    ParsedHead out;
    const auto lineEnd = head.find("\r\n");
    const std::string_view line = head.substr(0, lineEnd);
    const auto sp1 = line.find(' ');
    const auto sp2 = sp1 == std::string_view::npos ? sp1 : line.find(' ', sp1 + 1);
    if (sp1 == std::string_view::npos || sp2 == std::string_view::npos) return std::nullopt;
    out.method = std::string(line.substr(0, sp1));
    out.target = std::string(line.substr(sp1 + 1, sp2 - sp1 - 1));
    out.version = std::string(line.substr(sp2 + 1));
    if (!out.version.starts_with("HTTP/1.") || out.target.empty()) return std::nullopt;
    std::string_view rest = lineEnd == std::string_view::npos ? std::string_view() : head.substr(lineEnd + 2);
    while (!rest.empty()) {
        const auto end = rest.find("\r\n");
        const std::string_view header = rest.substr(0, end);
        rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 2);
        const auto colon = header.find(':');
        if (colon == std::string_view::npos) continue;
        const std::string_view name = header.substr(0, colon), value = Trim(header.substr(colon + 1));
        if (EqualsNoCase(name, "Host"))
            out.host = std::string(value);
        else if (EqualsNoCase(name, "Cookie"))
            out.cookie = out.cookie.empty() ? std::string(value) : out.cookie + "; " + std::string(value);
        else if (EqualsNoCase(name, "Content-Type"))
            out.contentType = std::string(value);
        else if (EqualsNoCase(name, "Expect"))
            out.expectContinue = EqualsNoCase(value, "100-continue");
        else if (EqualsNoCase(name, "Content-Length")) {
            std::size_t n = 0;
            for (char c : value) {
                if (c < '0' || c > '9') return std::nullopt;
                n = n * 10 + static_cast<std::size_t>(c - '0');
                if (n > kMaxBody) return std::nullopt;
            }
            out.contentLength = n;
        }
    }
    return out;
}

bool FillRequestTarget(const ParsedHead &head, Request &request) {
    std::string_view target = head.target;
    std::string_view authority = head.host;
    if (target.size() > 7 && EqualsNoCase(target.substr(0, 7), "http://")) {
        target.remove_prefix(7);
        const auto slash = target.find_first_of("/?#");
        authority = target.substr(0, slash);
        target = slash == std::string_view::npos ? std::string_view("/") : target.substr(slash);
    } else if (target.empty() || target.front() != '/') {
        return false;
    }
    if (const auto at = authority.rfind('@'); at != std::string_view::npos) authority.remove_prefix(at + 1);
    if (const auto colon = authority.rfind(':'); colon != std::string_view::npos)
        authority = authority.substr(0, colon);
    if (authority.empty()) return false;
    request.host.clear();
    for (char c : authority)
        request.host += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (const auto hash = target.find('#'); hash != std::string_view::npos) target = target.substr(0, hash);
    const auto question = target.find('?');
    request.path = std::string(target.substr(0, question));
    request.query = question == std::string_view::npos ? std::string() : std::string(target.substr(question + 1));
    if (request.path.empty()) request.path = "/";
    return true;
}

HttpServer::HttpServer(Router &router, FaultPlan &faults, RequestLog &log, double stallSeconds)
    : m_router(router), m_faults(faults), m_log(log),
      m_stall(std::chrono::milliseconds(static_cast<long long>(stallSeconds * 1000))) {}

HttpServer::~HttpServer() {
    // The process ends with _exit while workers block in accept; nothing to join in practice.
    for (std::thread &t : m_workers)
        t.detach();
    if (m_parker.joinable()) m_parker.detach();
}

int HttpServer::Listen(int port, std::string &error) {
    m_listenFd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (m_listenFd < 0) {
        error = std::strerror(errno);
        return -1;
    }
    const int one = 1;
    ::setsockopt(m_listenFd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::bind(m_listenFd, reinterpret_cast<sockaddr *>(&address), sizeof address) < 0 ||
        ::listen(m_listenFd, 1024) < 0) {
        error = std::strerror(errno);
        return -1;
    }
    socklen_t length = sizeof address;
    ::getsockname(m_listenFd, reinterpret_cast<sockaddr *>(&address), &length);
    return ntohs(address.sin_port);
}

void HttpServer::Start(int threads) {
    m_parker = std::thread([this] { ParkerLoop(); });
    for (int i = 0; i < threads; ++i)
        m_workers.emplace_back([this] { WorkerLoop(); });
}

void HttpServer::WorkerLoop() {
    for (;;) {
        const int fd = ::accept4(m_listenFd, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) {
            if (errno == EINTR || errno == ECONNABORTED) continue;
            if (errno == EMFILE || errno == ENFILE || errno == ENOBUFS || errno == ENOMEM) {
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
                continue;
            }
            return;
        }
        Serve(fd);
    }
}

void HttpServer::Serve(int fd) {
    // A client that connects and sends nothing, or stops reading, must not hold a worker for ever.
    timeval receiveLimit{15, 0}, sendLimit{60, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &receiveLimit, sizeof receiveLimit);
    ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &sendLimit, sizeof sendLimit);
    const int one = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);

    std::string in;
    std::size_t headEnd = std::string::npos;
    char buffer[16384];
    while (headEnd == std::string::npos) {
        const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            ::close(fd);
            return;
        }
        const std::size_t from = in.size() < 3 ? 0 : in.size() - 3;
        in.append(buffer, static_cast<std::size_t>(n));
        headEnd = in.find("\r\n\r\n", from);
        if (headEnd == std::string::npos && in.size() > kMaxHead) break;
    }
    auto reject = [&](int status) {
        const std::string body = std::string(Reason(status)) + "\n";
        SendAll(fd, StatusHead(status, "text/plain", body.size(), {}), body);
        ::close(fd);
    };
    if (headEnd == std::string::npos) return reject(400);
    const auto head = ParseRequestHead(std::string_view(in).substr(0, headEnd));
    if (!head) return reject(400);
    Request request;
    request.method = head->method;
    request.version = head->version;
    request.cookie = head->cookie;
    if (request.method != "GET" && request.method != "HEAD" && request.method != "POST") return reject(405);
    if (!FillRequestTarget(*head, request)) return reject(400);
    const std::size_t bodyStart = headEnd + 4;
    // curl asks before it posts a larger form; without this it waits a second.
    if (head->expectContinue && head->contentLength > 0 && in.size() < bodyStart + head->contentLength)
        SendAll(fd, "HTTP/1.1 100 Continue\r\n\r\n", {});
    while (in.size() < bodyStart + head->contentLength) {
        const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        in.append(buffer, static_cast<std::size_t>(n));
    }
    if (head->contentLength > 0) request.body = in.substr(bodyStart, head->contentLength);

    const Answer answer = m_router.Route(request);
    const std::string address = request.Absolute();
    const FaultDecision fault = m_faults.Decide(address, answer.shop, answer.faultable);
    if (fault.latencyMs > 0) std::this_thread::sleep_for(std::chrono::milliseconds(fault.latencyMs));

    const bool headOnly = request.method == "HEAD";
    const std::string_view body = answer.Body();
    LogEntry entry{request.method, address, request.cookie, answer.status, 0, FaultName(fault.kind), fault.latencyMs};
    switch (fault.kind) {
    case FaultKind::None: {
        entry.size = headOnly ? 0 : body.size();
        m_log.Write(entry);
        SendAll(fd, StatusHead(answer.status, answer.contentType, body.size(), answer.headers),
                headOnly ? std::string_view() : body);
        break;
    }
    case FaultKind::Empty:
        entry.status = 200;
        m_log.Write(entry);
        SendAll(fd, StatusHead(200, answer.contentType, 0, {}), {});
        break;
    case FaultKind::Error500: {
        const std::string page = ErrorPage();
        entry.status = 500;
        entry.size = headOnly ? 0 : page.size();
        m_log.Write(entry);
        SendAll(fd, StatusHead(500, "text/html;charset=GBK", page.size(), {}), headOnly ? std::string_view() : page);
        break;
    }
    case FaultKind::Truncate: {
        const std::string_view half = body.substr(0, body.size() / 2);
        entry.size = half.size();
        m_log.Write(entry);
        SendAll(fd, StatusHead(answer.status, answer.contentType, body.size(), answer.headers), half);
        break;
    }
    case FaultKind::ZeroByte: {
        std::string spoiled(body);
        spoiled.insert(spoiled.size() / 2, 1, '\0');
        entry.size = spoiled.size();
        m_log.Write(entry);
        SendAll(fd, StatusHead(answer.status, answer.contentType, spoiled.size(), answer.headers), spoiled);
        break;
    }
    case FaultKind::Drop:
        entry.status = 0;
        m_log.Write(entry);
        break;
    case FaultKind::Stall:
        entry.status = 0;
        m_log.Write(entry);
        Park(fd);
        return;
    }
    ::close(fd);
}

void HttpServer::Park(int fd) {
    std::lock_guard lock(m_parkMutex);
    m_parked.emplace(std::chrono::steady_clock::now() + m_stall, fd);
    m_parkWake.notify_one();
}

// Stalled connections wait here instead of holding a worker, so stalls never starve the server.
void HttpServer::ParkerLoop() {
    std::unique_lock lock(m_parkMutex);
    for (;;) {
        if (m_parked.empty()) {
            m_parkWake.wait(lock);
            continue;
        }
        const auto due = m_parked.begin()->first;
        if (std::chrono::steady_clock::now() < due) {
            m_parkWake.wait_until(lock, due);
            continue;
        }
        const int fd = m_parked.begin()->second;
        m_parked.erase(m_parked.begin());
        ::close(fd);
    }
}

} // namespace rongfan::marketsim
