#include "FaultRuns.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <sstream>

#include "support/Marketsim.h"

namespace rongfan::testing {
namespace {

namespace fs = std::filesystem;
using Json = nlohmann::json;

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string hostFor(const std::string& kind) {
    if (kind == "taobao-async") return "faults-async.taobao.com";
    if (kind == "taobao-plain") return "faults-plain.taobao.com";
    if (kind == "tmall-render-error") return "faults-error.tmall.com";
    if (kind == "tmall-redirect") return "faults-old.tmall.com";
    return "faults.tmall.com";
}

std::size_t countOf(const std::string& text, const std::string& piece) {
    std::size_t n = 0;
    for (std::size_t at = text.find(piece); at != std::string::npos; at = text.find(piece, at + piece.size()))
        ++n;
    return n;
}

// The last "items harvested: n/total" the CLI printed; 0 when it printed none.
int harvestedRows(const std::string& err) {
    const std::string mark = "items harvested: ";
    const std::size_t at = err.rfind(mark);
    return at == std::string::npos ? 0 : std::atoi(err.c_str() + at + mark.size());
}

std::string lastLine(const std::string& text) {
    std::size_t end = text.size();
    while (end > 0 && (text[end - 1] == '\n' || text[end - 1] == '\r'))
        --end;
    const std::size_t start = text.rfind('\n', end == 0 ? 0 : end - 1);
    return text.substr(start == std::string::npos ? 0 : start + 1, end - (start == std::string::npos ? 0 : start + 1));
}

// Written cells that say something else than the shop does (an empty cell says nothing).
int wrongCells(const Json& written, const Json& truthRows) {
    static const char* const keys[] = {"index",      "title",   "price", "collections", "deals30",
                                       "received30", "reviews", "url",   "picture"};
    std::map<std::string, const Json*> byUrl;
    for (const Json& row : truthRows)
        byUrl[row[7].get<std::string>()] = &row;
    int wrong = 0;
    for (const Json& row : written) {
        const auto found = byUrl.find(row.value("url", ""));
        if (found == byUrl.end()) {
            ++wrong;
            continue;
        }
        // The number is the row's place in this run's list; items a fault hid move the rest up.
        for (int c = 1; c < 9; ++c) {
            const std::string cell = row.value(keys[c], "");
            if (!cell.empty() && cell != (*found->second)[c].get<std::string>()) ++wrong;
        }
    }
    return wrong;
}

bool asTheShop(const Json& written, const Json& truthRows) {
    static const char* const keys[] = {"index",      "title",   "price", "collections", "deals30",
                                       "received30", "reviews", "url",   "picture"};
    if (written.size() != truthRows.size()) return false;
    for (std::size_t r = 0; r < written.size(); ++r)
        for (int c = 0; c < 9; ++c)
            if (written[r].value(keys[c], "") != truthRows[r][c].get<std::string>()) return false;
    return true;
}

}  // namespace

const std::vector<std::string>& AllShopKinds() {
    static const std::vector<std::string> kinds = {"taobao-async", "taobao-plain", "tmall-async", "tmall-render-error",
                                                   "tmall-redirect"};
    return kinds;
}

const std::vector<FaultCase>& FaultCases() {
    // A fault that takes answers away ends in a report or, when it hit the search
    // or every result page, in exit 3 or 4; one that cuts bodies short may also
    // cut a value short, so only the others promise to blank values, never change them.
    static const std::vector<FaultCase> cases = {
        {.name = "latency 1-40 ms", .marketOptions = {"--latency-ms", "1-40"}, .exits = {0}, .lossless = true},
        {.name = "empty answers 20%", .marketOptions = {"--empty", "0.2"}, .exits = {0, 3, 4}},
        {.name = "dropped connections 20%", .marketOptions = {"--drop", "0.2"}, .exits = {0, 3, 4}},
        {.name = "500 pages 20%", .marketOptions = {"--error500", "0.2"}, .exits = {0, 3, 4}},
        {.name = "truncated bodies 20%",
         .marketOptions = {"--truncate", "0.2"},
         .exits = {0, 3, 4},
         .blanksOnly = false},
        {.name = "zero bytes 20%", .marketOptions = {"--zero-byte", "0.2"}, .exits = {0, 3, 4}, .blanksOnly = false},
        {.name = "stalls 3 s, client limit 1 s",
         .marketOptions = {"--stall", "0.05", "--stall-seconds", "3"},
         .exits = {0, 3, 4},
         .shortStallLimit = true},
        {.name = "40 MB item page", .shopKeys = "huge_mb=40", .exits = {0}, .lossless = true},
        {.name = "999999 pages, no item", .shopKeys = "items=0,pages=999999", .exits = {4}},
        {.name = "login expires mid-harvest",
         .marketOptions = {"--login-expires", "40"},
         .shopKeys = "login=1",
         .exits = {0}},
    };
    return cases;
}

const std::vector<std::string>& FaultShopKinds() {
    static const std::vector<std::string> kinds = {"taobao-async", "tmall-async"};
    return kinds;
}

int FaultOutcome::RowsLost() const {
    if (rowsInJson < 0 || rowsInReport < 0) return rowsHarvested;
    return rowsHarvested - std::min(rowsInJson, rowsInReport);
}

FaultOutcome RunFault(const FaultPrograms& programs, const FaultCase& fault, const std::string& kind, int seed,
                      std::chrono::milliseconds deadline) {
    FaultOutcome outcome;
    std::string pattern = (fs::temp_directory_path() / "rongfan-faults-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) return outcome;
    const fs::path dir = pattern;
    fs::create_directory(dir / "out");

    const std::string host = hostFor(kind);
    std::string shop = "kind=" + kind + ",host=" + host + ",items=50,seed=" + std::to_string(seed);
    if (kind == "tmall-redirect") shop += ",target=faults-new.tmall.com";
    if (!fault.shopKeys.empty()) shop += "," + fault.shopKeys;
    std::vector<std::string> marketArguments = {
        "--lifetime", "900", "--seed", std::to_string(seed), "--expected-file", (dir / "expected.json").string(),
        "--shop",     shop};
    marketArguments.insert(marketArguments.end(), fault.marketOptions.begin(), fault.marketOptions.end());
    {
        Marketsim market(marketArguments);
        if (market.Port() == 0) {
            outcome.lastMessage = "marketsim did not start";
            return outcome;
        }
        const Json truth = Json::parse(readFile(dir / "expected.json"));
        const Json& truthShop = truth["shops"][0];
        outcome.shopItems = truthShop["items"].get<int>();

        std::vector<std::string> argv = {fault.shortStallLimit ? programs.cliWithHooks : programs.cli, "--out",
                                         (dir / "out").string(), "--json", (dir / "rows.json").string()};
        if (truthShop["login"].get<bool>()) {
            std::ofstream cookies(dir / "cookies.txt");
            cookies << "# Netscape HTTP Cookie File\n";
            for (const Json& domain : truth["session"]["domains"])
                cookies << domain.get<std::string>() << "\tTRUE\t/\tFALSE\t0\t"
                        << truth["session"]["name"].get<std::string>() << "\t"
                        << truth["session"]["value"].get<std::string>() << "\n";
            argv.insert(argv.end(), {"--cookies", (dir / "cookies.txt").string()});
        }
        argv.push_back(fault.address.empty() ? "http://" + host + "/" : fault.address);
        Environment environment = {{"http_proxy", market.Proxy()},
                                   {"HTTP_PROXY", ""},
                                   {"https_proxy", ""},
                                   {"HTTPS_PROXY", ""},
                                   {"all_proxy", ""},
                                   {"ALL_PROXY", ""},
                                   {"no_proxy", ""},
                                   {"NO_PROXY", ""}};
        if (fault.shortStallLimit) environment.emplace_back("RONGFAN_STALL_TIMEOUT_MS", "1000");
        outcome.cli = RunChild(argv, environment, deadline);

        outcome.rowsHarvested = harvestedRows(outcome.cli.err);
        outcome.lastMessage = lastLine(outcome.cli.err);
        if (fs::exists(dir / "rows.json")) {
            const Json written = Json::parse(readFile(dir / "rows.json"), nullptr, false);
            if (written.is_array()) {
                outcome.rowsInJson = static_cast<int>(written.size());
                outcome.wrongCells = wrongCells(written, truthShop["rows"]);
                outcome.rowsAsTheShop = asTheShop(written, truthShop["rows"]);
                for (const Json& row : written)
                    outcome.rowsWithoutTitle += row.value("title", "").empty() ? 1 : 0;
            }
        }
        for (const auto& entry : fs::directory_iterator(dir / "out")) {
            if (entry.path().extension() == ".html")
                outcome.rowsInReport = static_cast<int>(countOf(readFile(entry.path()), "<tr><td>"));
        }
    }
    for (const auto& entry : fs::recursive_directory_iterator(dir)) {
        const std::string name = fs::relative(entry.path(), dir).string();
        if (entry.is_regular_file() && name != "expected.json" && name != "cookies.txt") outcome.files.push_back(name);
    }
    std::error_code ignored;
    fs::remove_all(dir, ignored);
    return outcome;
}

}  // namespace rongfan::testing
