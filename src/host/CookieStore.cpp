#include "host/CookieStore.h"

#include <curl/curl.h>

#include <arpa/inet.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <ctime>
#include <fstream>
#include <iterator>
#include <limits>

namespace rongfan {

namespace {

char lowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string toLower(std::string_view s) {
    std::string out(s);
    std::transform(out.begin(), out.end(), out.begin(), lowerAscii);
    return out;
}

bool equalsIgnoreCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return lowerAscii(x) == lowerAscii(y); });
}

bool endsWithIgnoreCase(std::string_view s, std::string_view suffix) {
    return s.size() >= suffix.size() && equalsIgnoreCase(s.substr(s.size() - suffix.size()), suffix);
}

std::string_view trim(std::string_view s) {
    const auto isSpace = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!s.empty() && isSpace(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && isSpace(s.back()))
        s.remove_suffix(1);
    return s;
}

std::string_view stripLeadingDots(std::string_view s) {
    while (!s.empty() && s.front() == '.')
        s.remove_prefix(1);
    return s;
}

bool isIpAddress(std::string_view host) {
    if (host.find(':') != std::string_view::npos || host.find('[') != std::string_view::npos) return true;
    in_addr addr{};
    return inet_pton(AF_INET, std::string(host).c_str(), &addr) == 1;
}

bool hasControl(std::string_view s) {
    return std::any_of(s.begin(), s.end(), [](char c) {
        const auto u = static_cast<unsigned char>(c);
        return u < 0x20 || u == 0x7f;
    });
}

std::int64_t now() {
    return static_cast<std::int64_t>(std::time(nullptr));
}

bool isExpired(const Cookie &c, std::int64_t at) {
    return c.expires != 0 && c.expires <= at;
}

// The stored form of a domain: lower-case, one leading dot exactly when subdomains match too.
std::string storedDomain(std::string_view domain, bool includeSubdomains) {
    const bool hadDot = !domain.empty() && domain.front() == '.';
    std::string bare = toLower(stripLeadingDots(domain));
    if (!(includeSubdomains || hadDot) || bare.empty() || isIpAddress(bare)) return bare;
    bare.insert(bare.begin(), '.');
    return bare;
}

// As in the browser, a host-only cookie and a domain cookie of the same name are two cookies.
bool sameKey(const Cookie &a, std::string_view domain, std::string_view path, std::string_view name) {
    return a.domain == domain && a.path == path && a.name == name;
}

// Brings a cookie into the stored form; false when it cannot be stored safely.
bool normalise(Cookie &c) {
    const std::string bare = toLower(stripLeadingDots(c.domain));
    if (bare.empty() || c.name.empty()) return false;
    if (hasControl(bare) || hasControl(c.path) || hasControl(c.name) || hasControl(c.value)) return false;
    if (bare.find_first_of(" ;,/") != std::string::npos || c.path.find(';') != std::string::npos) return false;
    // A name with "=" or ";", or a value with ";", would change what the Cookie header says.
    if (c.name.find_first_of("=; ") != std::string::npos || c.value.find(';') != std::string::npos) return false;
    c.domain = storedDomain(c.domain, c.includeSubdomains);
    c.includeSubdomains = c.domain.front() == '.';
    if (c.path.empty() || c.path.front() != '/')
        c.path.assign(1, '/'); // (assigning the literal trips a false -Wrestrict in GCC 12)
    return true;
}

// The folder of a request path, the default path of a cookie set without one.
std::string defaultPath(std::string_view requestPath) {
    if (requestPath.empty() || requestPath.front() != '/') return "/";
    const auto q = requestPath.find('?');
    if (q != std::string_view::npos) requestPath = requestPath.substr(0, q);
    const auto slash = requestPath.rfind('/');
    if (slash == 0 || slash == std::string_view::npos) return "/";
    return std::string(requestPath.substr(0, slash));
}

bool parseInt64(std::string_view s, std::int64_t &out) {
    s = trim(s);
    if (!s.empty() && s.front() == '+') return false;
    const auto [ptr, ec] = std::from_chars(s.data(), s.data() + s.size(), out);
    return ec == std::errc() && ptr == s.data() + s.size() && !s.empty();
}

// The parsed form of one Set-Cookie value, before it meets the store.
struct Received {
    Cookie cookie;
    bool valid = false;
};

