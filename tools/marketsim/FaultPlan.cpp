#include "FaultPlan.h"

#include "Hash.h"

namespace rongfan::marketsim {

std::string_view FaultName(FaultKind kind) {
    switch (kind) {
    case FaultKind::None:
        return "none";
    case FaultKind::Drop:
        return "drop";
    case FaultKind::Stall:
        return "stall";
    case FaultKind::Error500:
        return "error500";
    case FaultKind::Empty:
        return "empty";
    case FaultKind::Truncate:
        return "truncate";
    case FaultKind::ZeroByte:
        return "zero_byte";
    }
    return "?";
}

FaultPlan::FaultPlan(const MarketConfig &config) : m_config(config) {}

FaultDecision FaultPlan::Decide(const std::string &address, const Shop *shop, bool faultable) {
    FaultDecision decision;
    if (!faultable) return decision;
    const FaultSettings settings = shop ? shop->setup.faults.Over(m_config.faults) : m_config.faults;
    if (settings.scope && address.find(*settings.scope) == std::string::npos) return decision;
    auto set = [](const std::optional<double> &p) { return p && *p > 0; };
    if (!settings.latencyMinMs && !set(settings.drop) && !set(settings.stall) && !set(settings.error500) &&
        !set(settings.empty) && !set(settings.truncate) && !set(settings.zeroByte))
        return decision;

    std::uint64_t occurrence = 0;
    {
        std::lock_guard lock(m_mutex);
        occurrence = m_seen[address]++;
    }
    const std::uint64_t seed = shop ? Mix({shop->setup.seed, HashText(shop->setup.host)}) : Mix({m_config.seed});
    const std::uint64_t key = Mix({seed, HashText(address), occurrence});

    if (settings.latencyMinMs) {
        const int lo = *settings.latencyMinMs, hi = settings.latencyMaxMs.value_or(lo);
        decision.latencyMs = lo + static_cast<int>(Mix({key, 0x1a7ull}) % static_cast<std::uint64_t>(hi - lo + 1));
    }
    // Earlier kinds win when several would happen at once.
    const std::pair<FaultKind, const std::optional<double> *> order[] = {
        {FaultKind::Drop, &settings.drop},         {FaultKind::Stall, &settings.stall},
        {FaultKind::Error500, &settings.error500}, {FaultKind::Empty, &settings.empty},
        {FaultKind::Truncate, &settings.truncate}, {FaultKind::ZeroByte, &settings.zeroByte},
    };
    for (const auto &[kind, probability] : order) {
        if (!*probability || **probability <= 0) continue;
        if (UnitInterval(Mix({key, static_cast<std::uint64_t>(kind)})) < **probability) {
            decision.kind = kind;
            break;
        }
    }
    return decision;
}

} // namespace rongfan::marketsim
