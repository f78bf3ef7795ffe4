#include "Marketsim.h"

#include <cerrno>
#include <cstdio>
#include <ctime>
#include <fcntl.h>
#include <poll.h>
#include <stdexcept>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

namespace rongfan::testing {
namespace {

using Clock = std::chrono::steady_clock;

// A test that dies without ending its simulator must not leave it serving for ever.
const char* const SafetyLifetime = "600";
// The port line comes at once; a simulator that says nothing within a minute did not start.
constexpr auto PortPatience = std::chrono::seconds(60);

std::vector<std::string> commandLine(const std::vector<std::string>& arguments) {
    std::vector<std::string> argv = {MarketsimProgram(), "--port", "0", "--lifetime", SafetyLifetime};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    return argv;
}

// The first line `fd` delivers before `deadline`, without its line end; "" when none comes.
std::string firstLine(int fd, Clock::time_point deadline) {
    std::string line;
    pollfd readable{fd, POLLIN, 0};
    while (line.find('\n') == std::string::npos) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0) return {};
        const int ready = ::poll(&readable, 1, static_cast<int>(left));
        if (ready < 0 && errno == EINTR) continue;
        if (ready <= 0) return {};
        char buffer[64];
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return {};
        line.append(buffer, static_cast<std::size_t>(n));
    }
    return line.substr(0, line.find('\n'));
}

std::string readAll(int fd) {
    std::string text;
    char buffer[4096];
    off_t at = 0;
    for (ssize_t n; (n = ::pread(fd, buffer, sizeof buffer, at)) > 0; at += n)
        text.append(buffer, static_cast<std::size_t>(n));
    return text;
}

// The port as marketsim prints it: digits only, 1 to 65535; 0 for anything else.
int portOf(const std::string& line) {
    if (line.empty() || line.size() > 5 || line.find_first_not_of("0123456789") != std::string::npos) return 0;
    const int port = std::stoi(line);
    return port <= 65535 ? port : 0;
}

}  // namespace

const std::string& MarketsimProgram() {
    static const std::string program = RONGFAN_MARKETSIM_PROGRAM;
    return program;
}

Marketsim::Marketsim(const std::vector<std::string>& arguments) {
    int out[2];
    if (::pipe2(out, O_CLOEXEC) != 0) return;
    // Its stderr ("N shop(s) on ...") would only clutter a test's output; kept
    // aside, it explains a start that failed.
    const int err = ::memfd_create("marketsim-stderr", MFD_CLOEXEC);
    ChildLaunch launch(commandLine(arguments));
    launch.StdoutTo(out[1]);
    if (err >= 0) launch.StderrTo(err);
    m_pid = launch.Start();
    ::close(out[1]);
    if (m_pid > 0) m_port = portOf(firstLine(out[0], Clock::now() + PortPatience));
    // It prints nothing more on stdout.
    ::close(out[0]);
    if (m_port == 0) {
        StopChild(m_pid);
        m_pid = -1;
        const std::string said = err >= 0 ? readAll(err) : std::string();
        std::fprintf(stderr, "marketsim did not start%s%s\n", said.empty() ? "" : ": ", said.c_str());
    }
    if (err >= 0) ::close(err);
}

Marketsim::~Marketsim() {
    StopChild(m_pid);
}

ChildResult RunMarketsim(const std::vector<std::string>& arguments) {
    std::vector<std::string> argv = {MarketsimProgram()};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    return RunChild(argv);
}

std::string MarketsimExpected(const std::vector<std::string>& arguments) {
    std::vector<std::string> dump = arguments;
    dump.push_back("--dump-expected");
    const ChildResult run = RunMarketsim(dump);
    if (run.exitCode != 0) throw std::runtime_error("marketsim --dump-expected failed: " + run.err);
    return run.out;
}

pid_t StartOrphanedMarketsim(const std::vector<std::string>& arguments) {
    // Everything is prepared before the fork: the middle process only starts
    // marketsim, waits and reports, as a child of a threaded process must.
    const int quiet = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
    ChildLaunch launch(commandLine(arguments));
    if (quiet >= 0) {
        launch.StdoutTo(quiet);
        launch.StderrTo(quiet);
    }
    int report[2];
    if (::pipe2(report, O_CLOEXEC) != 0) {
        if (quiet >= 0) ::close(quiet);
        return -1;
    }
    const pid_t middle = ::fork();
    if (middle == 0) {
        const pid_t pid = launch.Start();
        // Give marketsim time to settle before its parent goes.
        const timespec settle{0, 300'000'000};
        ::nanosleep(&settle, nullptr);
        (void)!::write(report[1], &pid, sizeof pid);
        ::_exit(0);
    }
    ::close(report[1]);
    if (quiet >= 0) ::close(quiet);
    pid_t pid = -1;
    if (middle < 0 || ::read(report[0], &pid, sizeof pid) != sizeof pid) pid = -1;
    ::close(report[0]);
    if (middle > 0) {
        int status = 0;
        while (::waitpid(middle, &status, 0) < 0 && errno == EINTR) {
        }
    }
    return pid;
}

}  // namespace rongfan::testing
