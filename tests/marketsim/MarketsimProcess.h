#pragma once
// Starts the real marketsim program for a test and stops it again.
#include <string>
#include <sys/types.h>
#include <vector>

namespace rongfan::marketsim::test {

class MarketsimProcess {
public:
    // Starts marketsim with `arguments` (a --lifetime safety net is added) and
    // waits for the port on its first line of output.
    explicit MarketsimProcess(const std::vector<std::string> &arguments);
    ~MarketsimProcess();
    MarketsimProcess(const MarketsimProcess &) = delete;
    MarketsimProcess &operator=(const MarketsimProcess &) = delete;

    int Port() const { return m_port; }
    pid_t Pid() const { return m_pid; }
    bool Started() const { return m_port > 0; }

private:
    pid_t m_pid = -1;
    int m_port = 0;
};

struct RunResult {
    int exitCode = -1;
    std::string out;
    std::string err;
};
// Runs marketsim to its end (for --help, --dump-expected and bad options).
RunResult RunMarketsim(const std::vector<std::string> &arguments);

// pid of a marketsim started by a child process that then exits at once, leaving marketsim orphaned.
pid_t StartOrphanedMarketsim(const std::vector<std::string> &arguments);
// True once `pid` is gone or a zombie, polling up to `seconds`.
bool WaitUntilGone(pid_t pid, double seconds);

std::string MarketsimPath();

} // namespace rongfan::marketsim::test