Received parseSetCookie(std::string_view host, std::string_view requestPath, std::string_view line) {
    Received r;
    line = trim(line);
    if (line.size() >= 11 && equalsIgnoreCase(line.substr(0, 11), "set-cookie:")) line = trim(line.substr(11));

    const auto semi = line.find(';');
    const std::string_view pair = line.substr(0, semi);
    std::string_view attributes = semi == std::string_view::npos ? std::string_view() : line.substr(semi + 1);
    const auto eq = pair.find('=');
    if (eq == std::string_view::npos) return r;
    Cookie &c = r.cookie;
    c.name = std::string(trim(pair.substr(0, eq)));
    c.value = std::string(trim(pair.substr(eq + 1)));
    if (c.name.empty()) return r;

    const std::string lowerHost = toLower(host);
    std::string domainAttr;
    bool haveDomain = false;
    bool havePath = false;
    bool haveMaxAge = false;
    std::int64_t maxAgeExpiry = 0;
    std::int64_t dateExpiry = 0;
    const std::int64_t at = now();

    while (!attributes.empty()) {
        const auto next = attributes.find(';');
        const std::string_view item = attributes.substr(0, next);
        attributes = next == std::string_view::npos ? std::string_view() : attributes.substr(next + 1);
        const auto ieq = item.find('=');
        const std::string_view key = trim(item.substr(0, ieq));
        const std::string_view val = ieq == std::string_view::npos ? std::string_view() : trim(item.substr(ieq + 1));
        if (equalsIgnoreCase(key, "domain")) {
            const std::string_view d = stripLeadingDots(val);
            if (!d.empty()) {
                domainAttr = toLower(d);
                haveDomain = true;
            }
        } else if (equalsIgnoreCase(key, "path")) {
            if (!val.empty() && val.front() == '/') {
                c.path = std::string(val);
                havePath = true;
            }
        } else if (equalsIgnoreCase(key, "max-age")) {
            std::int64_t seconds = 0;
            if (parseInt64(val, seconds)) {
                haveMaxAge = true;
                constexpr std::int64_t latest = std::numeric_limits<std::int64_t>::max();
                if (seconds <= 0)
                    maxAgeExpiry = 1; // already past: deletes the stored copy
                else
                    maxAgeExpiry = seconds > latest - at ? latest : at + seconds;
            }
        } else if (equalsIgnoreCase(key, "expires")) {
            const std::string text(val);
            const time_t t = curl_getdate(text.c_str(), nullptr);
            if (t != -1) dateExpiry = t <= 0 ? 1 : static_cast<std::int64_t>(t);
        } else if (equalsIgnoreCase(key, "secure")) {
            c.secure = true;
        } else if (equalsIgnoreCase(key, "httponly")) {
            c.httpOnly = true;
        }
    }

    if (haveDomain) {
        // A server may only set cookies for its own domain or a parent of it, never
        // for a bare top-level name or an unrelated site.
        if (!CookieDomainMatches(domainAttr, true, lowerHost)) return r;
        if (domainAttr != lowerHost && domainAttr.find('.') == std::string::npos) return r;
        c.domain = "." + domainAttr;
        c.includeSubdomains = true;
    } else {
        c.domain = lowerHost;
        c.includeSubdomains = false;
    }
    if (!havePath) c.path = defaultPath(requestPath);
    c.expires = haveMaxAge ? maxAgeExpiry : dateExpiry;
    r.valid = true;
    return r;
}

bool splitTabs(std::string_view line, std::vector<std::string_view> &fields) {
    fields.clear();
    while (true) {
        const auto tab = line.find('\t');
        fields.push_back(line.substr(0, tab));
        if (tab == std::string_view::npos) break;
        line.remove_prefix(tab + 1);
    }
    return fields.size() == 6 || fields.size() == 7;
}

// A folder opens like a file but cannot be read: that is a failure, not an empty file.
bool readWholeFile(const std::string &path, std::string &text) {
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat info {};
    if (fstat(fd, &info) != 0 || S_ISDIR(info.st_mode)) {
        close(fd);
        return false;
    }
    char buffer[65536];
    while (true) {
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            close(fd);
            return false;
        }
        if (n == 0) break;
        text.append(buffer, static_cast<size_t>(n));
    }
    close(fd);
    return true;
}

} // namespace

bool CookieDomainMatches(std::string_view cookieDomain, bool includeSubdomains, std::string_view host) {
    const bool hadDot = !cookieDomain.empty() && cookieDomain.front() == '.';
    const std::string_view bare = stripLeadingDots(cookieDomain);
    if (bare.empty() || host.empty()) return false;
    if (equalsIgnoreCase(bare, host)) return true;
    if (!(includeSubdomains || hadDot) || isIpAddress(host)) return false;
    return host.size() > bare.size() && endsWithIgnoreCase(host, bare) && host[host.size() - bare.size() - 1] == '.';
}

bool CookiePathMatches(std::string_view cookiePath, std::string_view requestPath) {
    if (requestPath.empty()) requestPath = "/";
    if (cookiePath.empty()) cookiePath = "/";
    if (requestPath.substr(0, cookiePath.size()) != cookiePath) return false;
    return requestPath.size() == cookiePath.size() || cookiePath.back() == '/' || requestPath[cookiePath.size()] == '/';
}

CookieStore &CookieStore::Instance() {
    static CookieStore store;
    return store;
}

