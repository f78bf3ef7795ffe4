#include "host/HttpFetch.h"

#include "host/CookieStore.h"

#include <curl/curl.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <mutex>
#include <vector>

namespace rongfan {

namespace {

using Clock = std::chrono::steady_clock;

using std::chrono::milliseconds;
std::atomic<long long> g_stallMs{std::chrono::duration_cast<milliseconds>(FetchLimits::StallTimeout).count()};
std::atomic<std::size_t> g_maxBody{FetchLimits::MaxBodyBytes};

struct UrlDeleter {
    void operator()(CURLU *u) const { curl_url_cleanup(u); }
};
using UrlHandle = std::unique_ptr<CURLU, UrlDeleter>;

struct EasyDeleter {
    void operator()(CURL *e) const { curl_easy_cleanup(e); }
};
struct ListDeleter {
    void operator()(curl_slist *l) const { curl_slist_free_all(l); }
};

std::string urlPart(CURLU *u, CURLUPart part) {
    char *text = nullptr;
    if (curl_url_get(u, part, &text, 0) != CURLUE_OK || text == nullptr) return {};
    std::string out(text);
    curl_free(text);
    return out;
}

// Bytes that may not stand in an address (controls, space, GBK bytes) go out
// percent-encoded, as a browser sends them; everything else is left as given.
std::string encodeUnsafe(std::string_view address) {
    static constexpr char hex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(address.size());
    for (const char ch : address) {
        const auto c = static_cast<unsigned char>(ch);
        if (c <= 0x20 || c >= 0x7f) {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 0x0f];
        } else {
            out += ch;
        }
    }
    return out;
}

std::string_view cutAtHash(std::string_view address) {
    return address.substr(0, address.find('#'));
}

// Sets `u` to `address`, resolved against what `u` holds when it is relative.
// Only http and https are fetched: an address taken from a page must never read a local file.
bool setAddress(CURLU *u, std::string_view address) {
    const std::string encoded = encodeUnsafe(cutAtHash(address));
    if (encoded.empty() || curl_url_set(u, CURLUPART_URL, encoded.c_str(), 0) != CURLUE_OK) return false;
    curl_url_set(u, CURLUPART_FRAGMENT, nullptr, 0);
    const std::string scheme = urlPart(u, CURLUPART_SCHEME);
    return (scheme == "http" || scheme == "https") && !urlPart(u, CURLUPART_HOST).empty();
}

std::string lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(),
                   [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; });
    return s;
}

bool startsWithIgnoreCase(std::string_view s, std::string_view prefix) {
    return s.size() >= prefix.size() && lower(std::string(s.substr(0, prefix.size()))) == prefix;
}

std::string_view trimLine(std::string_view s) {
    while (!s.empty() && (s.back() == '\r' || s.back() == '\n' || s.back() == ' ' || s.back() == '\t'))
        s.remove_suffix(1);
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    return s;
}

// What one request of a fetch (one hop of a redirect chain) brought back.
struct Hop {
    Bytes body;
    std::vector<std::string> setCookies;
    std::string location;
    bool headersComplete = false;
    bool oversize = false;
    Clock::time_point lastActivity = Clock::now();
    std::chrono::milliseconds stall{0};
    std::size_t maxBody = 0;
};

size_t onHeader(char *data, size_t size, size_t count, void *user) {
    auto *hop = static_cast<Hop *>(user);
    const size_t n = size * count;
    hop->lastActivity = Clock::now();
    const std::string_view line = trimLine(std::string_view(data, n));
    if (startsWithIgnoreCase(line, "http/")) {
        // A new status line: an earlier interim answer's headers no longer count.
        hop->location.clear();
        hop->headersComplete = false;
    } else if (line.empty()) {
        hop->headersComplete = true;
    } else if (startsWithIgnoreCase(line, "set-cookie:")) {
        hop->setCookies.emplace_back(trimLine(line.substr(11)));
    } else if (startsWithIgnoreCase(line, "location:")) {
        hop->location = std::string(trimLine(line.substr(9)));
    }
    return n;
}

size_t onBody(char *data, size_t size, size_t count, void *user) {
    auto *hop = static_cast<Hop *>(user);
    const size_t n = size * count;
    hop->lastActivity = Clock::now();
    if (n > hop->maxBody - hop->body.size()) {
        hop->oversize = true;
        return 0; // aborts the transfer
    }
    hop->body.append(data, n);
    return n;
}

