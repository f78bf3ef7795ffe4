// rongfan-cli against a simulated marketplace that misbehaves: every fault of
// the fault table on each shop kind with a fixed seed. Each run must end by
// itself, without a crash or a sanitizer report, with an exit code that fits
// the fault and a last line that says what happened; every row the harvest
// made must be in the JSON and in the report, and a fault that only takes
// answers away must never make a cell say something the shop does not.
#include <gtest/gtest.h>

#include <algorithm>
#include <ostream>

#include "FaultRuns.h"

namespace rongfan::testing {
namespace {

constexpr int Seed = 7;
// Far above what a run takes (seconds), so only a hang reaches it.
constexpr std::chrono::seconds Deadline{240};

struct FaultOnKind {
    FaultCase fault;
    std::string kind;
};

std::vector<FaultOnKind> allRuns() {
    std::vector<FaultOnKind> runs;
    for (const FaultCase& fault : FaultCases())
        for (const std::string& kind : FaultShopKinds())
            runs.push_back({fault, kind});
    return runs;
}

// Names the run in test listings instead of dumping the object's bytes.
void PrintTo(const FaultOnKind& run, std::ostream* out) { *out << run.fault.name << " on " << run.kind; }

class Faults : public ::testing::TestWithParam<FaultOnKind> {};

TEST_P(Faults, EndClearlyAndKeepEveryHarvestedRow) {
    const FaultCase& fault = GetParam().fault;
    const FaultOutcome o =
        RunFault({RONGFAN_CLI, RONGFAN_CLI_HOOKS}, fault, GetParam().kind, Seed, Deadline);
    SCOPED_TRACE(o.cli.err.substr(o.cli.err.size() > 4000 ? o.cli.err.size() - 4000 : 0));
    ASSERT_FALSE(o.cli.hung);
    ASSERT_FALSE(o.cli.Crashed()) << "signal " << o.cli.signal;
    EXPECT_NE(std::find(fault.exits.begin(), fault.exits.end(), o.cli.exitCode), fault.exits.end())
        << "exit " << o.cli.exitCode;
    EXPECT_FALSE(o.lastMessage.empty());
    EXPECT_EQ(o.RowsLost(), 0) << o.rowsHarvested << " harvested, " << o.rowsInJson << " in the JSON, "
                               << o.rowsInReport << " in the report";
    if (o.cli.exitCode == 0) {
        EXPECT_GT(o.rowsInJson, 0);
        EXPECT_EQ(o.rowsInJson, o.rowsHarvested);
    }
    if (fault.blanksOnly) {
        EXPECT_EQ(o.wrongCells, 0);
    }
    if (fault.lossless) {
        EXPECT_TRUE(o.rowsAsTheShop);
        EXPECT_EQ(o.cli.err.find("warning:"), std::string::npos);
    }
    // A run that ends with fewer rows, or with rows its item page never filled, says so.
    if (o.cli.exitCode == 0 && fault.blanksOnly && (o.rowsInJson < o.shopItems || o.rowsWithoutTitle > 0)) {
        EXPECT_NE(o.cli.err.find("warning:"), std::string::npos);
    }
}

// A healthy shop of every layout: all its rows, and no warning of a loss.
TEST(HealthyShops, EveryLayoutWithoutAWarning) {
    const FaultCase none{.name = "no fault", .exits = {0}, .lossless = true};
    for (const std::string& kind : AllShopKinds()) {
        SCOPED_TRACE(kind);
        const FaultOutcome o =
            RunFault({RONGFAN_CLI, RONGFAN_CLI_HOOKS}, none, kind, Seed, Deadline);
        EXPECT_EQ(o.cli.exitCode, 0) << o.cli.err;
        EXPECT_TRUE(o.rowsAsTheShop) << o.cli.err;
        EXPECT_EQ(o.cli.err.find("warning:"), std::string::npos) << o.cli.err;
    }
}

std::string runName(const ::testing::TestParamInfo<FaultOnKind>& info) {
    std::string name = info.param.fault.name + "_" + info.param.kind;
    for (char& c : name)
        if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
    return name;
}

INSTANTIATE_TEST_SUITE_P(Cli, Faults, ::testing::ValuesIn(allRuns()), runName);

}  // namespace
}  // namespace rongfan::testing

namespace rongfan::testing {
namespace {

// One step of the search that never gets an answer: the exit code and the
// words that tell the user which step failed and why.
TEST(StepWithoutAnswers, SaysWhichStepFailed) {
    const struct {
        const char* name;
        std::vector<std::string> options;
        int exit;
        std::string says;
    } cases[] = {
        {"search page dropped", {"--drop", "1", "--fault-on", "/search.htm"}, 3, "did not answer (3 attempts)"},
        {"search page an error page",
         {"--error500", "1", "--fault-on", "/search.htm"},
         3,
         "is not a shop's result page"},
        {"result pages dropped",
         {"--drop", "1", "--fault-on", "asynSearch"},
         4,
         "1 of 1 result-page requests got no answer"},
        {"item pages dropped",
         {"--drop", "1", "--fault-on", "item.htm"},
         0,
         "warning: 50 of 50 items came without their item page"},
        {"services dropped",
         {"--drop", "1", "--fault-on", "count.taobao.com"},
         0,
         "warning: some values may be missing"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const FaultCase fault{.name = c.name, .marketOptions = c.options, .exits = {c.exit}};
        const FaultOutcome o =
            RunFault({RONGFAN_CLI, RONGFAN_CLI_HOOKS}, fault, "taobao-async", Seed, Deadline);
        ASSERT_TRUE(o.Completed());
        EXPECT_EQ(o.cli.exitCode, c.exit) << o.cli.err;
        EXPECT_NE(o.cli.err.find(c.says), std::string::npos) << o.cli.err;
        EXPECT_EQ(o.RowsLost(), 0);
    }
}

}  // namespace
}  // namespace rongfan::testing
