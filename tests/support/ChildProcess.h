#pragma once
// Running other programs from a test: started directly (no shell), stdin from
// /dev/null, stdout and stderr captured, waited for with a deadline. A child
// that does not end in time is killed with everything it started and reported
// as hung; one killed by a signal or stopped by a sanitizer is reported as crashed.
#include <chrono>
#include <memory>
#include <string>
#include <sys/types.h>
#include <utility>
#include <vector>

namespace rongfan::testing {

// Changes to this process's environment for a child: each name is set to its
// value, or removed when the value is empty.
using Environment = std::vector<std::pair<std::string, std::string>>;

struct ChildResult {
    bool started = false;          // the program could be run at all
    bool hung = false;             // killed at the deadline
    int signal = 0;                // the signal that ended it, 0 when it exited
    int exitCode = -1;             // its exit status; -1 when it did not exit by itself
    bool sanitizerReport = false;  // stderr holds an AddressSanitizer, LeakSanitizer, UBSan or TSan report
    std::string out;
    std::string err;
    std::chrono::milliseconds ran{0};

    bool Crashed() const { return !hung && (signal != 0 || sanitizerReport); }
};

// Long enough for any program a test runs; short enough that a hang is reported
// by the test rather than by the test runner's time-out.
inline constexpr std::chrono::milliseconds DefaultDeadline = std::chrono::minutes(5);

// Runs `argv` (argv[0] is the program's path) to its end, or to `deadline`.
ChildResult RunChild(const std::vector<std::string>& argv, const Environment& environment = {},
                     std::chrono::milliseconds deadline = DefaultDeadline);

// Whether a program's standard error holds a sanitizer's report.
bool HoldsSanitizerReport(const std::string& err);

// One child, prepared ahead: its command line, environment and standard
// streams. Start() allocates nothing, so it may also be called in a process
// just forked from this one. Stdin is /dev/null; stdout and stderr are this
// process's unless given; the signal mask is cleared.
class ChildLaunch {
public:
    explicit ChildLaunch(std::vector<std::string> argv, const Environment& environment = {});
    ~ChildLaunch();
    ChildLaunch(const ChildLaunch&) = delete;
    ChildLaunch& operator=(const ChildLaunch&) = delete;

    void StdoutTo(int fd);
    void StderrTo(int fd);
    // A process group of its own, so a hang can be ended with everything the child started.
    void OwnGroup();
    // The child's pid, or -1 when the program cannot be run.
    pid_t Start();

private:
    struct Plan;
    std::unique_ptr<Plan> m_plan;
};

// Asks `pid` to end (SIGTERM), kills it when it has not ended after `grace`, and reaps it.
void StopChild(pid_t pid, std::chrono::milliseconds grace = std::chrono::seconds(10));

// True once `pid` is gone or a zombie (ended, not yet reaped), polling up to `patience`.
bool WaitUntilGone(pid_t pid, std::chrono::milliseconds patience);

}  // namespace rongfan::testing
