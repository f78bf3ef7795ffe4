#pragma once
// The command line of rongfan-cli.
#include <optional>
#include <string>
#include <vector>

namespace rongfan {

// What the process returns; other programs rely on these values.
enum class CliExit : int {
    Done = 0,          // the report was written
    Failed = 1,        // bad options, unreadable cookies file, a failed write
    Rejected = 2,      // the address names neither marketplace
    NotCaptured = 3,   // the search page is not a result page (usually: not logged in)
    SearchFailed = 4,  // the walker failed, or the search found nothing to save
};

struct CliOptions {
    std::string cookiesFile;  // empty: none
    std::string outFolder = ".";
    std::string jsonFile;     // empty: none; "-": standard output
    std::string csvFile;      // empty: none
    bool quiet = false;
    bool help = false;
    std::string shopAddress;  // as typed (UTF-8)
};

struct ParsedOptions {
    std::optional<CliOptions> options;
    std::string error;  // why the command line was refused (UTF-8)
};

// Accepts "--name VALUE" and "--name=VALUE"; "--" ends the options.
ParsedOptions ParseCliOptions(const std::vector<std::string>& arguments);

// The text --help prints.
std::string CliUsage();

}  // namespace rongfan
