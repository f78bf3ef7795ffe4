#include "MarketsimProcess.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char **environ;

namespace rongfan::marketsim::test {
namespace {

std::vector<char *> Argv(const std::vector<std::string> &arguments) {
    static std::string path = MarketsimPath();
    std::vector<char *> argv = {path.data()};
    for (const std::string &a : arguments)
        argv.push_back(const_cast<char *>(a.c_str()));
    argv.push_back(nullptr);
    return argv;
}

pid_t Spawn(const std::vector<std::string> &arguments, int outFd, int errFd) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (outFd >= 0) posix_spawn_file_actions_adddup2(&actions, outFd, STDOUT_FILENO);
    if (errFd >= 0) posix_spawn_file_actions_adddup2(&actions, errFd, STDERR_FILENO);
    auto argv = Argv(arguments);
    pid_t pid = -1;
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

std::string ReadAll(int fd) {
    std::string out;
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        out.append(buffer, static_cast<std::size_t>(n));
    }
    return out;
}

} // namespace

std::string MarketsimPath() {
    return MARKETSIM_PATH;
}

MarketsimProcess::MarketsimProcess(const std::vector<std::string> &arguments) {
    int out[2];
    if (::pipe2(out, O_CLOEXEC) != 0) return;
    std::vector<std::string> args = {"--lifetime", "300"};
    args.insert(args.end(), arguments.begin(), arguments.end());
    m_pid = Spawn(args, out[1], -1);
    ::close(out[1]);
    std::string line;
    pollfd p{out[0], POLLIN, 0};
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (m_pid > 0 && line.find('\n') == std::string::npos && std::chrono::steady_clock::now() < deadline) {
        if (::poll(&p, 1, 200) <= 0) continue;
        char c[256];
        const ssize_t n = ::read(out[0], c, sizeof c);
        if (n <= 0) break;
        line.append(c, static_cast<std::size_t>(n));
    }
    ::close(out[0]);
    m_port = std::atoi(line.c_str());
}

MarketsimProcess::~MarketsimProcess() {
    if (m_pid <= 0) return;
    ::kill(m_pid, SIGTERM);
    int status = 0;
    ::waitpid(m_pid, &status, 0);
}

RunResult RunMarketsim(const std::vector<std::string> &arguments) {
    RunResult result;
    char outPath[] = "/tmp/marketsim-test-outXXXXXX";
    char errPath[] = "/tmp/marketsim-test-errXXXXXX";
    const int outFd = ::mkstemp(outPath), errFd = ::mkstemp(errPath);
    const pid_t pid = Spawn(arguments, outFd, errFd);
    int status = 0;
    if (pid > 0 && ::waitpid(pid, &status, 0) == pid && WIFEXITED(status)) result.exitCode = WEXITSTATUS(status);
    ::lseek(outFd, 0, SEEK_SET);
    ::lseek(errFd, 0, SEEK_SET);
    result.out = ReadAll(outFd);
    result.err = ReadAll(errFd);
    ::close(outFd);
    ::close(errFd);
    ::unlink(outPath);
    ::unlink(errPath);
    return result;
}

pid_t StartOrphanedMarketsim(const std::vector<std::string> &arguments) {
    int report[2];
    if (::pipe(report) != 0) return -1;
    const pid_t middle = ::fork();
    if (middle == 0) {
        ::close(report[0]);
        const int devnull = ::open("/dev/null", O_WRONLY);
        const pid_t pid = Spawn(arguments, devnull, devnull);
        // Give marketsim time to settle before its parent goes.
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        (void)!::write(report[1], &pid, sizeof pid);
        ::_exit(0);
    }
    ::close(report[1]);
    pid_t pid = -1;
    if (::read(report[0], &pid, sizeof pid) != sizeof pid) pid = -1;
    ::close(report[0]);
    int status = 0;
    ::waitpid(middle, &status, 0);
    return pid;
}

bool WaitUntilGone(pid_t pid, double seconds) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (std::chrono::steady_clock::now() < deadline) {
        std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
        std::string text;
        std::getline(stat, text);
        const auto close = text.rfind(')');
        if (!stat || text.empty() || (close != std::string::npos && close + 2 < text.size() && text[close + 2] == 'Z'))
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
}

} // namespace rongfan::marketsim::test
