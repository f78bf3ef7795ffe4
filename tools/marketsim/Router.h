#pragma once
// Dispatches a request on host, path and query to the page or service that
// answers it, and applies the login rule of shops that require one.
#include "HttpMessage.h"
#include "SessionBook.h"
#include "ShopModel.h"

#include <memory>
#include <unordered_map>

namespace rongfan::marketsim {

class Router {
public:
    Router(const Market &market, SessionBook &sessions);
    Answer Route(const Request &request);

private:
    Answer ShopPage(const Request &request, const Shop &shop);
    Answer LoginHostPage(const Request &request);
    Answer PassHostPage(const Request &request, const std::string &domain);
    Answer TaobaoItem(const Request &request);
    Answer TmallItem(const Request &request);
    Answer Service(const Request &request);
    // A 302 to the login page when `shop` requires login and the request has no valid session.
    bool NeedsLogin(const Request &request, const Shop *shop);
    Answer LoginRedirect(const Request &request, const Shop *shop) const;
    Answer LoggedIn(const std::string &user, const std::string &redirect);
    std::vector<std::string> SessionCookies(const std::string &session, const std::string &domain,
                                            const std::string &user) const;

    const Market &m_market;
    SessionBook &m_sessions;
    std::unordered_map<const Item *, std::shared_ptr<const std::string>> m_hugePages;
};

Answer Moved(std::string location);

} // namespace rongfan::marketsim
