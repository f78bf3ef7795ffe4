#pragma once
// Runs tools/marketsim for a test: on 127.0.0.1, port 0, with a lifetime so it
// ends by itself even if the test dies; stopped when the object goes.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

extern char** environ;

namespace rongfan::testing {

// Runs `argv` and gives its stdout (for --dump-expected); empty on failure.
inline std::string RunForOutput(const std::vector<std::string>& argv) {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) return {};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
    std::vector<char*> args;
    for (const std::string& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    pid_t pid = -1;
    const int rc = ::posix_spawn(&pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(fds[1]);
    std::string out;
    if (rc == 0) {
        char buffer[65536];
        ssize_t n;
        while ((n = ::read(fds[0], buffer, sizeof buffer)) > 0)
            out.append(buffer, static_cast<std::size_t>(n));
        int status = 0;
        ::waitpid(pid, &status, 0);
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) out.clear();
    }
    ::close(fds[0]);
    return out;
}

class Marketsim {
public:
    // `options` after the program name; "--port 0" and "--lifetime" are added.
    bool Start(const std::string& program, const std::vector<std::string>& options) {
        int fds[2];
        if (::pipe2(fds, O_CLOEXEC) != 0) return false;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
        std::vector<std::string> argv = {program, "--port", "0", "--lifetime", "600"};
        argv.insert(argv.end(), options.begin(), options.end());
        std::vector<char*> args;
        for (const std::string& a : argv)
            args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        const int rc = ::posix_spawn(&m_pid, args[0], &actions, nullptr, args.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        ::close(fds[1]);
        if (rc != 0) {
            ::close(fds[0]);
            m_pid = -1;
            return false;
        }
        m_out = fds[0];
        // The first line is the port it listens on.
        std::string line;
        char c;
        while (::read(m_out, &c, 1) == 1 && c != '\n')
            line.push_back(c);
        m_port = std::atoi(line.c_str());
        return m_port > 0;
    }

    int Port() const { return m_port; }

    ~Marketsim() {
        if (m_pid > 0) {
            ::kill(m_pid, SIGTERM);
            ::waitpid(m_pid, nullptr, 0);
        }
        if (m_out >= 0) ::close(m_out);
    }

private:
    pid_t m_pid = -1;
    int m_out = -1;
    int m_port = 0;
};

}  // namespace rongfan::testing
