#pragma once
// A small HTTP/1.x server on 127.0.0.1: one connection per answer
// ("Connection: close", Content-Length always), worker threads blocking in
// accept, and the faults applied on the wire exactly as decided. It takes
// proxy-style absolute addresses and origin-form paths with a Host header.
#include "FaultPlan.h"
#include "HttpMessage.h"
#include "RequestLog.h"
#include "Router.h"

#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace rongfan::marketsim {

// The request head parsed from the bytes before the empty line; nullopt when it is not HTTP.
struct ParsedHead {
    std::string method, target, version, host, cookie, contentType;
    std::size_t contentLength = 0;
    bool expectContinue = false;
};
std::optional<ParsedHead> ParseRequestHead(std::string_view head);
// Splits an absolute ("http://host:port/p?q") or origin-form ("/p?q") target into the request's
// host, path and query; false for targets this server does not take (CONNECT, "*").
bool FillRequestTarget(const ParsedHead &head, Request &request);

class HttpServer {
public:
    HttpServer(Router &router, FaultPlan &faults, RequestLog &log, double stallSeconds);
    ~HttpServer();
    HttpServer(const HttpServer &) = delete;
    HttpServer &operator=(const HttpServer &) = delete;

    // Binds 127.0.0.1:port (0: any free port); the bound port, or -1 with `error` set.
    int Listen(int port, std::string &error);
    void Start(int threads);

private:
    void WorkerLoop();
    void Serve(int fd);
    void Park(int fd);
    void ParkerLoop();

    Router &m_router;
    FaultPlan &m_faults;
    RequestLog &m_log;
    std::chrono::milliseconds m_stall;
    int m_listenFd = -1;
    std::vector<std::thread> m_workers;
    std::thread m_parker;
    std::mutex m_parkMutex;
    std::condition_variable m_parkWake;
    std::multimap<std::chrono::steady_clock::time_point, int> m_parked;
};

} // namespace rongfan::marketsim
