#pragma once
// Deterministic hashing: every generated value and every fault decision is a
// pure function of seeds and names, so two runs with the same arguments serve
// the same bytes.
#include <cstdint>
#include <initializer_list>
#include <string_view>

namespace rongfan::marketsim {

inline std::uint64_t SplitMix(std::uint64_t x) {
    x += 0x9E3779B97F4A7C15ull;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    return x ^ (x >> 31);
}

inline std::uint64_t HashText(std::string_view text) {
    std::uint64_t h = 0xCBF29CE484222325ull;
    for (unsigned char c : text) {
        h ^= c;
        h *= 0x100000001B3ull;
    }
    return SplitMix(h);
}

inline std::uint64_t Mix(std::initializer_list<std::uint64_t> parts) {
    std::uint64_t h = 0x243F6A8885A308D3ull;
    for (std::uint64_t p : parts)
        h = SplitMix(h ^ SplitMix(p));
    return h;
}

// A uniform value in [0, 1) from a hash.
inline double UnitInterval(std::uint64_t h) {
    return static_cast<double>(h >> 11) * (1.0 / 9007199254740992.0);
}

// A small generator for the values of one item or one page.
class Rng {
public:
    explicit Rng(std::uint64_t seed) : m_state(seed) {}
    std::uint64_t Next() { return SplitMix(m_state++ * 0xD1B54A32D192ED03ull); }
    // Uniform in [lo, hi].
    std::int64_t Range(std::int64_t lo, std::int64_t hi) {
        return lo + static_cast<std::int64_t>(Next() % static_cast<std::uint64_t>(hi - lo + 1));
    }
    bool Chance(double p) { return UnitInterval(Next()) < p; }
    template <class Container> const auto &Pick(const Container &c) { return c[Next() % std::size(c)]; }

private:
    std::uint64_t m_state;
};

} // namespace rongfan::marketsim
