#pragma once
// The simulated marketplace as a child process for end-to-end tests: started
// on 127.0.0.1 with a free port, stopped by the destructor (and by itself when
// its lifetime runs out or this process goes).
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

extern char** environ;

namespace rongfan::testing {

class MarketsimProcess {
public:
    // Starts `program` with `arguments` and reads the port it prints first.
    MarketsimProcess(const std::string& program, std::vector<std::string> arguments) {
        arguments.insert(arguments.begin(), {program, "--port", "0", "--lifetime", "600"});
        m_pid = spawn(arguments, &m_stdout);
        char line[32] = {};
        if (m_stdout == nullptr || std::fgets(line, sizeof line, m_stdout) == nullptr) {
            stop();
            throw std::runtime_error("marketsim printed no port");
        }
        m_port = std::stoi(line);
    }
    ~MarketsimProcess() { stop(); }
    MarketsimProcess(const MarketsimProcess&) = delete;
    MarketsimProcess& operator=(const MarketsimProcess&) = delete;

    int Port() const { return m_port; }
    std::string ProxyAddress() const { return "http://127.0.0.1:" + std::to_string(m_port); }

    // Runs `program` with `arguments` to its end and returns what it wrote to stdout.
    static std::string Output(const std::string& program, std::vector<std::string> arguments) {
        arguments.insert(arguments.begin(), program);
        FILE* out = nullptr;
        const pid_t pid = spawn(arguments, &out);
        std::string text;
        char buffer[65536];
        for (std::size_t n; out != nullptr && (n = std::fread(buffer, 1, sizeof buffer, out)) > 0;)
            text.append(buffer, n);
        if (out != nullptr) std::fclose(out);
        int status = 0;
        if (pid > 0) waitpid(pid, &status, 0);
        if (pid <= 0 || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
            throw std::runtime_error("marketsim failed: " + text);
        return text;
    }

private:
    static pid_t spawn(const std::vector<std::string>& arguments, FILE** out) {
        // Close-on-exec: only the copy on the child's stdout survives into it.
        int pipeEnds[2];
        if (pipe2(pipeEnds, O_CLOEXEC) != 0) throw std::runtime_error("no pipe");
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], STDOUT_FILENO);
        std::vector<char*> argv;
        for (const auto& a : arguments)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        pid_t pid = -1;
        const int failed = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        close(pipeEnds[1]);
        if (failed != 0) {
            close(pipeEnds[0]);
            throw std::runtime_error("cannot start " + arguments[0]);
        }
        *out = fdopen(pipeEnds[0], "r");
        return pid;
    }

    void stop() {
        if (m_pid > 0) {
            kill(m_pid, SIGTERM);
            int status = 0;
            waitpid(m_pid, &status, 0);
            m_pid = -1;
        }
        if (m_stdout != nullptr) {
            std::fclose(m_stdout);
            m_stdout = nullptr;
        }
    }

    pid_t m_pid = -1;
    FILE* m_stdout = nullptr;
    int m_port = 0;
};

}  // namespace rongfan::testing
