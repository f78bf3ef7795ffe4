#pragma once
// Running a program under test as a child with a deadline: a child that does
// not end in time is killed (with everything it started) and reported as hung,
// one killed by a signal or stopped by a sanitizer is reported as crashed.
#include <chrono>
#include <string>
#include <sys/types.h>
#include <utility>
#include <vector>

namespace rongfan::testing {

using Environment = std::vector<std::pair<std::string, std::string>>;  // set; an empty value unsets

struct ChildResult {
    bool hung = false;             // killed at the deadline
    int signal = 0;                // the signal that ended it, 0 when it exited
    int exitCode = -1;             // its exit status when it exited
    bool sanitizerReport = false;  // stderr holds an AddressSanitizer, LeakSanitizer, UBSan or TSan report
    std::string out;
    std::string err;
    std::chrono::milliseconds ran{0};

    bool Crashed() const { return !hung && (signal != 0 || sanitizerReport); }
};

ChildResult RunChild(const std::vector<std::string>& argv, const Environment& environment,
                     std::chrono::milliseconds deadline);

// Whether a program's standard error holds a sanitizer's report.
bool HoldsSanitizerReport(const std::string& err);

// A marketsim child serving until this object goes; it also ends itself when
// the test process ends. The port is the first line of its stdout.
class MarketsimChild {
public:
    MarketsimChild(const std::string& program, const std::vector<std::string>& arguments);
    ~MarketsimChild();
    MarketsimChild(const MarketsimChild&) = delete;
    MarketsimChild& operator=(const MarketsimChild&) = delete;

    int Port() const { return m_port; }  // 0 when it did not start
    std::string Proxy() const { return "http://127.0.0.1:" + std::to_string(m_port); }

private:
    pid_t m_pid = -1;
    int m_port = 0;
};

}  // namespace rongfan::testing
