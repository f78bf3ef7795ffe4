#include "ChildProcess.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <poll.h>
#include <sstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace rongfan::testing {
namespace {

using Clock = std::chrono::steady_clock;

std::vector<char*> cArguments(const std::vector<std::string>& argv) {
    std::vector<char*> out;
    for (const std::string& a : argv)
        out.push_back(const_cast<char*>(a.c_str()));
    out.push_back(nullptr);
    return out;
}

std::string readAndRemove(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    ::unlink(path.c_str());
    return text.str();
}

std::string temporaryFile() {
    std::string path = "/tmp/rongfan-e2e-XXXXXX";
    const int fd = ::mkstemp(path.data());
    if (fd >= 0) ::close(fd);
    return path;
}

}  // namespace

bool HoldsSanitizerReport(const std::string& err) {
    for (const char* mark : {"ERROR: AddressSanitizer", "ERROR: LeakSanitizer",
                             "runtime error:", "WARNING: ThreadSanitizer", "ERROR: ThreadSanitizer"}) {
        if (err.find(mark) != std::string::npos) return true;
    }
    return false;
}

ChildResult RunChild(const std::vector<std::string>& argv, const Environment& environment,
                     std::chrono::milliseconds deadline) {
    const std::string outPath = temporaryFile();
    const std::string errPath = temporaryFile();
    std::vector<char*> args = cArguments(argv);
    const auto started = Clock::now();
    const pid_t pid = ::fork();
    if (pid == 0) {
        // A group of its own, so a hang is ended with everything the child started.
        ::setpgid(0, 0);
        for (const auto& [name, value] : environment) {
            if (value.empty())
                ::unsetenv(name.c_str());
            else
                ::setenv(name.c_str(), value.c_str(), 1);
        }
        const int out = ::open(outPath.c_str(), O_WRONLY | O_TRUNC);
        const int err = ::open(errPath.c_str(), O_WRONLY | O_TRUNC);
        const int in = ::open("/dev/null", O_RDONLY);
        ::dup2(out, STDOUT_FILENO);
        ::dup2(err, STDERR_FILENO);
        ::dup2(in, STDIN_FILENO);
        ::execv(args[0], args.data());
        ::_exit(127);
    }
    ChildResult result;
    if (pid > 0) {
        int status = 0;
        for (;;) {
            const pid_t done = ::waitpid(pid, &status, WNOHANG);
            if (done == pid) break;
            if (done < 0 && errno != EINTR) break;
            if (Clock::now() - started >= deadline) {
                result.hung = true;
                ::kill(-pid, SIGKILL);
                ::kill(pid, SIGKILL);
                while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
                }
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        if (!result.hung) {
            if (WIFEXITED(status)) result.exitCode = WEXITSTATUS(status);
            if (WIFSIGNALED(status)) result.signal = WTERMSIG(status);
        }
    }
    result.ran = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - started);
    result.out = readAndRemove(outPath);
    result.err = readAndRemove(errPath);
    result.sanitizerReport = HoldsSanitizerReport(result.err);
    return result;
}

MarketsimChild::MarketsimChild(const std::string& program, const std::vector<std::string>& arguments) {
    std::vector<std::string> argv{program};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    std::vector<char*> args = cArguments(argv);
    int pipeEnds[2];
    if (::pipe(pipeEnds) != 0) return;
    m_pid = ::fork();
    if (m_pid == 0) {
        // Its own lines ("N shop(s) on ...") would only clutter a test's output.
        const int quiet = ::open("/dev/null", O_WRONLY);
        ::dup2(quiet, STDERR_FILENO);
        ::dup2(pipeEnds[1], STDOUT_FILENO);
        ::close(pipeEnds[0]);
        ::close(pipeEnds[1]);
        ::execv(args[0], args.data());
        ::_exit(127);
    }
    ::close(pipeEnds[1]);
    // The port line comes at once; a simulator that says nothing within a minute did not start.
    std::string line;
    pollfd readable{pipeEnds[0], POLLIN, 0};
    char c = 0;
    while (::poll(&readable, 1, 60000) == 1 && ::read(pipeEnds[0], &c, 1) == 1 && c != '\n')
        line += c;
    ::close(pipeEnds[0]);
    m_port = std::atoi(line.c_str());
}

MarketsimChild::~MarketsimChild() {
    if (m_pid <= 0) return;
    ::kill(m_pid, SIGTERM);
    int status = 0;
    while (::waitpid(m_pid, &status, 0) < 0 && errno == EINTR) {
    }
}

}  // namespace rongfan::testing
