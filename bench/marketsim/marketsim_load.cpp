// A small load client for marketsim: several threads, each sending HTTP/1.0
// proxy-style requests one connection at a time (the way the program's
// fetches arrive), checking that every answer arrives whole.
//   marketsim_load PORT SECONDS THREADS URL_FILE
#include <arpa/inet.h>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

struct Totals {
    std::atomic<long long> answers{0}, bytes{0}, failures{0};
};

// One request; the number of body bytes, or -1 when the answer was not whole.
long long Exchange(int port, const std::string &request, std::vector<char> &buffer) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0) {
        ::close(fd);
        return -1;
    }
    if (::send(fd, request.data(), request.size(), MSG_NOSIGNAL) != static_cast<ssize_t>(request.size())) {
        ::close(fd);
        return -1;
    }
    std::size_t total = 0;
    for (;;) {
        if (buffer.size() - total < 65536) buffer.resize(buffer.size() * 2);
        const ssize_t n = ::recv(fd, buffer.data() + total, buffer.size() - total, 0);
        if (n <= 0) break;
        total += static_cast<std::size_t>(n);
    }
    ::close(fd);
    const std::string_view answer(buffer.data(), total);
    const auto headEnd = answer.find("\r\n\r\n");
    const auto length = answer.find("Content-Length: ");
    if (headEnd == std::string_view::npos || length == std::string_view::npos || !answer.starts_with("HTTP/1.1 200"))
        return -1;
    const long long declared = std::atoll(answer.data() + length + 16);
    return static_cast<long long>(total - headEnd - 4) == declared ? declared : -1;
}

} // namespace

int main(int argc, char **argv) {
    if (argc != 5) {
        std::fprintf(stderr, "usage: %s PORT SECONDS THREADS URL_FILE\n", argv[0]);
        return 1;
    }
    const int port = std::atoi(argv[1]);
    const double seconds = std::atof(argv[2]);
    const int threads = std::atoi(argv[3]);
    std::vector<std::string> requests;
    std::ifstream urls(argv[4]);
    for (std::string url; std::getline(urls, url);)
        if (!url.empty()) requests.push_back("GET " + url + " HTTP/1.0\r\nAccept: */*\r\n\r\n");
    if (requests.empty()) {
        std::fprintf(stderr, "no addresses in %s\n", argv[4]);
        return 1;
    }
    Totals totals;
    const auto start = std::chrono::steady_clock::now();
    const auto deadline = start + std::chrono::duration<double>(seconds);
    std::vector<std::thread> workers;
    for (int t = 0; t < threads; ++t) {
        workers.emplace_back([&, t] {
            std::vector<char> buffer(1 << 17);
            for (std::size_t i = static_cast<std::size_t>(t); std::chrono::steady_clock::now() < deadline;
                 i += threads) {
                const long long body = Exchange(port, requests[i % requests.size()], buffer);
                if (body < 0) {
                    ++totals.failures;
                } else {
                    ++totals.answers;
                    totals.bytes += body;
                }
            }
        });
    }
    for (std::thread &w : workers)
        w.join();
    const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("answers %lld failures %lld seconds %.2f answers_per_s %.0f mean_body_bytes %.0f MB_per_s %.1f\n",
                totals.answers.load(), totals.failures.load(), elapsed, totals.answers / elapsed,
                totals.answers ? static_cast<double>(totals.bytes) / totals.answers : 0.0,
                totals.bytes / elapsed / 1e6);
    return totals.failures > 0 ? 2 : 0;
}