void CookieStore::Add(const Cookie &cookie) {
    Cookie c = cookie;
    if (!normalise(c)) return;
    const std::int64_t at = now();
    std::lock_guard lock(m_mutex);
    std::erase_if(m_cookies, [&](const Cookie &old) { return isExpired(old, at); });
    const auto it = std::find_if(m_cookies.begin(), m_cookies.end(),
                                 [&](const Cookie &old) { return sameKey(old, c.domain, c.path, c.name); });
    if (isExpired(c, at)) {
        if (it != m_cookies.end()) m_cookies.erase(it);
    } else if (it != m_cookies.end()) {
        *it = std::move(c);
    } else {
        m_cookies.push_back(std::move(c));
    }
}

void CookieStore::Remove(std::string_view domain, std::string_view path, std::string_view name) {
    const std::string d = storedDomain(domain, false);
    const std::string_view p = path.empty() ? std::string_view("/") : path;
    std::lock_guard lock(m_mutex);
    std::erase_if(m_cookies, [&](const Cookie &c) { return sameKey(c, d, p, name); });
}

void CookieStore::Clear() {
    std::lock_guard lock(m_mutex);
    m_cookies.clear();
}

std::vector<Cookie> CookieStore::All() const {
    const std::int64_t at = now();
    std::vector<Cookie> out;
    std::lock_guard lock(m_mutex);
    std::copy_if(m_cookies.begin(), m_cookies.end(), std::back_inserter(out),
                 [&](const Cookie &c) { return !isExpired(c, at); });
    return out;
}

int CookieStore::ImportNetscape(const std::string &path) {
    std::string text;
    if (!readWholeFile(path, text)) return -1;

    int count = 0;
    const std::int64_t at = now();
    std::vector<std::string_view> fields;
    std::string_view rest = text;
    while (!rest.empty()) {
        const auto nl = rest.find('\n');
        std::string_view line = rest.substr(0, nl);
        rest = nl == std::string_view::npos ? std::string_view() : rest.substr(nl + 1);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        Cookie c;
        constexpr std::string_view httpOnlyPrefix = "#HttpOnly_";
        if (line.substr(0, httpOnlyPrefix.size()) == httpOnlyPrefix) {
            c.httpOnly = true;
            line.remove_prefix(httpOnlyPrefix.size());
        } else if (line.empty() || line.front() == '#') {
            continue;
        }
        if (!splitTabs(line, fields)) continue;
        c.domain = std::string(fields[0]);
        c.includeSubdomains = equalsIgnoreCase(fields[1], "TRUE");
        c.path = std::string(fields[2]);
        c.secure = equalsIgnoreCase(fields[3], "TRUE");
        if (!parseInt64(fields[4], c.expires) || c.expires < 0) continue;
        c.name = std::string(fields[5]);
        c.value = fields.size() == 7 ? std::string(fields[6]) : std::string();
        if (isExpired(c, at) || !normalise(c)) continue;
        Add(c);
        ++count;
    }
    return count;
}

bool CookieStore::ExportNetscape(const std::string &path) const {
    const std::vector<Cookie> cookies = All();
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out) return false;
    out << "# Netscape HTTP Cookie File\n\n";
    for (const Cookie &c : cookies) {
        out << (c.httpOnly ? "#HttpOnly_" : "") << c.domain << '\t' << (c.includeSubdomains ? "TRUE" : "FALSE") << '\t'
            << c.path << '\t' << (c.secure ? "TRUE" : "FALSE") << '\t' << c.expires << '\t' << c.name << '\t' << c.value
            << '\n';
    }
    out.close();
    return !out.fail();
}

void CookieStore::SetReceivedListener(Listener listener) {
    std::lock_guard lock(m_mutex);
    m_listener = std::move(listener);
}

std::string CookieStore::HeaderFor(std::string_view host, std::string_view path, bool secure) const {
    const std::int64_t at = now();
    std::vector<const Cookie *> chosen;
    std::string header;
    std::lock_guard lock(m_mutex);
    for (const Cookie &c : m_cookies) {
        if (isExpired(c, at) || (c.secure && !secure)) continue;
        if (CookieDomainMatches(c.domain, c.includeSubdomains, host) && CookiePathMatches(c.path, path))
            chosen.push_back(&c);
    }
    // The more specific path first, as browsers send them.
    std::stable_sort(chosen.begin(), chosen.end(),
                     [](const Cookie *a, const Cookie *b) { return a->path.size() > b->path.size(); });
    for (const Cookie *c : chosen) {
        if (!header.empty()) header += "; ";
        header += c->name;
        header += '=';
        header += c->value;
    }
    return header;
}

void CookieStore::StoreFromResponse(std::string_view host, std::string_view setCookieLine) {
    StoreFromResponse(host, "/", setCookieLine);
}

void CookieStore::StoreFromResponse(std::string_view host, std::string_view requestPath,
                                    std::string_view setCookieLine) {
    Received r = parseSetCookie(host, requestPath, setCookieLine);
    if (!r.valid || !normalise(r.cookie)) return;
    Add(r.cookie);
    Listener listener;
    {
        std::lock_guard lock(m_mutex);
        listener = m_listener;
    }
    if (listener) listener(r.cookie);
}

} // namespace rongfan
