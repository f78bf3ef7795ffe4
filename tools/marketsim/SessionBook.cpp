#include "SessionBook.h"

#include "Hash.h"

namespace rongfan::marketsim {

SessionBook::SessionBook(std::string preset, std::uint64_t seed, int usesAllowed)
    : m_seed(seed), m_usesAllowed(usesAllowed) {
    m_uses.emplace(std::move(preset), 0);
}

std::string SessionBook::Issue() {
    static constexpr char kHex[] = "0123456789abcdef";
    std::lock_guard lock(m_mutex);
    ++m_issued;
    std::string value;
    for (int half = 0; half < 2; ++half) {
        std::uint64_t h = Mix({m_seed, 0x1091ull, m_issued, static_cast<std::uint64_t>(half)});
        for (int i = 0; i < 16; ++i, h >>= 4)
            value += kHex[h & 15];
    }
    m_uses.emplace(value, 0);
    return value;
}

bool SessionBook::Known(std::string_view value) const {
    std::lock_guard lock(m_mutex);
    return m_uses.count(std::string(value)) > 0;
}

bool SessionBook::Admit(std::string_view cookieHeader) {
    const std::string_view value = CookieValue(cookieHeader, SessionCookieName);
    if (value.empty()) return false;
    std::lock_guard lock(m_mutex);
    auto it = m_uses.find(std::string(value));
    if (it == m_uses.end()) return false;
    if (m_usesAllowed > 0 && it->second >= m_usesAllowed) return false;
    ++it->second;
    return true;
}

std::string_view SessionBook::CookieValue(std::string_view header, std::string_view name) {
    while (!header.empty()) {
        const auto semicolon = header.find(';');
        std::string_view part = header.substr(0, semicolon);
        header = semicolon == std::string_view::npos ? std::string_view() : header.substr(semicolon + 1);
        while (!part.empty() && part.front() == ' ')
            part.remove_prefix(1);
        if (part.size() > name.size() && part.starts_with(name) && part[name.size()] == '=')
            return part.substr(name.size() + 1);
    }
    return {};
}

} // namespace rongfan::marketsim
