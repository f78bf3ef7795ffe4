#pragma once
// One search by rongfan-cli against a simulated marketplace that misbehaves in
// one way, with a fixed seed: what the fault is, how the run is started, and
// what came of it (ended or hung, crashed or not, the exit code and the rows
// harvested against the rows written).
#include <chrono>
#include <string>
#include <vector>

#include "support/ChildProcess.h"

namespace rongfan::testing {

struct FaultCase {
    std::string name{};                        // as the table prints it
    std::vector<std::string> marketOptions{};  // marketsim options that make the fault
    std::string shopKeys{};                    // extra keys of the shop under test ("" for none)
    std::vector<int> exits{};                  // exit codes that are a clear ending for this fault
    bool shortStallLimit = false;              // the client gives up on a silent server after 1 s
    bool blanksOnly = true;                    // a fault may blank a value, never change one
    bool lossless = false;                     // nothing may be lost: every row as the shop has it, no warning
    std::string address{};                     // what the CLI is given; "" for the shop's home address
};

// Every fault the table covers, and the shops each is tried on.
const std::vector<FaultCase>& FaultCases();
const std::vector<std::string>& FaultShopKinds();
// Every shop layout the simulator has.
const std::vector<std::string>& AllShopKinds();

struct FaultOutcome {
    ChildResult cli;
    int rowsHarvested = 0;           // the CLI's last "items harvested: n/total"
    int rowsInJson = -1;             // -1: no JSON written
    int rowsInReport = -1;           // -1: no report written
    int shopItems = 0;               // what the shop lists
    int wrongCells = 0;              // written cells that differ from the shop's truth and are not empty
    bool rowsAsTheShop = false;      // the JSON holds exactly the shop's rows, every cell
    int rowsWithoutTitle = 0;        // rows whose item page never came
    std::vector<std::string> files;  // every file the run left in its folder, relative to it
    std::string lastMessage;

    bool Completed() const { return !cli.hung && !cli.Crashed(); }
    // Rows the harvest made that did not reach the JSON and the report.
    int RowsLost() const;
};

struct FaultPrograms {
    std::string cli;           // rongfan-cli
    std::string cliWithHooks;  // rongfan-cli whose stall limit a test may shorten
};

// Runs `fault` on a shop of `kind` with `seed`; the CLI gets `deadline` to end.
FaultOutcome RunFault(const FaultPrograms& programs, const FaultCase& fault, const std::string& kind, int seed,
                      std::chrono::milliseconds deadline);

}  // namespace rongfan::testing
