#include "Subprocess.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

namespace rongfan::testing {
namespace {

std::vector<char*> cArguments(const std::vector<std::string>& argv) {
    std::vector<char*> out;
    for (const std::string& a : argv) out.push_back(const_cast<char*>(a.c_str()));
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
    std::string path = "/tmp/rongfan-cli-test-XXXXXX";
    const int fd = ::mkstemp(path.data());
    if (fd >= 0) ::close(fd);
    return path;
}

int waitFor(pid_t pid) {
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace

ProcessResult RunProcess(const std::vector<std::string>& argv, const Environment& environment) {
    const std::string outPath = temporaryFile();
    const std::string errPath = temporaryFile();
    std::vector<char*> args = cArguments(argv);
    const pid_t pid = ::fork();
    if (pid == 0) {
        for (const auto& [name, value] : environment) {
            if (value.empty()) ::unsetenv(name.c_str());
            else ::setenv(name.c_str(), value.c_str(), 1);
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
    ProcessResult result;
    if (pid > 0) result.exitCode = waitFor(pid);
    result.out = readAndRemove(outPath);
    result.err = readAndRemove(errPath);
    return result;
}

MarketSim::MarketSim(const std::string& program, const std::vector<std::string>& arguments) {
    std::vector<std::string> argv{program};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    std::vector<char*> args = cArguments(argv);
    int pipeEnds[2];
    if (::pipe(pipeEnds) != 0) return;
    m_pid = ::fork();
    if (m_pid == 0) {
        ::dup2(pipeEnds[1], STDOUT_FILENO);
        ::close(pipeEnds[0]);
        ::close(pipeEnds[1]);
        ::execv(args[0], args.data());
        ::_exit(127);
    }
    ::close(pipeEnds[1]);
    std::string line;
    char c = 0;
    while (::read(pipeEnds[0], &c, 1) == 1 && c != '\n') line += c;
    // Its stdout stays open, unread: it prints nothing more.
    ::close(pipeEnds[0]);
    m_port = std::atoi(line.c_str());
}

MarketSim::~MarketSim() {
    if (m_pid <= 0) return;
    ::kill(m_pid, SIGTERM);
    waitFor(m_pid);
}

}  // namespace rongfan::testing
