#include "ChildProcess.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <spawn.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace rongfan::testing {
namespace {

using Clock = std::chrono::steady_clock;

// Reaps `pid` if it has ended by `deadline`; polls, since a child may outlive any one wait.
bool waitUntil(pid_t pid, Clock::time_point deadline, int& status) {
    auto pause = std::chrono::milliseconds(1);
    for (;;) {
        const pid_t done = ::waitpid(pid, &status, WNOHANG);
        if (done == pid) return true;
        if (done < 0 && errno != EINTR) {
            status = -1;  // reaped elsewhere: its ending is unknown, neither an exit nor a signal
            return true;
        }
        if (Clock::now() >= deadline) return false;
        std::this_thread::sleep_for(pause);
        pause = std::min(pause * 2, std::chrono::milliseconds(20));
    }
}

void reap(pid_t pid, int& status) {
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
}

// An anonymous file for a child's output: nothing is left behind in /tmp,
// and a child that fills it never blocks as it would on a pipe.
int outputFile(const char* name) {
    return ::memfd_create(name, MFD_CLOEXEC);
}

std::string readAll(int fd) {
    std::string text;
    char buffer[65536];
    off_t at = 0;
    for (;;) {
        const ssize_t n = ::pread(fd, buffer, sizeof buffer, at);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        text.append(buffer, static_cast<std::size_t>(n));
        at += n;
    }
    return text;
}

}  // namespace

struct ChildLaunch::Plan {
    std::vector<std::string> argv;
    std::vector<std::string> environment;
    std::vector<char*> argvPointers;
    std::vector<char*> environmentPointers;
    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attributes;
};

ChildLaunch::ChildLaunch(std::vector<std::string> argv, const Environment& environment)
    : m_plan(std::make_unique<Plan>()) {
    Plan& plan = *m_plan;
    plan.argv = std::move(argv);
    for (char** entry = environ; *entry != nullptr; ++entry) {
        const std::string_view line(*entry);
        bool changed = false;
        for (const auto& change : environment)
            changed = changed || (line.size() > change.first.size() && line.starts_with(change.first) &&
                                  line[change.first.size()] == '=');
        if (!changed) plan.environment.emplace_back(line);
    }
    for (const auto& [name, value] : environment)
        if (!value.empty()) plan.environment.push_back(name + "=" + value);
    for (std::string& a : plan.argv)
        plan.argvPointers.push_back(a.data());
    plan.argvPointers.push_back(nullptr);
    for (std::string& e : plan.environment)
        plan.environmentPointers.push_back(e.data());
    plan.environmentPointers.push_back(nullptr);

    posix_spawn_file_actions_init(&plan.actions);
    posix_spawn_file_actions_addopen(&plan.actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawnattr_init(&plan.attributes);
    sigset_t none;
    sigemptyset(&none);
    posix_spawnattr_setsigmask(&plan.attributes, &none);
    posix_spawnattr_setflags(&plan.attributes, POSIX_SPAWN_SETSIGMASK);
}

ChildLaunch::~ChildLaunch() {
    posix_spawn_file_actions_destroy(&m_plan->actions);
    posix_spawnattr_destroy(&m_plan->attributes);
}

void ChildLaunch::StdoutTo(int fd) {
    posix_spawn_file_actions_adddup2(&m_plan->actions, fd, STDOUT_FILENO);
}

void ChildLaunch::StderrTo(int fd) {
    posix_spawn_file_actions_adddup2(&m_plan->actions, fd, STDERR_FILENO);
}

void ChildLaunch::OwnGroup() {
    posix_spawnattr_setpgroup(&m_plan->attributes, 0);
    posix_spawnattr_setflags(&m_plan->attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETPGROUP);
}

pid_t ChildLaunch::Start() {
    Plan& plan = *m_plan;
    if (plan.argv.empty()) return -1;
    pid_t pid = -1;
    if (::posix_spawn(&pid, plan.argvPointers[0], &plan.actions, &plan.attributes, plan.argvPointers.data(),
                      plan.environmentPointers.data()) != 0)
        return -1;
    return pid;
}

bool HoldsSanitizerReport(const std::string& err) {
    for (const char* mark : {"ERROR: AddressSanitizer", "ERROR: LeakSanitizer",
                             "runtime error:", "WARNING: ThreadSanitizer", "ERROR: ThreadSanitizer"}) {
        if (err.find(mark) != std::string::npos) return true;
    }
    return false;
}

ChildResult RunChild(const std::vector<std::string>& argv, const Environment& environment,
                     std::chrono::milliseconds deadline) {
    ChildResult result;
    const int out = outputFile("child-stdout");
    const int err = outputFile("child-stderr");
    if (out < 0 || err < 0) {
        if (out >= 0) ::close(out);
        if (err >= 0) ::close(err);
        return result;
    }
    ChildLaunch launch(argv, environment);
    launch.StdoutTo(out);
    launch.StderrTo(err);
    launch.OwnGroup();
    const auto started = Clock::now();
    const pid_t pid = launch.Start();
    if (pid > 0) {
        result.started = true;
        int status = 0;
        if (!waitUntil(pid, started + deadline, status)) {
            result.hung = true;
            ::kill(-pid, SIGKILL);
            ::kill(pid, SIGKILL);
            reap(pid, status);
        } else if (WIFEXITED(status)) {
            result.exitCode = WEXITSTATUS(status);
        } else if (WIFSIGNALED(status)) {
            result.signal = WTERMSIG(status);
        }
    }
    result.ran = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - started);
    result.out = readAll(out);
    result.err = readAll(err);
    ::close(out);
    ::close(err);
    result.sanitizerReport = HoldsSanitizerReport(result.err);
    return result;
}

void StopChild(pid_t pid, std::chrono::milliseconds grace) {
    if (pid <= 0) return;
    ::kill(pid, SIGTERM);
    int status = 0;
    if (waitUntil(pid, Clock::now() + grace, status)) return;
    ::kill(pid, SIGKILL);
    reap(pid, status);
}

bool WaitUntilGone(pid_t pid, std::chrono::milliseconds patience) {
    const auto deadline = Clock::now() + patience;
    for (;;) {
        std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
        std::string text;
        std::getline(stat, text);
        // The state follows the command name in parentheses, which may itself hold ')'.
        const auto close = text.rfind(')');
        if (!stat || text.empty() || (close != std::string::npos && close + 2 < text.size() && text[close + 2] == 'Z'))
            return true;
        if (Clock::now() >= deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
}

}  // namespace rongfan::testing