// curl calls this at least once a second, also while nothing arrives.
int onProgress(void *user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    const auto *hop = static_cast<Hop *>(user);
    return Clock::now() - hop->lastActivity > hop->stall ? 1 : 0;
}

bool isRedirect(long status) {
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

} // namespace

void InitHttp() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

void SetStallTimeoutForTesting(std::chrono::milliseconds stall) {
    g_stallMs = stall.count();
}

void SetMaxBodyForTesting(std::size_t bytes) {
    g_maxBody = bytes;
}

Bytes HttpFetch(std::string_view address) {
    InitHttp();
    UrlHandle url(curl_url());
    if (!url || !setAddress(url.get(), address)) return {};
    std::unique_ptr<CURL, EasyDeleter> easy(curl_easy_init());
    if (!easy) return {};

    curl_slist *list = nullptr;
    for (const char *h : {"Accept: */*", "Cache-Control: no-cache", "Pragma: no-cache"}) {
        curl_slist *grown = curl_slist_append(list, h);
        if (!grown) {
            curl_slist_free_all(list);
            return {};
        }
        list = grown;
    }
    const std::unique_ptr<curl_slist, ListDeleter> headers(list);
    const std::string agent(FetchUserAgent);

    // Redirects are followed here rather than by curl so that a cookie set on a
    // redirect reaches the next hop through the shared store.
    for (int hopCount = 0; hopCount <= FetchLimits::MaxRedirects; ++hopCount) {
        const std::string full = urlPart(url.get(), CURLUPART_URL);
        const std::string host = lower(urlPart(url.get(), CURLUPART_HOST));
        const std::string path = urlPart(url.get(), CURLUPART_PATH);
        const bool secure = urlPart(url.get(), CURLUPART_SCHEME) == "https";
        const std::string cookies = CookieStore::Instance().HeaderFor(host, path.empty() ? "/" : path, secure);

        Hop hop;
        hop.stall = std::chrono::milliseconds(g_stallMs.load());
        hop.maxBody = g_maxBody.load();

        CURL *e = easy.get();
        curl_easy_reset(e);
        curl_easy_setopt(e, CURLOPT_URL, full.c_str());
        curl_easy_setopt(e, CURLOPT_PROTOCOLS_STR, "http,https");
        curl_easy_setopt(e, CURLOPT_HTTPGET, 1L);
        curl_easy_setopt(e, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_0));
        curl_easy_setopt(e, CURLOPT_USERAGENT, agent.c_str());
        curl_easy_setopt(e, CURLOPT_HTTPHEADER, headers.get());
        if (!cookies.empty()) curl_easy_setopt(e, CURLOPT_COOKIE, cookies.c_str());
        curl_easy_setopt(e, CURLOPT_FOLLOWLOCATION, 0L);
        curl_easy_setopt(e, CURLOPT_NOSIGNAL, 1L);
        curl_easy_setopt(e, CURLOPT_SUPPRESS_CONNECT_HEADERS, 1L);
        curl_easy_setopt(e, CURLOPT_CONNECTTIMEOUT_MS,
                         static_cast<long>(std::chrono::milliseconds(FetchLimits::ConnectTimeout).count()));
        if (hop.maxBody > 0) // refuses an announced oversize body before it arrives
            curl_easy_setopt(e, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(hop.maxBody));
        curl_easy_setopt(e, CURLOPT_HEADERFUNCTION, onHeader);
        curl_easy_setopt(e, CURLOPT_HEADERDATA, &hop);
        curl_easy_setopt(e, CURLOPT_WRITEFUNCTION, onBody);
        curl_easy_setopt(e, CURLOPT_WRITEDATA, &hop);
        curl_easy_setopt(e, CURLOPT_NOPROGRESS, 0L);
        curl_easy_setopt(e, CURLOPT_XFERINFOFUNCTION, onProgress);
        curl_easy_setopt(e, CURLOPT_XFERINFODATA, &hop);

        hop.lastActivity = Clock::now();
        const CURLcode rc = curl_easy_perform(e);
        long status = 0;
        curl_easy_getinfo(e, CURLINFO_RESPONSE_CODE, &status);

        for (const std::string &line : hop.setCookies)
            CookieStore::Instance().StoreFromResponse(host, path, line);

        if (hop.oversize || rc == CURLE_FILESIZE_EXCEEDED) return {};
        if (isRedirect(status) && !hop.location.empty() && hop.headersComplete) {
            if (!setAddress(url.get(), hop.location)) return {};
            continue;
        }
        // Whatever the status code; after a read error, what arrived before it.
        return std::move(hop.body);
    }
    return {};
}

} // namespace rongfan
