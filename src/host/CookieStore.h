#pragma once
// The one cookie store of the process. Every HttpFetch sends from it and stores
// what servers set; the desktop program keeps the browser's store in step with it.
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace rongfan {

struct Cookie {
    std::string domain;      // ".taobao.com" matches subdomains; "a.taobao.com" matches that host only
    bool includeSubdomains = false;
    std::string path = "/";
    bool secure = false;
    bool httpOnly = false;
    std::int64_t expires = 0;  // seconds since the epoch, 0 for a session cookie
    std::string name;
    std::string value;
};

class CookieStore {
public:
    static CookieStore& Instance();

    void Add(const Cookie& cookie);  // replaces one with the same domain, path and name
    void Remove(std::string_view domain, std::string_view path, std::string_view name);
    void Clear();
    std::vector<Cookie> All() const;

    // Netscape cookies.txt (what curl and browser export extensions write).
    // Import returns the number of cookies read, or -1 when the file cannot be read.
    int ImportNetscape(const std::string& path);
    bool ExportNetscape(const std::string& path) const;

    // Called (outside the store's lock) for every cookie a fetch receives, so
    // the desktop program can hand it to the browser.
    using Listener = std::function<void(const Cookie&)>;
    void SetReceivedListener(Listener listener);

    // Used by HttpFetch: the Cookie header value for an address, and storing a Set-Cookie line.
    std::string HeaderFor(std::string_view host, std::string_view path, bool secure) const;
    void StoreFromResponse(std::string_view host, std::string_view setCookieLine);

private:
    CookieStore() = default;
    mutable std::mutex m_mutex;
    std::vector<Cookie> m_cookies;
    Listener m_listener;
};

}  // namespace rongfan
