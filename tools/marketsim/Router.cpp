#include "Router.h"

#include "Hash.h"
#include "ItemPages.h"
#include "ListingPages.h"
#include "LoginPages.h"
#include "Markup.h"
#include "ServiceAnswers.h"
#include "host/EndpointTable.h"
#include "text/Gbk.h"

#include <algorithm>
#include <charconv>

namespace rongfan::marketsim {
namespace {

constexpr std::string_view kScript = "text/javascript;charset=GBK";
constexpr std::string_view kRateHost = "rate.taobao.com";
constexpr std::string_view kNoShopHost = "www.taobao.com";

Answer Page(std::string body, const Shop *shop = nullptr, int status = 200) {
    Answer a;
    a.status = status;
    a.body = std::move(body);
    a.shop = shop;
    return a;
}

Answer Script(std::string body, const Shop *shop) {
    Answer a = Page(std::move(body), shop);
    a.contentType = std::string(kScript);
    return a;
}

Answer NotFound(const Shop *shop = nullptr) {
    return Page("<!DOCTYPE html>\n<html>\n<head>\n<meta charset=\"gbk\" />\n<title>404 Not Found</title>\n</head>\n"
                "<body>\n<h1>404 Not Found</h1>\n<p>" +
                    RF_GBK("抱歉！页面无法访问……") + "</p>\n</body>\n</html>\n",
                shop, 404);
}

// A page number from a query value the way the shops read it: digits at the start, else page 1.
int PageNumber(const std::string &text) {
    long long n = 0;
    const char *begin = text.data();
    std::from_chars(begin, begin + text.size(), n);
    return static_cast<int>(std::clamp<long long>(n, 1, 100000000));
}

} // namespace

Answer Moved(std::string location) {
    Answer a = Page(MovedPage(location));
    a.status = 302;
    a.headers.push_back("Location: " + location);
    return a;
}

Router::Router(const Market &market, SessionBook &sessions) : m_market(market), m_sessions(sessions) {
    // Oversized pages are built once; serving them must not cost a 40 MB render per request.
    for (const auto &shop : market.Shops()) {
        if (shop->setup.hugeMb <= 0 || shop->items.empty()) continue;
        const Item &item = shop->items.front();
        std::string page = shop->IsTaobao() ? TaobaoItemPage(*shop, item) : TmallItemPage(*shop, item);
        PadItemPage(page, static_cast<std::size_t>(shop->setup.hugeMb) * 1024 * 1024);
        m_hugePages.emplace(&item, std::make_shared<const std::string>(std::move(page)));
    }
}

Answer Router::Route(const Request &request) {
    const std::string &host = request.host;
    if (host == m_market.Config().loginHost) return LoginHostPage(request);
    if (host.starts_with("pass.")) {
        const std::string domain = host.substr(5);
        const auto &domains = m_market.CookieDomains();
        if (std::find(domains.begin(), domains.end(), domain) != domains.end()) return PassHostPage(request, domain);
    }
    if (host == EndpointTable::ItemPageHost) return TaobaoItem(request);
    if (host == EndpointTable::TmallItemHost || host == EndpointTable::TmallAltItemHost) return TmallItem(request);
    if (host == EndpointTable::CounterHost || host == EndpointTable::DetailSkipHost || host == kRateHost ||
        host == EndpointTable::TmallRateHost)
        return Service(request);
    if (const Shop *shop = m_market.ShopByHost(host)) return ShopPage(request, *shop);
    if (host == kNoShopHost) return request.path == "/noshop.htm" ? Page(NoShopPage(), nullptr, 404) : NotFound();
    if (host.find(EndpointTable::TaobaoDomain) != std::string::npos ||
        host.find(EndpointTable::TmallMarker) != std::string::npos)
        return Moved("http://" + std::string(kNoShopHost) + "/noshop.htm");
    Answer a = Page("marketsim: no such host: " + host + "\n", nullptr, 502);
    a.contentType = "text/plain";
    return a;
}

Answer Router::ShopPage(const Request &request, const Shop &shop) {
    const std::string &path = request.path;
    if (path.empty() || path == "/" || path == "/index.htm") return Page(HomePage(m_market, shop), &shop);
    const QueryList query = ParseQuery(request.query);
    if (path == "/search.htm") {
        if (NeedsLogin(request, &shop)) return LoginRedirect(request, &shop);
        if (shop.setup.kind == ShopKind::TaobaoPlain)
            return Page(SearchPage(m_market, shop, PageNumber(QueryValue(query, shop.setup.pageKey))), &shop);
        const int page = PageNumber(QueryValue(query, "pageNo"));
        // A moved search page: its first page only sends the browser on; the numbered pages still list.
        if (shop.setup.kind == ShopKind::TmallRedirect && !m_market.IsTargetHost(request.host) && page == 1)
            return Page(RedirectSearchPage(shop), &shop);
        return Page(SearchPage(m_market, shop, page), &shop);
    }
    if (path == "/i/asynSearch.htm") {
        if (shop.setup.kind == ShopKind::TaobaoPlain) return NotFound(&shop);
        if (NeedsLogin(request, &shop)) return LoginRedirect(request, &shop);
        if (shop.setup.kind == ShopKind::TmallRenderError || shop.setup.kind == ShopKind::TmallRedirect)
            return Page("default render error", &shop);
        const bool own = QueryValue(query, "mid") == "w-" + shop.shopNumber + "-0";
        return Page(AsyncSearchAnswer(m_market, shop, PageNumber(QueryValue(query, "pageNo")), own,
                                      QueryValue(query, "callback")),
                    &shop);
    }
    return NotFound(&shop);
}

Answer Router::TaobaoItem(const Request &request) {
    if (request.path != "/item.htm") return NotFound();
    const std::string id = QueryValue(ParseQuery(request.query), "id");
    const auto ref = m_market.FindItem(id);
    if (!ref) return Page(MissingItemPage(false));
    if (!ref->shop->IsTaobao()) return Moved("http://" + ref->shop->itemBase + "/item.htm?id=" + id);
    if (NeedsLogin(request, ref->shop)) return LoginRedirect(request, ref->shop);
    if (auto it = m_hugePages.find(ref->item); it != m_hugePages.end()) {
        Answer a = Page({}, ref->shop);
        a.sharedBody = it->second;
        return a;
    }
    return Page(TaobaoItemPage(*ref->shop, *ref->item), ref->shop);
}

Answer Router::TmallItem(const Request &request) {
    const bool alt = request.host == EndpointTable::TmallAltItemHost;
    if (request.path != (alt ? "/hk/item.htm" : "/item.htm")) return NotFound();
    const std::string id = QueryValue(ParseQuery(request.query), "id");
    const auto ref = m_market.FindItem(id);
    if (!ref) return Page(MissingItemPage(true));
    if (ref->shop->IsTaobao())
        return Moved("http://" + std::string(EndpointTable::ItemPageHost) + "/item.htm?id=" + id);
    if (NeedsLogin(request, ref->shop)) return LoginRedirect(request, ref->shop);
    if (auto it = m_hugePages.find(ref->item); it != m_hugePages.end()) {
        Answer a = Page({}, ref->shop);
        a.sharedBody = it->second;
        return a;
    }
    return Page(TmallItemPage(*ref->shop, *ref->item), ref->shop);
}

Answer Router::Service(const Request &request) {
    const QueryList query = ParseQuery(request.query);
    const std::string &host = request.host;
    const std::string callback = QueryValue(query, "callback");
    if (host == EndpointTable::CounterHost && request.path == "/counter3") {
        // The request belongs to the shop of the first item it names.
        const Shop *shop = nullptr;
        const std::string keyList = QueryValue(query, "keys");
        std::string_view keys = keyList;
        while (!keys.empty() && !shop) {
            const auto comma = keys.find(',');
            const std::string_view key = keys.substr(0, comma);
            keys = comma == std::string_view::npos ? std::string_view() : keys.substr(comma + 1);
            const auto underscore = key.rfind('_');
            if (underscore == std::string_view::npos) continue;
            if (auto ref = m_market.FindItem(key.substr(underscore + 1))) shop = ref->shop;
        }
        if (NeedsLogin(request, shop)) return LoginRedirect(request, shop);
        return Script(CounterAnswer(m_market, query), shop);
    }
    if (host == EndpointTable::DetailSkipHost && request.path == "/json/ifq.htm") {
        const auto ref = m_market.FindItem(QueryValue(query, "id"));
        const Shop *shop = ref ? ref->shop : nullptr;
        if (NeedsLogin(request, shop)) return LoginRedirect(request, shop);
        return Script(DetailSkipAnswer(ref ? ref->item : nullptr, callback), shop);
    }
    if (host == kRateHost && request.path == "/detailCount.do") {
        const std::string id = QueryValue(query, "itemId");
        const auto ref = m_market.FindItem(id);
        const Shop *shop = ref ? ref->shop : nullptr;
        if (NeedsLogin(request, shop)) return LoginRedirect(request, shop);
        return Script(RateCounterAnswer(id, ref ? ref->item : nullptr, callback), shop);
    }
    if (host == EndpointTable::TmallRateHost && request.path == "/list_dsr_info.htm") {
        const auto ref = m_market.FindItem(QueryValue(query, "itemId"));
        const Shop *shop = ref ? ref->shop : nullptr;
        if (NeedsLogin(request, shop)) return LoginRedirect(request, shop);
        return Script(RatingAnswer(ref ? ref->item : nullptr, QueryValue(query, "spuId"), callback), shop);
    }
    return NotFound();
}

bool Router::NeedsLogin(const Request &request, const Shop *shop) {
    return shop && shop->setup.login && !m_sessions.Admit(request.cookie);
}

Answer Router::LoginRedirect(const Request &request, const Shop *shop) const {
    Answer a = Moved("http://" + m_market.Config().loginHost +
                     "/member/login.jhtml?redirectURL=" + PercentEncode(request.Absolute()));
    a.shop = shop;
    return a;
}

std::vector<std::string> Router::SessionCookies(const std::string &session, const std::string &domain,
                                                const std::string &user) const {
    const std::string scope = "; Domain=." + domain + "; Path=/";
    std::vector<std::string> out = {"Set-Cookie: " + std::string(SessionCookieName) + "=" + session + scope +
                                        "; HttpOnly",
                                    "Set-Cookie: _tb_token_=" + session.substr(0, 13) + scope};
    if (!user.empty()) out.push_back("Set-Cookie: _nk_=" + PercentEncode(user) + scope);
    return out;
}

// The session cookie is set on the login host's domain here, then on every
// other marketplace domain by a chain of redirects through pass.<domain>,
// the way the marketplace spreads one login over its sites.
Answer Router::LoggedIn(const std::string &user, const std::string &redirect) {
    const std::string session = m_sessions.Issue();
    const auto &domains = m_market.CookieDomains();
    std::string next = redirect;
    for (std::size_t i = domains.size(); i-- > 1;)
        next = "http://pass." + domains[i] + "/add?token=" + session + "&target=" + PercentEncode(next);
    Answer a = Moved(next);
    for (std::string &cookie : SessionCookies(session, domains.front(), user))
        a.headers.push_back(std::move(cookie));
    a.faultable = false;
    return a;
}

Answer Router::LoginHostPage(const Request &request) {
    Answer a;
    if (request.path != "/member/login.jhtml") {
        a = NotFound();
    } else {
        const bool post = request.method == "POST";
        const QueryList query = ParseQuery(post ? request.body : request.query, post);
        std::string redirect = QueryValue(query, "redirectURL");
        // The form carries the address percent-encoded, so a posted form decodes to the encoded form once more.
        if (!redirect.starts_with("http://") && PercentDecode(redirect, false).starts_with("http://"))
            redirect = PercentDecode(redirect, false);
        if (!redirect.starts_with("http://")) redirect = "http://" + std::string(kNoShopHost) + "/";
        const std::string user = QueryValue(query, "TPL_username");
        if (!user.empty())
            a = LoggedIn(user, redirect);
        else if (m_market.Config().autoLogin)
            a = LoggedIn(Utf8ToGbk("测试用户"), redirect);
        else
            a = Page(LoginFormPage(m_market.Config().loginHost, redirect, post));
    }
    a.faultable = false;
    return a;
}

Answer Router::PassHostPage(const Request &request, const std::string &domain) {
    Answer a;
    const QueryList query = ParseQuery(request.query);
    const std::string token = QueryValue(query, "token");
    const std::string target = QueryValue(query, "target");
    if (request.path != "/add" || !target.starts_with("http://")) {
        a = NotFound();
    } else if (!m_sessions.Known(token)) {
        a = Page("<html><body>" + RF_GBK("登录已失效，请重新登录") + "</body></html>\n", nullptr, 403);
    } else {
        a = Moved(target);
        for (std::string &cookie : SessionCookies(token, domain, {}))
            a.headers.push_back(std::move(cookie));
    }
    a.faultable = false;
    return a;
}

} // namespace rongfan::marketsim
