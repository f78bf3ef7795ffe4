// Runs every fault of the fault table on every shop kind with several seeds
// and prints one line per fault: runs, completed, crashed, hung, rows lost,
// the exit codes seen, written cells that differ from the shop's truth, and
// the median time of a run.
//   fault_table [RUNS] [DEADLINE_SECONDS]     (defaults: 3, 180)
// A run that went wrong gets a line on standard error: its exit, the rows
// harvested / in the JSON / in the report of the shop's items, its last message.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "FaultRuns.h"

int main(int argc, char** argv) {
    using namespace rongfan::testing;
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    const int deadline = argc > 2 ? std::max(1, std::atoi(argv[2])) : 180;
    const FaultPrograms programs{RONGFAN_CLI, RONGFAN_CLI_HOOKS};
    // FAULT_TABLE_VERBOSE=1: a line for every run, not only for those that went wrong.
    const bool verbose = std::getenv("FAULT_TABLE_VERBOSE") != nullptr;

    std::printf("%-30s %5s %9s %7s %4s %9s  %-12s %11s %8s\n", "fault", "runs", "completed", "crashed", "hung",
                "rows lost", "exit codes", "wrong cells", "median s");
    int failures = 0;
    for (const FaultCase& fault : FaultCases()) {
        int total = 0, completed = 0, crashed = 0, hung = 0, lost = 0, wrong = 0;
        std::map<int, int> exits;
        std::vector<double> seconds;
        for (const std::string& kind : FaultShopKinds()) {
            for (int seed = 1; seed <= runs; ++seed) {
                const FaultOutcome o = RunFault(programs, fault, kind, seed, std::chrono::seconds(deadline));
                ++total;
                completed += o.Completed() ? 1 : 0;
                crashed += o.cli.Crashed() ? 1 : 0;
                hung += o.cli.hung ? 1 : 0;
                lost += o.RowsLost();
                wrong += o.wrongCells;
                if (o.Completed()) ++exits[o.cli.exitCode];
                seconds.push_back(static_cast<double>(o.cli.ran.count()) / 1000.0);
                const bool clear =
                    std::find(fault.exits.begin(), fault.exits.end(), o.cli.exitCode) != fault.exits.end();
                if (!o.Completed() || !clear || o.RowsLost() != 0 || verbose) {
                    ++failures;
                    std::fprintf(stderr, "[%s, %s, seed %d] exit %d signal %d hung %d, rows %d/%d/%d of %d: %s\n",
                                 fault.name.c_str(), kind.c_str(), seed, o.cli.exitCode, o.cli.signal,
                                 o.cli.hung ? 1 : 0, o.rowsHarvested, o.rowsInJson, o.rowsInReport, o.shopItems,
                                 o.lastMessage.c_str());
                }
            }
        }
        std::string codes;
        for (const auto& [code, n] : exits)
            codes += (codes.empty() ? "" : " ") + std::to_string(code) + "x" + std::to_string(n);
        std::sort(seconds.begin(), seconds.end());
        std::printf("%-30s %5d %9d %7d %4d %9d  %-12s %11d %8.2f\n", fault.name.c_str(), total, completed, crashed,
                    hung, lost, codes.c_str(), wrong, seconds[seconds.size() / 2]);
        std::fflush(stdout);
    }
    return failures == 0 ? 0 : 1;
}
