#pragma once
// The simulated marketplace as a child of a test: on 127.0.0.1 with a free
// port, ended by the destructor, and by itself when its lifetime runs out or
// this process goes.
#include <chrono>
#include <string>
#include <sys/types.h>
#include <vector>

#include "ChildProcess.h"

namespace rongfan::testing {

// The marketsim program of this build.
const std::string& MarketsimProgram();

class Marketsim {
public:
    // Starts marketsim with `arguments` and reads the port it prints on its
    // first line of stdout. "--port 0" and a "--lifetime" safety net go first,
    // so the caller's own --port and --lifetime win. What it says on stderr is
    // passed on only when it does not start.
    explicit Marketsim(const std::vector<std::string>& arguments);
    ~Marketsim();
    Marketsim(const Marketsim&) = delete;
    Marketsim& operator=(const Marketsim&) = delete;

    bool Started() const { return m_port > 0; }
    int Port() const { return m_port; }  // 0 when it did not start
    pid_t Pid() const { return m_pid; }
    // The address to give a client as its http_proxy.
    std::string Proxy() const { return "http://127.0.0.1:" + std::to_string(m_port); }

private:
    pid_t m_pid = -1;
    int m_port = 0;
};

// Runs marketsim with `arguments` to its end (--help, --dump-expected, options it refuses).
ChildResult RunMarketsim(const std::vector<std::string>& arguments);

// What --dump-expected prints for `arguments`: the truth about every shop they
// declare, as JSON. Throws std::runtime_error with marketsim's stderr when it fails.
std::string MarketsimExpected(const std::vector<std::string>& arguments);

// Starts marketsim from a child process that exits at once, leaving marketsim
// orphaned; gives its pid, or -1.
pid_t StartOrphanedMarketsim(const std::vector<std::string>& arguments);

}  // namespace rongfan::testing
