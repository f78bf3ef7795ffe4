#pragma once
// Login sessions: the values of the session cookie the login hands out, and
// how many requests each has been used for (so a login can expire).
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>

namespace rongfan::marketsim {

inline constexpr std::string_view SessionCookieName = "cookie2";

class SessionBook {
public:
    // `preset` is valid from the start; `usesAllowed` 0 means sessions never expire.
    SessionBook(std::string preset, std::uint64_t seed, int usesAllowed);

    // A new session value (32 hex digits), deterministic in the order of logins.
    std::string Issue();
    bool Known(std::string_view value) const;
    // True when the Cookie header carries a known, unexpired session; counts one use.
    bool Admit(std::string_view cookieHeader);

    // The value of cookie `name` in a Cookie header, or empty.
    static std::string_view CookieValue(std::string_view header, std::string_view name);

private:
    mutable std::mutex m_mutex;
    std::unordered_map<std::string, int> m_uses;
    std::uint64_t m_seed;
    std::uint64_t m_issued = 0;
    int m_usesAllowed;
};

} // namespace rongfan::marketsim
