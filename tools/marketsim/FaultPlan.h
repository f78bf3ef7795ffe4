#pragma once
// Decides, per answer, whether a fault happens and how long the answer waits.
// A decision depends only on the seed, the address and how many times that
// address was asked before, so the same sequence of requests meets the same
// faults in every run, and a retried address can succeed on a later attempt.
#include "MarketConfig.h"
#include "ShopModel.h"

#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>

namespace rongfan::marketsim {

enum class FaultKind { None, Drop, Stall, Error500, Empty, Truncate, ZeroByte };

std::string_view FaultName(FaultKind kind);

struct FaultDecision {
    FaultKind kind = FaultKind::None;
    int latencyMs = 0;
};

class FaultPlan {
public:
    explicit FaultPlan(const MarketConfig &config);
    // `shop` is the shop the answer belongs to (its settings override the global ones), or null.
    FaultDecision Decide(const std::string &address, const Shop *shop, bool faultable);

private:
    const MarketConfig &m_config;
    std::mutex m_mutex;
    std::unordered_map<std::string, std::uint64_t> m_seen;
};

} // namespace rongfan::marketsim
