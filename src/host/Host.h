#pragma once
// Operating-system services the engine calls: workers, the program's folder,
// file writing, shell opening and clearing the browser's cache and cookies.
#include <functional>
#include <string>
#include <string_view>

namespace rongfan {

// A detached thread that runs `routine` once and is never joined.
void StartWorker(std::function<void()> routine);

// Call once from main(), before any thread starts. A search allocates and frees
// a page of tens of kilobytes per request; with glibc's default 128 KiB trim
// threshold the freed top of the heap goes back to the kernel after nearly
// every item and the next page faults it in again, which costs more than the
// harvesting itself. Keeping up to 32 MiB of free heap (and serving pages up
// to 4 MiB from it) ends that churn at a few megabytes of resident memory.
void KeepHeapForPages();

// The folder of the running executable, no trailing separator.
std::string RunDirectory();

struct WriteResult {
    bool ok = false;
    std::string error; // why it failed, in plain words (UTF-8)
};
// Creates or truncates `path` and writes `bytes`.
WriteResult WriteWholeFile(const std::string &path, std::string_view bytes);

// The desktop program fills these with the desktop's opener; without a hook
// they run xdg-open, detached, with the address as its one argument (no shell
// sees it). An empty hook restores that default.
using OpenHook = std::function<void(const std::string &)>;
void SetOpenInBrowserHook(OpenHook hook);
void SetOpenWithShellHook(OpenHook hook);
void OpenInBrowser(const std::string &address);
void OpenWithShell(const std::string &path);
// For tests only: the program the default hooks run instead of xdg-open (empty: xdg-open).
void SetOpenerProgramForTesting(std::string program);

enum class CacheMode { TemporaryFiles, Cookies };
// Clears the engine's part (the cookie store for Cookies) and calls the hook
// the desktop program registered for the browser's part.
using ClearCacheHook = std::function<void(CacheMode)>;
void SetClearBrowserCacheHook(ClearCacheHook hook);
void ClearBrowserCache(CacheMode mode);

} // namespace rongfan
