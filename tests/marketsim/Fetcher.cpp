#include "Fetcher.h"

#include <cctype>

namespace rongfan::marketsim::test {
namespace {

std::size_t Collect(char *data, std::size_t size, std::size_t count, void *target) {
    static_cast<std::string *>(target)->append(data, size * count);
    return size * count;
}

std::size_t CollectHeader(char *data, std::size_t size, std::size_t count, void *target) {
    auto *headers = static_cast<std::string *>(target);
    const std::string line(data, size * count);
    // A new status line starts the block of the next answer of a redirect chain.
    if (line.rfind("HTTP/", 0) == 0) headers->clear();
    headers->append(line);
    return size * count;
}

} // namespace

std::string FetchResult::Header(const std::string &name) const {
    std::size_t start = 0;
    while (start < headers.size()) {
        const std::size_t end = headers.find("\r\n", start);
        const std::string line = headers.substr(start, end - start);
        start = end == std::string::npos ? headers.size() : end + 2;
        const auto colon = line.find(':');
        if (colon != name.size()) continue;
        bool same = true;
        for (std::size_t i = 0; i < colon; ++i)
            same &=
                std::tolower(static_cast<unsigned char>(line[i])) == std::tolower(static_cast<unsigned char>(name[i]));
        if (same) return line.substr(line.find_first_not_of(' ', colon + 1));
    }
    return {};
}

Fetcher::Fetcher(int proxyPort) : m_curl(curl_easy_init()), m_port(proxyPort) {}

Fetcher::~Fetcher() {
    curl_easy_cleanup(m_curl);
}

void Fetcher::EnableCookieEngine() {
    curl_easy_setopt(m_curl, CURLOPT_COOKIEFILE, "");
}

FetchResult Fetcher::Get(const std::string &url, bool followRedirects) {
    return Perform(url, followRedirects, nullptr, true, {});
}

FetchResult Fetcher::Post(const std::string &url, const std::string &form, bool followRedirects) {
    return Perform(url, followRedirects, &form, true, {});
}

FetchResult Fetcher::GetWithHostHeader(const std::string &host, const std::string &pathAndQuery) {
    return Perform("http://127.0.0.1:" + std::to_string(m_port) + pathAndQuery, false, nullptr, false, host);
}

FetchResult Fetcher::Perform(const std::string &url, bool follow, const std::string *form, bool viaProxy,
                             const std::string &hostHeader) {
    FetchResult result;
    const std::string proxy = "http://127.0.0.1:" + std::to_string(m_port);
    curl_easy_setopt(m_curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(m_curl, CURLOPT_PROXY, viaProxy ? proxy.c_str() : "");
    curl_easy_setopt(m_curl, CURLOPT_NOPROXY, viaProxy ? "" : "*");
    curl_easy_setopt(m_curl, CURLOPT_HTTP_VERSION, CURL_HTTP_VERSION_1_0);
    curl_easy_setopt(m_curl, CURLOPT_FOLLOWLOCATION, follow ? 1L : 0L);
    curl_easy_setopt(m_curl, CURLOPT_MAXREDIRS, 20L);
    curl_easy_setopt(m_curl, CURLOPT_WRITEFUNCTION, Collect);
    curl_easy_setopt(m_curl, CURLOPT_WRITEDATA, &result.body);
    curl_easy_setopt(m_curl, CURLOPT_HEADERFUNCTION, CollectHeader);
    curl_easy_setopt(m_curl, CURLOPT_HEADERDATA, &result.headers);
    curl_easy_setopt(m_curl, CURLOPT_COOKIE, m_cookie.empty() ? nullptr : m_cookie.c_str());
    curl_easy_setopt(m_curl, CURLOPT_CONNECTTIMEOUT, 20L);
    curl_easy_setopt(m_curl, CURLOPT_TIMEOUT, 120L);
    curl_easy_setopt(m_curl, CURLOPT_LOW_SPEED_LIMIT, m_stallSeconds > 0 ? 1L : 0L);
    curl_easy_setopt(m_curl, CURLOPT_LOW_SPEED_TIME, m_stallSeconds);
    if (form) {
        curl_easy_setopt(m_curl, CURLOPT_POSTFIELDS, form->c_str());
        curl_easy_setopt(m_curl, CURLOPT_POSTFIELDSIZE, static_cast<long>(form->size()));
    } else {
        curl_easy_setopt(m_curl, CURLOPT_HTTPGET, 1L);
    }
    curl_slist *extra = nullptr;
    if (!hostHeader.empty()) extra = curl_slist_append(extra, ("Host: " + hostHeader).c_str());
    curl_easy_setopt(m_curl, CURLOPT_HTTPHEADER, extra);
    result.code = curl_easy_perform(m_curl);
    curl_easy_getinfo(m_curl, CURLINFO_RESPONSE_CODE, &result.status);
    curl_easy_setopt(m_curl, CURLOPT_HTTPHEADER, nullptr);
    curl_slist_free_all(extra);
    return result;
}

std::vector<std::string> Fetcher::Cookies() {
    std::vector<std::string> out;
    curl_slist *list = nullptr;
    curl_easy_getinfo(m_curl, CURLINFO_COOKIELIST, &list);
    for (curl_slist *p = list; p; p = p->next)
        out.emplace_back(p->data);
    curl_slist_free_all(list);
    return out;
}

} // namespace rongfan::marketsim::test
