#pragma once
// Shared helpers of the marketsim tests: the truth as JSON, GBK literals.
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "support/Marketsim.h"

namespace rongfan::marketsim::test {

using Json = nlohmann::json;
using rongfan::testing::ChildResult;
using rongfan::testing::Marketsim;
using rongfan::testing::RunMarketsim;
using rongfan::testing::StartOrphanedMarketsim;
using rongfan::testing::WaitUntilGone;

// --dump-expected of marketsim with these arguments, parsed.
Json Expected(const std::vector<std::string> &arguments);
// The entry of `host` in a truth document.
const Json &ShopEntry(const Json &truth, const std::string &host);
// Arguments "--shop setup" for every setup.
std::vector<std::string> ShopArguments(const std::vector<std::string> &setups);

} // namespace rongfan::marketsim::test
