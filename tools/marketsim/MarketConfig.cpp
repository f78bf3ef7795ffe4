#include "MarketConfig.h"

#include "host/EndpointTable.h"

#include <charconv>
#include <fstream>
#include <functional>
#include <nlohmann/json.hpp>
#include <set>
#include <sstream>

namespace rongfan::marketsim {
namespace {

using Json = nlohmann::json;

struct KindEntry {
    ShopKind kind;
    std::string_view name;
};
constexpr KindEntry kKinds[] = {
    {ShopKind::TaobaoAsync, "taobao-async"},     {ShopKind::TaobaoPlain, "taobao-plain"},
    {ShopKind::TmallAsync, "tmall-async"},       {ShopKind::TmallRenderError, "tmall-render-error"},
    {ShopKind::TmallRedirect, "tmall-redirect"},
};

ParseResult Fail(std::string message) {
    return {false, std::move(message)};
}

bool ParseInt(std::string_view text, long long &out) {
    if (text.empty()) return false;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), out);
    return ec == std::errc() && end == text.data() + text.size();
}

bool ParseDouble(std::string_view text, double &out) {
    if (text.empty()) return false;
    std::string copy(text);
    char *end = nullptr;
    out = std::strtod(copy.c_str(), &end);
    return end == copy.c_str() + copy.size();
}

bool ParseBool(std::string_view text, bool &out) {
    if (text == "1" || text == "true" || text == "yes" || text == "on") return out = true, true;
    if (text == "0" || text == "false" || text == "no" || text == "off") return out = false, true;
    return false;
}

ParseResult ParseProbability(std::string_view name, std::string_view text, std::optional<double> &out) {
    double p = 0;
    if (!ParseDouble(text, p) || p < 0 || p > 1)
        return Fail(std::string(name) + ": a probability from 0 to 1 is needed");
    out = p;
    return {};
}

// "25" or "10-50" (a deterministic pick in the range for every answer).
ParseResult ParseLatency(std::string_view text, FaultSettings &faults) {
    long long lo = 0, hi = 0;
    const auto dash = text.find('-');
    if (dash == std::string_view::npos) {
        if (!ParseInt(text, lo)) return Fail("latency: milliseconds or a range MIN-MAX is needed");
        hi = lo;
    } else if (!ParseInt(text.substr(0, dash), lo) || !ParseInt(text.substr(dash + 1), hi)) {
        return Fail("latency: milliseconds or a range MIN-MAX is needed");
    }
    if (lo < 0 || hi < lo || hi > 600000) return Fail("latency: 0 <= MIN <= MAX <= 600000 is needed");
    faults.latencyMinMs = static_cast<int>(lo);
    faults.latencyMaxMs = static_cast<int>(hi);
    return {};
}

// The fault switches, shared by the global options, the shop setups and the JSON file.
ParseResult ApplyFaultKey(std::string_view key, std::string_view value, FaultSettings &faults, bool &known) {
    known = true;
    if (key == "empty") return ParseProbability(key, value, faults.empty);
    if (key == "drop") return ParseProbability(key, value, faults.drop);
    if (key == "error500") return ParseProbability(key, value, faults.error500);
    if (key == "truncate") return ParseProbability(key, value, faults.truncate);
    if (key == "zero_byte" || key == "zero-byte") return ParseProbability(key, value, faults.zeroByte);
    if (key == "stall") return ParseProbability(key, value, faults.stall);
    if (key == "latency" || key == "latency_ms" || key == "latency-ms") return ParseLatency(value, faults);
    if (key == "fault_on" || key == "fault-on") {
        faults.scope = std::string(value);
        return {};
    }
    known = false;
    return {};
}

