// marketsim: the simulated marketplace. Prints its port as the first line of
// stdout, serves until --lifetime runs out or its parent process goes away.
#include "ExpectedRows.h"
#include "FaultPlan.h"
#include "HttpServer.h"
#include "MarketConfig.h"
#include "RequestLog.h"
#include "Router.h"
#include "SessionBook.h"
#include "ShopModel.h"

#include <chrono>
#include <csignal>
#include <cstdio>
#include <fstream>
#include <sys/prctl.h>
#include <thread>
#include <unistd.h>

using namespace rongfan::marketsim;

int main(int argc, char **argv) {
    // Tests and the demo start us as a child: when the parent goes, so do we,
    // even if it died before prctl took effect (then we are already re-parented).
    const pid_t parent = ::getppid();
    ::prctl(PR_SET_PDEATHSIG, SIGTERM);
    if (::getppid() != parent) return 0;
    std::signal(SIGPIPE, SIG_IGN);

    MarketConfig config;
    ParseResult parsed = ParseArguments(argc, argv, config);
    if (parsed.ok && !config.help) parsed = ValidateConfig(config);
    if (!parsed.ok) {
        std::fprintf(stderr, "marketsim: %s\n", parsed.error.c_str());
        return 2;
    }
    if (config.help) {
        std::fputs(HelpText().c_str(), stdout);
        return 0;
    }

    const Market market(config);
    if (config.dumpExpected) {
        const std::string json = ExpectedJson(market);
        std::fwrite(json.data(), 1, json.size(), stdout);
        return 0;
    }
    if (!config.expectedFile.empty()) {
        std::ofstream out(config.expectedFile, std::ios::binary | std::ios::trunc);
        out << ExpectedJson(market);
        if (!out) {
            std::fprintf(stderr, "marketsim: cannot write %s\n", config.expectedFile.c_str());
            return 1;
        }
    }

    RequestLog log(config.requestLog);
    if (!log.Ok()) {
        std::fprintf(stderr, "marketsim: cannot open %s\n", config.requestLog.c_str());
        return 1;
    }
    SessionBook sessions(market.PresetSession(), config.seed, config.loginExpiresAfter);
    Router router(market, sessions);
    FaultPlan faults(market.Config());
    HttpServer server(router, faults, log, config.stallSeconds);
    std::string error;
    const int port = server.Listen(config.port, error);
    if (port < 0) {
        std::fprintf(stderr, "marketsim: cannot listen on 127.0.0.1:%d: %s\n", config.port, error.c_str());
        return 1;
    }
    std::printf("%d\n", port);
    std::fflush(stdout);
    server.Start(config.threads);
    std::fprintf(stderr, "marketsim: %zu shop(s) on 127.0.0.1:%d\n", market.Shops().size(), port);

    const auto start = std::chrono::steady_clock::now();
    for (;;) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        if (::getppid() != parent) break;
        if (config.lifetimeSeconds > 0 &&
            std::chrono::steady_clock::now() - start >= std::chrono::duration<double>(config.lifetimeSeconds))
            break;
    }
    std::fflush(nullptr);
    // Workers may be blocked in accept or asleep in a latency: leave without unwinding them.
    ::_exit(0);
}
