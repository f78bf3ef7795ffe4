// rongfan-cli: the analysis of one shop without a window.
#include <cstdio>
#include <string>
#include <unistd.h>
#include <vector>

#include "cli/CliOptions.h"
#include "cli/CliProgress.h"
#include "cli/CliSearch.h"
#include "host/Host.h"
#include "host/HttpFetch.h"

#ifdef RONGFAN_TEST_HOOKS
#include <chrono>
#include <cstdlib>
#endif

int main(int argc, char** argv) {
    using namespace rongfan;
    KeepHeapForPages();
    InitHttp();
#ifdef RONGFAN_TEST_HOOKS
    // Only the build the fault tests run: they stall a server for seconds, not for the minute a user's run waits.
    if (const char* stall = std::getenv("RONGFAN_STALL_TIMEOUT_MS"))
        SetStallTimeoutForTesting(std::chrono::milliseconds(std::atoll(stall)));
#endif
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    const ParsedOptions parsed = ParseCliOptions(arguments);
    if (!parsed.options) {
        std::fprintf(stderr, "rongfan-cli: %s\nTry 'rongfan-cli --help'.\n", parsed.error.c_str());
        return static_cast<int>(CliExit::Failed);
    }
    if (parsed.options->help) {
        std::fputs(CliUsage().c_str(), stdout);
        return static_cast<int>(CliExit::Done);
    }
    CliProgress progress(stderr, ::isatty(STDERR_FILENO) == 1, parsed.options->quiet);
    return static_cast<int>(RunCliSearch(*parsed.options, progress));
}