std::string LowerHost(std::string_view host) {
    if (host.starts_with("http://")) host.remove_prefix(7);
    while (!host.empty() && host.back() == '/')
        host.remove_suffix(1);
    std::string out(host);
    for (char &c : out)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

ParseResult ApplyShopKey(std::string_view key, std::string_view value, ShopSetup &shop) {
    long long n = 0;
    bool b = false;
    if (key == "kind") {
        auto kind = ParseKind(value);
        if (!kind) return Fail("unknown shop kind '" + std::string(value) + "'");
        shop.kind = *kind;
    } else if (key == "host") {
        shop.host = LowerHost(value);
    } else if (key == "items") {
        if (!ParseInt(value, n) || n < 0 || n > 1000000) return Fail("items: 0 to 1000000 is needed");
        shop.items = static_cast<int>(n);
    } else if (key == "seed") {
        if (!ParseInt(value, n) || n < 0) return Fail("seed: a whole number >= 0 is needed");
        shop.seed = static_cast<std::uint64_t>(n);
    } else if (key == "login") {
        if (!ParseBool(value, b)) return Fail("login: 0 or 1 is needed");
        shop.login = b;
    } else if (key == "name") {
        shop.name = std::string(value);
    } else if (key == "key") {
        if (value != "pageNo" && value != "pageNum") return Fail("key: pageNo or pageNum is needed");
        shop.pageKey = std::string(value);
    } else if (key == "target") {
        shop.target = LowerHost(value);
    } else if (key == "huge_mb" || key == "huge-mb") {
        if (!ParseInt(value, n) || n < 0 || n > 1024) return Fail("huge_mb: 0 to 1024 is needed");
        shop.hugeMb = static_cast<int>(n);
    } else if (key == "pages") {
        if (!ParseInt(value, n) || n < 0 || n > 100000000) return Fail("pages: 0 to 100000000 is needed");
        shop.claimedPages = static_cast<int>(n);
    } else {
        bool known = false;
        ParseResult r = ApplyFaultKey(key, value, shop.faults, known);
        if (!known) return Fail("unknown shop key '" + std::string(key) + "'");
        return r;
    }
    return {};
}

std::string JsonScalarText(const Json &v) {
    if (v.is_string()) return v.get<std::string>();
    if (v.is_boolean()) return v.get<bool>() ? "1" : "0";
    if (v.is_number_integer()) return std::to_string(v.get<long long>());
    if (v.is_number()) {
        std::ostringstream out;
        out << v.get<double>();
        return out.str();
    }
    return v.dump();
}

ParseResult ApplyFaultObject(const Json &object, FaultSettings &faults) {
    if (!object.is_object()) return Fail("faults: an object is needed");
    for (const auto &[key, value] : object.items()) {
        bool known = false;
        ParseResult r = ApplyFaultKey(key, JsonScalarText(value), faults, known);
        if (!known) return Fail("unknown fault '" + key + "'");
        if (!r.ok) return r;
    }
    return {};
}

// The command-line options, with the help text made from the same table so the
// two cannot drift apart.
struct Option {
    std::string_view name;
    std::string_view argument; // empty: a switch without argument
    std::string_view help;
    std::function<ParseResult(std::string_view, MarketConfig &)> apply;
};

ParseResult SetInt(std::string_view value, int &out, long long lo, long long hi, std::string_view what) {
    long long n = 0;
    if (!ParseInt(value, n) || n < lo || n > hi)
        return Fail(std::string(what) + ": " + std::to_string(lo) + " to " + std::to_string(hi) + " is needed");
    out = static_cast<int>(n);
    return {};
}

ParseResult SetSeconds(std::string_view value, double &out, std::string_view what) {
    double s = 0;
    if (!ParseDouble(value, s) || s < 0) return Fail(std::string(what) + ": seconds >= 0 are needed");
    out = s;
    return {};
}

ParseResult GlobalFault(std::string_view key, std::string_view value, MarketConfig &c) {
    bool known = false;
    return ApplyFaultKey(key, value, c.faults, known);
}

const std::vector<Option> &Options() {
    static const std::vector<Option> options = {
        {"--port", "N", "listen on 127.0.0.1 port N (default 0: a free port); the port is the first line of stdout",
         [](std::string_view v, MarketConfig &c) { return SetInt(v, c.port, 0, 65535, "--port"); }},
        {"--lifetime", "SECONDS", "exit after this many seconds (default: serve until stopped or the parent exits)",
         [](std::string_view v, MarketConfig &c) { return SetSeconds(v, c.lifetimeSeconds, "--lifetime"); }},
        {"--threads", "N", "worker threads answering requests (default 16)",
         [](std::string_view v, MarketConfig &c) { return SetInt(v, c.threads, 1, 1024, "--threads"); }},
        {"--seed", "N", "seed of the session cookie and of the global fault decisions (default 1)",
         [](std::string_view v, MarketConfig &c) {
             long long n = 0;
             if (!ParseInt(v, n) || n < 0) return Fail("--seed: a whole number >= 0 is needed");
             c.seed = static_cast<std::uint64_t>(n);
             return ParseResult{};
         }},
        {"--shop", "SPEC",
         "add a shop: kind=K,host=H[,items=N][,seed=S][,login=1][,name=NAME][,key=pageNo|pageNum][,target=HOST]"
         "[,huge_mb=MB][,pages=N][,latency=MS|MIN-MAX][,empty=P][,drop=P][,error500=P][,truncate=P][,zero_byte=P]"
         "[,stall=P][,fault_on=TEXT]; kinds: taobao-async, taobao-plain, tmall-async, tmall-render-error, "
         "tmall-redirect (repeatable)",
         [](std::string_view v, MarketConfig &c) {
             ShopSetup shop;
             ParseResult r = ParseShopSetup(v, shop);
             if (r.ok) c.shops.push_back(std::move(shop));
             return r;
         }},
        {"--config", "FILE", "read settings and shops from a JSON file (format in tools/marketsim/README.md)",
         [](std::string_view v, MarketConfig &c) { return LoadConfigFile(std::string(v), c); }},
        {"--demo", "", "add the demo shops (one of every kind, all requiring login)",
         [](std::string_view, MarketConfig &c) {
             for (ShopSetup &s : DemoShops())
                 c.shops.push_back(std::move(s));
             return ParseResult{};
         }},
        {"--dump-expected", "", "print the expected result rows of every shop as JSON on stdout and exit",
         [](std::string_view, MarketConfig &c) {
             c.dumpExpected = true;
             return ParseResult{};
         }},
        {"--expected-file", "FILE", "write the expected result rows to FILE before serving",
         [](std::string_view v, MarketConfig &c) {
             c.expectedFile = std::string(v);
             return ParseResult{};
         }},
        {"--request-log", "FILE", "append one JSON line per request to FILE (time, address, cookie, status, size)",
         [](std::string_view v, MarketConfig &c) {
             c.requestLog = std::string(v);
             return ParseResult{};
         }},
        {"--auto-login", "", "the login page logs in at once (sets the session cookie and redirects back)",
         [](std::string_view, MarketConfig &c) {
             c.autoLogin = true;
             return ParseResult{};
         }},
        {"--login-host", "HOST", "host of the login page (default login.taobao.com)",
         [](std::string_view v, MarketConfig &c) {
             c.loginHost = LowerHost(v);
             return ParseResult{};
         }},
        {"--login-expires", "N", "a session is good for N requests to pages that need login (default 0: for ever)",
         [](std::string_view v, MarketConfig &c) {
             return SetInt(v, c.loginExpiresAfter, 0, 1000000000, "--login-expires");
         }},
        {"--latency-ms", "MS|MIN-MAX", "delay every answer by MS, or by a deterministic pick from MIN to MAX",
         [](std::string_view v, MarketConfig &c) { return ParseLatency(v, c.faults); }},
        {"--empty", "P", "probability of an empty answer (200, no body)",
         [](std::string_view v, MarketConfig &c) { return GlobalFault("empty", v, c); }},
        {"--drop", "P", "probability of a dropped connection (closed before any byte of the answer)",
         [](std::string_view v, MarketConfig &c) { return GlobalFault("drop", v, c); }},
        {"--error500", "P", "probability of a 500 answer with an error page",
         [](std::string_view v, MarketConfig &c) { return GlobalFault("error500", v, c); }},
        {"--truncate", "P", "probability of a truncated body (full length announced, half sent, then closed)",
         [](std::string_view v, MarketConfig &c) { return GlobalFault("truncate", v, c); }},
        {"--zero-byte", "P", "probability of a zero byte inserted in the middle of the body",
         [](std::string_view v, MarketConfig &c) { return GlobalFault("zero_byte", v, c); }},
        {"--stall", "P", "probability of a stall: nothing is sent for --stall-seconds, then the connection closes",
         [](std::string_view v, MarketConfig &c) { return GlobalFault("stall", v, c); }},
        {"--stall-seconds", "S", "how long a stall holds the connection (default 65, above a 60 s client limit)",
         [](std::string_view v, MarketConfig &c) { return SetSeconds(v, c.stallSeconds, "--stall-seconds"); }},
        {"--fault-on", "TEXT", "fault only addresses that contain TEXT (e.g. detailskip or pageNo=2)",
         [](std::string_view v, MarketConfig &c) { return GlobalFault("fault_on", v, c); }},
        {"--help", "", "show this text and exit",
         [](std::string_view, MarketConfig &c) {
             c.help = true;
             return ParseResult{};
         }},
    };
    return options;
}

} // namespace

