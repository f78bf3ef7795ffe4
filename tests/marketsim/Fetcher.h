#pragma once
// HTTP/1.0 requests through marketsim as a proxy, with libcurl, the way the
// program's own fetches reach it.
#include <curl/curl.h>
#include <string>
#include <vector>

namespace rongfan::marketsim::test {

struct FetchResult {
    CURLcode code = CURLE_OK;
    long status = 0;
    std::string body;
    std::string headers;                               // the last answer's header block
    std::string Header(const std::string &name) const; // first value, case-insensitive name
};

class Fetcher {
public:
    explicit Fetcher(int proxyPort);
    ~Fetcher();
    Fetcher(const Fetcher &) = delete;
    Fetcher &operator=(const Fetcher &) = delete;

    // Keep cookies between requests of this fetcher, like a browser.
    void EnableCookieEngine();
    // Send this Cookie header with every request (empty: none).
    void SetCookieHeader(const std::string &cookie) { m_cookie = cookie; }
    // Give up on a transfer that moves no byte for this long.
    void SetStallLimit(long seconds) { m_stallSeconds = seconds; }
    FetchResult Get(const std::string &url, bool followRedirects = false);
    FetchResult Post(const std::string &url, const std::string &form, bool followRedirects = false);
    // Direct request to 127.0.0.1:port with a Host header instead of the proxy form.
    FetchResult GetWithHostHeader(const std::string &host, const std::string &pathAndQuery);
    // The cookie engine's cookies in Netscape format, one line each.
    std::vector<std::string> Cookies();

private:
    FetchResult Perform(const std::string &url, bool follow, const std::string *form, bool viaProxy,
                        const std::string &hostHeader);
    CURL *m_curl;
    int m_port;
    std::string m_cookie;
    long m_stallSeconds = 0;
};

} // namespace rongfan::marketsim::test
