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
    std::string domain; // ".taobao.com" matches subdomains; "a.taobao.com" matches that host only
    bool includeSubdomains = false;
    std::string path = "/";
    bool secure = false;
    bool httpOnly = false;
    std::int64_t expires = 0; // seconds since the epoch, 0 for a session cookie
    std::string name;
    std::string value;
};

// Whether a cookie for `cookieDomain` (leading dot = subdomains too) applies to `host`;
// case-insensitive. An address made of digits (IPv4) or brackets (IPv6) only matches itself.
bool CookieDomainMatches(std::string_view cookieDomain, bool includeSubdomains, std::string_view host);
// Whether a cookie with path `cookiePath` applies to the request path `requestPath`:
// equal, or a prefix that ends at a "/" of the request path.
bool CookiePathMatches(std::string_view cookiePath, std::string_view requestPath);

class CookieStore {
public:
    static CookieStore &Instance();

    // Replaces one with the same domain, path and name; as in the browser, "a.com"
    // (that host only) and ".a.com" (with subdomains) are different domains. A cookie whose expiry has
    // passed removes that one instead. A cookie with an empty name or domain, or with
    // control characters (they would break the Cookie header and cookies.txt), is ignored.
    // The domain is kept lower-case, with a leading dot exactly when it includes subdomains.
    void Add(const Cookie &cookie);
    // `domain` as stored: with its leading dot for a cookie that includes subdomains.
    void Remove(std::string_view domain, std::string_view path, std::string_view name);
    void Clear();
    std::vector<Cookie> All() const; // expired ones left out

    // Netscape cookies.txt (what curl and browser export extensions write).
    // Import returns the number of cookies read, or -1 when the file cannot be read.
    int ImportNetscape(const std::string &path);
    bool ExportNetscape(const std::string &path) const;

    // Called (outside the store's lock) for every cookie a fetch receives, so
    // the desktop program can hand it to the browser. A cookie whose `expires` lies in
    // the past tells the browser to delete its copy.
    using Listener = std::function<void(const Cookie &)>;
    void SetReceivedListener(Listener listener);

    // Used by HttpFetch: the Cookie header value for an address, and storing a Set-Cookie line.
    std::string HeaderFor(std::string_view host, std::string_view path, bool secure) const;
    // `requestPath` is the path of the address that answered; a cookie without a Path
    // attribute belongs to its folder. Without it the folder is "/".
    void StoreFromResponse(std::string_view host, std::string_view setCookieLine);
    void StoreFromResponse(std::string_view host, std::string_view requestPath, std::string_view setCookieLine);

private:
    CookieStore() = default;
    mutable std::mutex m_mutex;
    std::vector<Cookie> m_cookies;
    Listener m_listener;
};

} // namespace rongfan