FaultSettings FaultSettings::Over(const FaultSettings &base) const {
    FaultSettings out = *this;
    if (!out.empty) out.empty = base.empty;
    if (!out.drop) out.drop = base.drop;
    if (!out.error500) out.error500 = base.error500;
    if (!out.truncate) out.truncate = base.truncate;
    if (!out.zeroByte) out.zeroByte = base.zeroByte;
    if (!out.stall) out.stall = base.stall;
    if (!out.latencyMinMs) {
        out.latencyMinMs = base.latencyMinMs;
        out.latencyMaxMs = base.latencyMaxMs;
    }
    if (!out.scope) out.scope = base.scope;
    return out;
}

std::string_view KindName(ShopKind kind) {
    for (const KindEntry &e : kKinds)
        if (e.kind == kind) return e.name;
    return "?";
}

std::optional<ShopKind> ParseKind(std::string_view name) {
    for (const KindEntry &e : kKinds)
        if (e.name == name) return e.kind;
    return std::nullopt;
}

ParseResult ParseShopSetup(std::string_view setup, ShopSetup &shop) {
    bool sawKind = false, sawHost = false;
    while (!setup.empty()) {
        const auto comma = setup.find(',');
        std::string_view part = setup.substr(0, comma);
        setup = comma == std::string_view::npos ? std::string_view() : setup.substr(comma + 1);
        if (part.empty()) continue;
        const auto eq = part.find('=');
        if (eq == std::string_view::npos) return Fail("shop: '" + std::string(part) + "' is not KEY=VALUE");
        const std::string_view key = part.substr(0, eq), value = part.substr(eq + 1);
        sawKind |= key == "kind";
        sawHost |= key == "host";
        ParseResult r = ApplyShopKey(key, value, shop);
        if (!r.ok) return r;
    }
    if (!sawKind || !sawHost) return Fail("shop: kind= and host= are needed");
    return {};
}

