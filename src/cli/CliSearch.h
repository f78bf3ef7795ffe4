#pragma once
// One headless search: address check, capture by direct fetch, walker,
// harvester, report, then the JSON and CSV copies of the rows.
#include "cli/CliOptions.h"
#include "cli/CliProgress.h"

namespace rongfan {

// How often a walker's redirect may send the search back to the capture in one run.
inline constexpr int MaxRecaptures = 3;
// Fetches of the search page before it counts as not captured.
inline constexpr int CaptureAttempts = 3;

CliExit RunCliSearch(const CliOptions& options, CliProgress& progress);

}  // namespace rongfan
