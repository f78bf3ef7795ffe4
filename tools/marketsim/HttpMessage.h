#pragma once
// A request as the router sees it and the answer it gives, before the wire.
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace rongfan::marketsim {

struct Shop;

struct Request {
    std::string method;  // GET, HEAD, POST
    std::string version; // HTTP/1.0 or HTTP/1.1
    std::string host;    // lower case, without port
    std::string path;    // "/search.htm"
    std::string query;   // without "?", as sent
    std::string cookie;  // the Cookie header
    std::string body;    // POST body
    // "http://" host path ["?" query]: the address the log and the fault decisions use.
    std::string Absolute() const { return "http://" + host + path + (query.empty() ? "" : "?" + query); }
};

struct Answer {
    int status = 200;
    std::string contentType = "text/html;charset=GBK";
    std::vector<std::string> headers; // extra header lines without CR LF
    std::string body;
    std::shared_ptr<const std::string> sharedBody; // large pages built once, served without a copy
    const Shop *shop = nullptr;                    // the shop whose fault settings apply
    bool faultable = true;                         // the login pages are never faulted

    std::string_view Body() const { return sharedBody ? std::string_view(*sharedBody) : std::string_view(body); }
};

} // namespace rongfan::marketsim
