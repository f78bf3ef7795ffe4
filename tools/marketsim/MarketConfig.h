#pragma once
// What the simulated marketplace serves: its shops, faults, login rules and
// where it listens, from the command line and from a JSON file.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace rongfan::marketsim {

// One kind per page layout the program has to handle.
enum class ShopKind { TaobaoAsync, TaobaoPlain, TmallAsync, TmallRenderError, TmallRedirect };

std::string_view KindName(ShopKind kind);
std::optional<ShopKind> ParseKind(std::string_view name);
inline bool IsTaobaoKind(ShopKind kind) {
    return kind == ShopKind::TaobaoAsync || kind == ShopKind::TaobaoPlain;
}

// Faults and latency; unset fields fall back to the global settings.
struct FaultSettings {
    std::optional<double> empty;    // 200 with an empty body
    std::optional<double> drop;     // connection closed before any byte of the answer
    std::optional<double> error500; // 500 with an error page
    std::optional<double> truncate; // full Content-Length announced, half the body sent
    std::optional<double> zeroByte; // a zero byte inserted in the middle of the body
    std::optional<double> stall;    // nothing sent, connection held for the stall time
    std::optional<int> latencyMinMs;
    std::optional<int> latencyMaxMs;
    std::optional<std::string> scope; // only addresses containing this text are faulted

    // This setting where it is set, otherwise `base`'s.
    FaultSettings Over(const FaultSettings &base) const;
};

struct ShopSetup {
    ShopKind kind = ShopKind::TaobaoAsync;
    std::string host;
    int items = 24;
    std::uint64_t seed = 1;
    bool login = false;
    std::string name;               // UTF-8; generated from the seed when empty
    std::string pageKey = "pageNo"; // taobao-plain: the query key of its page numbers
    std::string target;             // tmall-redirect: the host its search page sends the browser to
    int hugeMb = 0;                 // > 0: the first item's page is padded to this many MB
    int claimedPages = 0;           // > 0: the page counter claims this many pages
    FaultSettings faults;
};

struct MarketConfig {
    int port = 0;
    double lifetimeSeconds = 0; // 0: no limit
    int threads = 16;
    std::uint64_t seed = 1; // sessions and the global fault decisions
    bool autoLogin = false;
    std::string loginHost = "login.taobao.com";
    int loginExpiresAfter = 0; // 0: sessions never expire
    double stallSeconds = 65;
    FaultSettings faults;
    std::string requestLog;
    std::string expectedFile;
    bool dumpExpected = false;
    bool help = false;
    std::vector<ShopSetup> shops;
};

struct ParseResult {
    bool ok = true;
    std::string error;
};

ParseResult ParseArguments(int argc, const char *const *argv, MarketConfig &config);
ParseResult ParseShopSetup(std::string_view setup, ShopSetup &shop);
ParseResult LoadConfigFile(const std::string &path, MarketConfig &config);
// Checks what the options alone cannot: host names against the shop kinds, duplicates.
ParseResult ValidateConfig(MarketConfig &config);
std::string HelpText();
// One shop of every kind, for the demo and for trying the program by hand.
std::vector<ShopSetup> DemoShops();

} // namespace rongfan::marketsim
