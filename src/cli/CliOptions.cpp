#include "cli/CliOptions.h"

#include <string_view>

namespace rongfan {

std::string CliUsage() {
    return R"(Usage: rongfan-cli [--cookies FILE] [--out DIR] [--json FILE|-] [--csv FILE] [-q] SHOP_ADDRESS

Lists every item of a Taobao or Tmall shop (title, price, collections, 30-day
deals, 30-day received, reviews, item address, picture address) and saves the
list as an HTML report, the same page the desktop program saves.

SHOP_ADDRESS is cleaned like the desktop program's address box: spaces removed,
"https://" turned into "http://", "http://" put in front when missing, then cut
to "http://" and the host.

Options:
  --cookies FILE  load a Netscape cookies.txt (as curl and browser export
                  extensions write it) before the search, so a login made
                  elsewhere applies; the search never discards these cookies
  --out DIR       folder for the HTML report (default: the current folder);
                  the file is named after the shop, with ".html"
  --json FILE     also write the rows as a JSON array ("-": standard output);
                  keys index, title, price, collections, deals30, received30,
                  reviews, url, picture; every value a UTF-8 string
  --csv FILE      also write the rows as CSV: UTF-8 with a byte-order mark, a
                  header line of the nine column titles, RFC 4180 quoting; a
                  text a spreadsheet would run as a formula (=, +, -, @ first)
                  gets a leading apostrophe
  -q, --quiet     no progress or status lines on standard error
  -h, --help      show this text

Progress (pages walked, then items harvested as n/total) goes to standard
error: one updating line on a terminal, plain lines otherwise. Requests honour
the proxy variables (http_proxy, https_proxy, no_proxy).

Exit status:
  0  the report was written
  1  bad options, an unreadable cookies file or output folder, a failed write
  2  the address names neither marketplace (no request is made)
  3  the shop's search page is not a result page: log in and pass --cookies
  4  the walk through the shop's result pages failed, or it found no item
)";
}

ParsedOptions ParseCliOptions(const std::vector<std::string>& arguments) {
    CliOptions options;
    std::vector<std::string> positional;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (optionsEnded || argument == "-" || argument.empty() || argument[0] != '-') {
            positional.push_back(argument);
            continue;
        }
        if (argument == "--") {
            optionsEnded = true;
            continue;
        }
        if (argument == "-h" || argument == "--help") {
            options.help = true;
            continue;
        }
        if (argument == "-q" || argument == "--quiet") {
            options.quiet = true;
            continue;
        }
        std::string name = argument;
        std::optional<std::string> value;
        if (const std::size_t equals = argument.find('='); argument.rfind("--", 0) == 0 && equals != std::string::npos) {
            name = argument.substr(0, equals);
            value = argument.substr(equals + 1);
        }
        std::string* target = nullptr;
        if (name == "--cookies") target = &options.cookiesFile;
        else if (name == "--out") target = &options.outFolder;
        else if (name == "--json") target = &options.jsonFile;
        else if (name == "--csv") target = &options.csvFile;
        if (target == nullptr) return {std::nullopt, "unknown option " + argument};
        if (!value) {
            if (i + 1 >= arguments.size()) return {std::nullopt, name + " needs a value"};
            value = arguments[++i];
        }
        if (value->empty()) return {std::nullopt, name + " needs a value"};
        *target = *value;
    }
    if (options.help) return {options, {}};
    if (positional.empty()) return {std::nullopt, "no shop address given"};
    if (positional.size() > 1) return {std::nullopt, "more than one shop address given: " + positional[1]};
    options.shopAddress = positional[0];
    return {options, {}};
}

}  // namespace rongfan