ParseResult LoadConfigFile(const std::string &path, MarketConfig &config) {
    std::ifstream in(path);
    if (!in) return Fail("cannot read " + path);
    Json root = Json::parse(in, nullptr, false);
    if (root.is_discarded() || !root.is_object()) return Fail(path + ": not a JSON object");
    for (const auto &[key, value] : root.items()) {
        const std::string text = JsonScalarText(value);
        ParseResult r;
        if (key == "port")
            r = SetInt(text, config.port, 0, 65535, "port");
        else if (key == "lifetime")
            r = SetSeconds(text, config.lifetimeSeconds, "lifetime");
        else if (key == "threads")
            r = SetInt(text, config.threads, 1, 1024, "threads");
        else if (key == "seed") {
            long long n = 0;
            if (!ParseInt(text, n) || n < 0)
                r = Fail("seed: a whole number >= 0 is needed");
            else
                config.seed = static_cast<std::uint64_t>(n);
        } else if (key == "auto_login") {
            if (!ParseBool(text, config.autoLogin)) r = Fail("auto_login: true or false is needed");
        } else if (key == "login_host")
            config.loginHost = LowerHost(text);
        else if (key == "login_expires")
            r = SetInt(text, config.loginExpiresAfter, 0, 1000000000, "login_expires");
        else if (key == "stall_seconds")
            r = SetSeconds(text, config.stallSeconds, "stall_seconds");
        else if (key == "request_log")
            config.requestLog = text;
        else if (key == "latency_ms")
            r = ParseLatency(text, config.faults);
        else if (key == "faults")
            r = ApplyFaultObject(value, config.faults);
        else if (key == "shops") {
            if (!value.is_array()) return Fail("shops: an array is needed");
            for (const Json &s : value) {
                if (!s.is_object()) return Fail("shops: every shop is an object");
                ShopSetup shop;
                bool sawKind = false, sawHost = false;
                for (const auto &[sk, sv] : s.items()) {
                    ParseResult sr =
                        sk == "faults" ? ApplyFaultObject(sv, shop.faults) : ApplyShopKey(sk, JsonScalarText(sv), shop);
                    if (!sr.ok) return sr;
                    sawKind |= sk == "kind";
                    sawHost |= sk == "host";
                }
                if (!sawKind || !sawHost) return Fail("shops: kind and host are needed");
                config.shops.push_back(std::move(shop));
            }
        } else
            r = Fail("unknown setting '" + key + "'");
        if (!r.ok) return Fail(path + ": " + r.error);
    }
    return {};
}

