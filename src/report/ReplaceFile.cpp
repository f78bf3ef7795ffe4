#include "report/ReplaceFile.h"

#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <system_error>
#include <unistd.h>

namespace rongfan {
namespace {

WriteResult failure(int error, std::string_view what) {
    return WriteResult{false, std::string(what) + ": " + std::generic_category().message(error)};
}

// Retries after signals and short writes.
bool writeAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

}  // namespace

WriteResult ReplaceFile(const std::string& path, std::string_view bytes) {
    if (path.empty()) return WriteResult{false, "empty file name"};
    const std::size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);

    // A hidden name in the same folder, so the rename stays on one file system.
    // O_EXCL keeps two writers (or a planted link) from sharing it.
    static std::atomic<unsigned> counter{0};
    std::string temporary;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temporary = folder + "/." + name + "." + std::to_string(::getpid()) + "-" +
                    std::to_string(counter.fetch_add(1)) + ".tmp";
        fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST) return failure(errno, "cannot create a file in " + folder);
    }
    if (fd < 0) return failure(EEXIST, "cannot create a file in " + folder);

    if (!writeAll(fd, bytes) || ::fsync(fd) != 0) {
        const int error = errno;
        ::close(fd);
        ::unlink(temporary.c_str());
        return failure(error, "cannot write " + temporary);
    }
    if (::close(fd) != 0) {
        const int error = errno;
        ::unlink(temporary.c_str());
        return failure(error, "cannot write " + temporary);
    }
    if (::rename(temporary.c_str(), path.c_str()) != 0) {
        const int error = errno;
        ::unlink(temporary.c_str());
        return failure(error, "cannot replace " + path);
    }
    return WriteResult{true, {}};
}

}  // namespace rongfan
