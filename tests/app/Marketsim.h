#pragma once
// The simulated marketplace as a child process on 127.0.0.1 (a free port). It
// exits with its parent, and is stopped when this object goes.
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace rongfan::testing {

class Marketsim {
public:
    explicit Marketsim(std::vector<std::string> arguments) {
        int out[2];
        if (::pipe2(out, O_CLOEXEC) != 0) return;
        std::string path = MARKETSIM_PATH;
        std::vector<char*> argv{path.data()};
        for (std::string& a : arguments) argv.push_back(a.data());
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
        if (posix_spawn(&m_pid, path.c_str(), &actions, nullptr, argv.data(), environ) != 0) m_pid = -1;
        posix_spawn_file_actions_destroy(&actions);
        ::close(out[1]);
        // The port is the first line it prints.
        std::string line;
        pollfd ready{out[0], POLLIN, 0};
        for (int waited = 0; m_pid > 0 && line.find('\n') == std::string::npos && waited < 300; ++waited) {
            if (::poll(&ready, 1, 100) <= 0) continue;
            char buffer[64];
            const ssize_t n = ::read(out[0], buffer, sizeof buffer);
            if (n <= 0) break;
            line.append(buffer, static_cast<std::size_t>(n));
        }
        ::close(out[0]);
        m_port = std::atoi(line.c_str());
    }
    Marketsim(const Marketsim&) = delete;
    Marketsim& operator=(const Marketsim&) = delete;
    ~Marketsim() {
        if (m_pid <= 0) return;
        ::kill(m_pid, SIGTERM);
        int status = 0;
        ::waitpid(m_pid, &status, 0);
    }

    int Port() const { return m_port; }
    std::string Proxy() const { return "http://127.0.0.1:" + std::to_string(m_port); }

    // What --dump-expected prints for the same arguments: the truth about every shop.
    static std::string Expected(const std::vector<std::string>& arguments) {
        std::string command = MARKETSIM_PATH;
        for (const std::string& a : arguments) command += " '" + a + "'";
        command += " --dump-expected";
        std::string out;
        if (FILE* pipe = ::popen(command.c_str(), "r")) {
            char buffer[65536];
            std::size_t n;
            while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
            ::pclose(pipe);
        }
        return out;
    }

private:
    pid_t m_pid = -1;
    int m_port = 0;
};

}  // namespace rongfan::testing
