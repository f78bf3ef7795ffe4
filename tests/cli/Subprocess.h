#pragma once
// Running the programs under test as child processes.
#include <string>
#include <sys/types.h>
#include <utility>
#include <vector>

namespace rongfan::testing {

using Environment = std::vector<std::pair<std::string, std::string>>;  // set; an empty value unsets

struct ProcessResult {
    int exitCode = -1;  // -1 when it did not exit normally
    std::string out;
    std::string err;
};

// Runs `argv` to its end with stdout and stderr captured.
ProcessResult RunProcess(const std::vector<std::string>& argv, const Environment& environment = {});

// A marketsim child serving until this object goes (it also ends itself when
// the test process ends). The port is the first line of its stdout.
class MarketSim {
public:
    MarketSim(const std::string& program, const std::vector<std::string>& arguments);
    ~MarketSim();
    MarketSim(const MarketSim&) = delete;
    MarketSim& operator=(const MarketSim&) = delete;

    int Port() const { return m_port; }  // 0 when it did not start
    std::string Proxy() const { return "http://127.0.0.1:" + std::to_string(m_port); }

private:
    pid_t m_pid = -1;
    int m_port = 0;
};

}  // namespace rongfan::testing