ParseResult ParseArguments(int argc, const char *const *argv, MarketConfig &config) {
    for (int i = 1; i < argc; ++i) {
        std::string_view arg = argv[i];
        std::string_view inlineValue;
        bool hasInline = false;
        if (const auto eq = arg.find('='); arg.starts_with("--") && eq != std::string_view::npos) {
            inlineValue = arg.substr(eq + 1);
            arg = arg.substr(0, eq);
            hasInline = true;
        }
        const Option *found = nullptr;
        for (const Option &o : Options())
            if (o.name == arg) found = &o;
        if (!found) return Fail("unknown option '" + std::string(arg) + "' (see --help)");
        std::string_view value;
        if (!found->argument.empty()) {
            if (hasInline)
                value = inlineValue;
            else if (i + 1 < argc)
                value = argv[++i];
            else
                return Fail(std::string(arg) + " needs " + std::string(found->argument));
        } else if (hasInline) {
            return Fail(std::string(arg) + " takes no value");
        }
        ParseResult r = found->apply(value, config);
        if (!r.ok) return r;
    }
    return {};
}

ParseResult ValidateConfig(MarketConfig &config) {
    std::set<std::string> hosts;
    const std::set<std::string, std::less<>> reserved = {std::string(EndpointTable::ItemPageHost),
                                                         std::string(EndpointTable::TmallItemHost),
                                                         std::string(EndpointTable::TmallAltItemHost),
                                                         std::string(EndpointTable::CounterHost),
                                                         std::string(EndpointTable::DetailSkipHost),
                                                         std::string(EndpointTable::TmallRateHost),
                                                         "rate.taobao.com",
                                                         "www.taobao.com",
                                                         config.loginHost};
    auto claim = [&](const std::string &host) -> ParseResult {
        if (host.empty() || host.find_first_of("/:?# ") != std::string::npos)
            return Fail("'" + host + "' is not a host name");
        if (reserved.count(host) || host.starts_with("pass."))
            return Fail("host " + host + " is taken by the marketplace");
        if (!hosts.insert(host).second) return Fail("host " + host + " is declared twice");
        return {};
    };
    for (ShopSetup &shop : config.shops) {
        const bool taobaoHost = shop.host.find(EndpointTable::TaobaoDomain) != std::string::npos;
        const bool tmallHost = !taobaoHost && shop.host.find(EndpointTable::TmallMarker) != std::string::npos;
        if (IsTaobaoKind(shop.kind) && !taobaoHost)
            return Fail(shop.host + ": a Taobao shop's host must contain " + std::string(EndpointTable::TaobaoDomain));
        if (!IsTaobaoKind(shop.kind) && !tmallHost)
            return Fail(shop.host + ": a Tmall shop's host must contain " + std::string(EndpointTable::TmallMarker) +
                        " and not " + std::string(EndpointTable::TaobaoDomain));
        if (ParseResult r = claim(shop.host); !r.ok) return r;
        // The home page's title is "首页-<name>-..." and the program's report title ends at the next dash.
        if (shop.name.find('-') != std::string::npos || shop.name.find_first_of("\"<>&") != std::string::npos)
            return Fail(shop.host + ": a shop name may not hold '-', quotes, '<', '>' or '&'");
        if (shop.kind == ShopKind::TmallRedirect) {
            if (shop.target.empty()) {
                const auto dot = shop.host.find('.');
                shop.target = shop.host.substr(0, dot) + "-new" + shop.host.substr(dot);
            }
            const bool sameBase = (shop.host.find(EndpointTable::TmallDomain) != std::string::npos) ==
                                  (shop.target.find(EndpointTable::TmallDomain) != std::string::npos);
            if (shop.target.find(EndpointTable::TmallMarker) == std::string::npos || !sameBase)
                return Fail(shop.target + ": the redirect target must be a Tmall host with the same item host as " +
                            shop.host);
            if (ParseResult r = claim(shop.target); !r.ok) return r;
        } else if (!shop.target.empty()) {
            return Fail(shop.host + ": target= is for tmall-redirect shops only");
        }
        if (shop.kind != ShopKind::TaobaoPlain && shop.pageKey != "pageNo")
            return Fail(shop.host + ": key= is for taobao-plain shops only");
    }
    return {};
}

