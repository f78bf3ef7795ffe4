#include "host/Host.h"

#include "host/CookieStore.h"

#include <fcntl.h>
#include <malloc.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

extern char **environ;

namespace rongfan {

namespace {

std::mutex g_hookMutex;
OpenHook g_browserHook;
OpenHook g_shellHook;
ClearCacheHook g_clearCacheHook;
std::string g_openerProgram;

std::string errorText(int err) {
    return std::system_category().message(err);
}

// Starts `program argument` in its own session, with no shell between us and it,
// and reaps it from a detached thread so no zombie is left behind.
void launchDetached(std::string program, std::string argument) {
    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attributes;
    if (posix_spawn_file_actions_init(&actions) != 0) return;
    if (posix_spawnattr_init(&attributes) != 0) {
        posix_spawn_file_actions_destroy(&actions);
        return;
    }
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID);
    std::vector<char *> argv{program.data(), argument.data(), nullptr};
    pid_t pid = 0;
    const int rc = posix_spawnp(&pid, program.c_str(), &actions, &attributes, argv.data(), environ);
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) return;
    std::thread([pid] {
        int status = 0;
        while (waitpid(pid, &status, 0) == -1 && errno == EINTR) {
        }
    }).detach();
}

std::string openerProgram() {
    std::lock_guard lock(g_hookMutex);
    return g_openerProgram.empty() ? std::string("xdg-open") : g_openerProgram;
}

OpenHook hookOf(const OpenHook &hook) {
    std::lock_guard lock(g_hookMutex);
    return hook;
}

} // namespace

void StartWorker(std::function<void()> routine) {
    std::thread(std::move(routine)).detach();
}

void KeepHeapForPages() {
#if defined(__GLIBC__)
    // Setting either value also stops glibc from moving the thresholds by itself.
    mallopt(M_MMAP_THRESHOLD, 4 * 1024 * 1024);
    mallopt(M_TRIM_THRESHOLD, 32 * 1024 * 1024);
#endif
}

std::string RunDirectory() {
    std::string buffer(256, '\0');
    while (true) {
        const ssize_t n = readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (n < 0) return ".";
        if (static_cast<size_t>(n) < buffer.size()) {
            buffer.resize(static_cast<size_t>(n));
            break;
        }
        buffer.resize(buffer.size() * 2);
    }
    const auto slash = buffer.rfind('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return buffer.substr(0, slash);
}

WriteResult WriteWholeFile(const std::string &path, std::string_view bytes) {
    if (path.empty()) return {false, "no file name given"};
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) return {false, "cannot open " + path + ": " + errorText(errno)};
    std::size_t written = 0;
    while (written < bytes.size()) {
        const ssize_t n = write(fd, bytes.data() + written, bytes.size() - written);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            const int err = n < 0 ? errno : ENOSPC;
            close(fd);
            return {false, "cannot write " + path + ": " + errorText(err)};
        }
        written += static_cast<std::size_t>(n);
    }
    // A full disk or a network file system may only report the failure here.
    if (close(fd) != 0) return {false, "cannot finish writing " + path + ": " + errorText(errno)};
    return {true, {}};
}

void SetOpenInBrowserHook(OpenHook hook) {
    std::lock_guard lock(g_hookMutex);
    g_browserHook = std::move(hook);
}

void SetOpenWithShellHook(OpenHook hook) {
    std::lock_guard lock(g_hookMutex);
    g_shellHook = std::move(hook);
}

void SetOpenerProgramForTesting(std::string program) {
    std::lock_guard lock(g_hookMutex);
    g_openerProgram = std::move(program);
}

void OpenInBrowser(const std::string &address) {
    if (const OpenHook hook = hookOf(g_browserHook)) {
        hook(address);
        return;
    }
    // The opener would read a leading "-" as one of its options.
    if (address.empty() || address.front() == '-') return;
    launchDetached(openerProgram(), address);
}

void OpenWithShell(const std::string &path) {
    if (const OpenHook hook = hookOf(g_shellHook)) {
        hook(path);
        return;
    }
    if (path.empty()) return;
    launchDetached(openerProgram(), path.front() == '-' ? "./" + path : path);
}

void SetClearBrowserCacheHook(ClearCacheHook hook) {
    std::lock_guard lock(g_hookMutex);
    g_clearCacheHook = std::move(hook);
}

void ClearBrowserCache(CacheMode mode) {
    // The engine keeps no cache of pages; its only stored state is the cookie store.
    if (mode == CacheMode::Cookies) CookieStore::Instance().Clear();
    ClearCacheHook hook;
    {
        std::lock_guard lock(g_hookMutex);
        hook = g_clearCacheHook;
    }
    if (hook) hook(mode);
}

} // namespace rongfan