std::string HelpText() {
    std::string out =
        "marketsim: a simulated Taobao/Tmall marketplace on 127.0.0.1 for tests, benchmarks and the demo.\n"
        "It answers proxy-style requests (GET http://host/path HTTP/1.0) and requests with a Host header alike;\n"
        "point a client at it with http_proxy=http://127.0.0.1:PORT. It exits when its parent process exits.\n\n"
        "Usage: marketsim [options]\n\nOptions (--name=value works too):\n";
    for (const Option &o : Options()) {
        std::string head = "  " + std::string(o.name);
        if (!o.argument.empty()) head += " " + std::string(o.argument);
        out += head;
        out += head.size() < 28 ? std::string(28 - head.size(), ' ') : std::string("\n") + std::string(28, ' ');
        // Wrap the description at 110 columns, breaking after commas or blanks.
        std::string_view help = o.help;
        while (help.size() > 82) {
            std::size_t cut = help.find_last_of(" ,", 81);
            if (cut == std::string_view::npos) cut = 81;
            std::string_view line = help.substr(0, cut + 1);
            while (line.ends_with(' '))
                line.remove_suffix(1);
            out += std::string(line) + "\n" + std::string(28, ' ');
            help.remove_prefix(cut + 1);
            while (!help.empty() && help.front() == ' ')
                help.remove_prefix(1);
        }
        out += std::string(help) + "\n";
    }
    out += "\nProbabilities P are 0 to 1; a decision depends on the seed, the address and how often that address\n"
           "was asked before, so the same run of requests meets the same faults. Shop keys override the global\n"
           "fault options for that shop's pages, items and services.\n";
    return out;
}

std::vector<ShopSetup> DemoShops() {
    static const char *const setups[] = {
        "kind=taobao-async,host=demo-async.taobao.com,items=120,seed=11,login=1",
        "kind=taobao-plain,host=demo-plain.taobao.com,items=60,seed=12,login=1",
        "kind=taobao-plain,host=demo-pagenum.taobao.com,items=50,seed=13,login=1,key=pageNum",
        "kind=tmall-async,host=demo.tmall.com,items=150,seed=14,login=1",
        "kind=tmall-async,host=demo.tmall.hk,items=80,seed=15,login=1",
        "kind=tmall-render-error,host=demo-error.tmall.com,items=130,seed=16,login=1",
        "kind=tmall-redirect,host=demo-old.tmall.com,items=70,seed=17,login=1,target=demo-new.tmall.com",
    };
    std::vector<ShopSetup> out;
    for (const char *s : setups) {
        ShopSetup shop;
        ParseShopSetup(s, shop);
        out.push_back(std::move(shop));
    }
    return out;
}

} // namespace rongfan::marketsim
