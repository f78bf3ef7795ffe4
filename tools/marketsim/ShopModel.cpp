#include "ShopModel.h"

#include "Hash.h"
#include "Words.h"
#include "host/EndpointTable.h"
#include "text/Gbk.h"

#include <algorithm>
#include <cstdio>
#include <set>
#include <unordered_set>

namespace rongfan::marketsim {
namespace {

std::string Digits(Rng &rng, std::int64_t lo, std::int64_t hi) {
    return std::to_string(rng.Range(lo, hi));
}

std::string Alnum(Rng &rng, int n) {
    static constexpr char kChars[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    std::string out;
    for (int i = 0; i < n; ++i)
        out += kChars[rng.Next() % (sizeof kChars - 1)];
    return out;
}

std::string Hex(std::uint64_t v, int n) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string out;
    for (int i = 0; i < n; ++i, v >>= 4)
        out += kHex[v & 15];
    return out;
}

std::string Money(std::int64_t cents) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%lld.%02lld", static_cast<long long>(cents / 100),
                  static_cast<long long>(cents % 100));
    return buffer;
}

std::string MakeTitle(const Shop &shop, Rng &rng) {
    std::string utf8;
    if (shop.IsTaobao()) {
        utf8 = std::string(rng.Pick(words::TitleOpeners())) + " " + std::string(rng.Pick(words::TitleQualifiers())) +
               std::string(rng.Pick(words::Products()));
        if (rng.Chance(0.7)) utf8 += " " + std::string(rng.Pick(words::TitleClosers()));
    } else if (shop.IsHongKong()) {
        utf8 = std::string(rng.Pick(words::TraditionalOpeners())) + " " + std::string(rng.Pick(words::Brands())) + " " +
               std::string(rng.Pick(words::TraditionalProducts())) + " " + Digits(rng, 100000, 999999) + "-" +
               Digits(rng, 100, 999);
    } else {
        // Model numbers hold "-", so the title's end is found by the marketplace's suffix, not the first dash.
        utf8 = std::string(rng.Pick(words::Brands())) + " " + std::string(rng.Pick(words::TitleOpeners())) +
               std::string(rng.Pick(words::Products())) + " " + Digits(rng, 100000, 999999) + "-" +
               Digits(rng, 100, 999);
    }
    return Utf8ToGbk(utf8);
}

std::string MakePrice(Rng &rng) {
    static constexpr int kFractions[] = {0, 0, 0, 90, 99, 50};
    const std::int64_t cents = rng.Range(1, 2999) * 100 + rng.Pick(kFractions);
    if (rng.Chance(1.0 / 6)) {
        const std::int64_t upper = cents + rng.Range(1, 5000) * 10;
        return Money(cents) + " - " + Money(upper);
    }
    std::string price = Money(cents);
    // Some pages pad the figure with blanks; the program removes them.
    if (rng.Chance(0.1)) price = " " + price + " ";
    return price;
}

} // namespace

bool Shop::IsHongKong() const {
    return !IsTaobao() && setup.host.find(EndpointTable::TmallDomain) == std::string::npos;
}

int Shop::RealPages() const {
    return static_cast<int>((items.size() + perPage - 1) / perPage);
}

int Shop::ClaimedPages() const {
    return setup.claimedPages > 0 ? setup.claimedPages : RealPages();
}

std::span<const Item> Shop::PageItems(int page) const {
    if (page < 1 || page > RealPages()) return {};
    const std::size_t first = static_cast<std::size_t>(page - 1) * perPage;
    const std::size_t count = std::min<std::size_t>(perPage, items.size() - first);
    return std::span<const Item>(items).subspan(first, count);
}

std::string Shop::SearchUrl() const {
    return "http://" + setup.host + (IsTaobao() ? "/search.htm?orderType=hotsell_desc" : "/search.htm?search=y");
}

std::string DomainOf(std::string_view host) {
    const auto last = host.rfind('.');
    if (last == std::string_view::npos || last == 0) return std::string(host);
    const auto previous = host.rfind('.', last - 1);
    return std::string(previous == std::string_view::npos ? host : host.substr(previous + 1));
}

Market::Market(const MarketConfig &config) : m_config(config) {
    std::unordered_set<std::string> usedIds;
    auto uniqueId = [&](std::uint64_t h) {
        for (std::uint64_t attempt = 0;; ++attempt) {
            const std::uint64_t v = Mix({h, attempt});
            std::string id = std::to_string(10000000000ull + v % 90000000000ull);
            if (usedIds.insert(id).second) return id;
        }
    };

    for (const ShopSetup &setup : config.shops) {
        auto shop = std::make_unique<Shop>();
        shop->setup = setup;
        const std::uint64_t base = Mix({setup.seed, HashText(setup.host)});
        Rng shopRng(Mix({base, 0x5109ull}));
        shop->perPage = shop->IsTaobao() ? 24 : 60;
        shop->shopNumber = Digits(shopRng, 100000000, 99999999999);
        shop->sellerId = Digits(shopRng, 100000000, 3999999999);
        shop->shopId = Digits(shopRng, 10000000, 499999999);
        if (!setup.name.empty()) {
            shop->name = Utf8ToGbk(setup.name);
        } else {
            const auto suffixes = shop->IsTaobao()     ? words::TaobaoShopSuffixes()
                                  : shop->IsHongKong() ? words::HkShopSuffixes()
                                                       : words::TmallShopSuffixes();
            shop->name = Utf8ToGbk(std::string(shopRng.Pick(words::ShopCores())) + std::string(shopRng.Pick(suffixes)));
        }
        if (!shop->IsTaobao())
            shop->itemBase = shop->IsHongKong() ? std::string(EndpointTable::TmallAltItemHost) + "/hk"
                                                : std::string(EndpointTable::TmallItemHost);

        shop->items.reserve(setup.items);
        for (int i = 0; i < setup.items; ++i) {
            Rng rng(Mix({base, 0x17e3ull, static_cast<std::uint64_t>(i)}));
            Item item;
            item.index = i;
            item.id = uniqueId(rng.Next());
            item.title = MakeTitle(*shop, rng);
            item.price = MakePrice(rng);
            item.collections = rng.Chance(0.1) ? 0 : static_cast<int>(rng.Range(1, 30000));
            item.deals30 = static_cast<int>(rng.Range(0, 3000));
            item.received30 = static_cast<int>(rng.Range(0, item.deals30));
            item.reviews = static_cast<int>(rng.Range(0, 60000));
            item.soldTotal = item.deals30 + static_cast<int>(rng.Range(0, 20000));
            item.detailSkip = !rng.Chance(1.0 / 16);
            item.token = Hex(rng.Next(), 16);
            item.spuId = Digits(rng, 100000000, 999999999);
            const std::string slot = std::to_string(rng.Range(1, 4));
            if (shop->IsTaobao())
                item.picture = "gd" + slot + ".alicdn.com/imgextra/i" + slot + "/" + shop->sellerId + "/O1CN01" +
                               Alnum(rng, 22) + "_!!" + shop->sellerId + ".jpg";
            else
                item.picture = "img.alicdn.com/imgextra/i" + slot + "/" + shop->sellerId + "/TB1" + Alnum(rng, 20) +
                               "_!!0-item_pic.jpg";
            item.listPicture =
                "img.alicdn.com/bao/uploaded/i" + slot + "/" + shop->sellerId + "/O1CN01" + Alnum(rng, 22) + ".jpg";
            shop->items.push_back(std::move(item));
        }
        m_shops.push_back(std::move(shop));
    }

    for (const auto &shop : m_shops) {
        m_byHost.emplace(shop->setup.host, shop.get());
        if (shop->setup.kind == ShopKind::TmallRedirect) m_byTarget.emplace(shop->setup.target, shop.get());
        for (const Item &item : shop->items)
            m_byId.emplace(item.id, ItemRef{shop.get(), &item});
    }
    for (std::uint64_t k = 0; k < 12; ++k)
        m_foreignIds.push_back(uniqueId(Mix({config.seed, 0xf0e1ull, k})));

    std::set<std::string> domains = {DomainOf(EndpointTable::ItemPageHost),     DomainOf(EndpointTable::TmallItemHost),
                                     DomainOf(EndpointTable::TmallAltItemHost), DomainOf(EndpointTable::CounterHost),
                                     DomainOf(EndpointTable::DetailSkipHost),   DomainOf(EndpointTable::TmallRateHost)};
    for (const auto &shop : m_shops) {
        domains.insert(DomainOf(shop->setup.host));
        if (!shop->setup.target.empty()) domains.insert(DomainOf(shop->setup.target));
    }
    const std::string loginDomain = DomainOf(config.loginHost);
    domains.erase(loginDomain);
    m_domains.push_back(loginDomain);
    m_domains.insert(m_domains.end(), domains.begin(), domains.end());

    m_presetSession = Hex(Mix({config.seed, 0x5e55ull, 1}), 16) + Hex(Mix({config.seed, 0x5e55ull, 2}), 16);
}

const Shop *Market::ShopByHost(std::string_view host) const {
    if (auto it = m_byHost.find(std::string(host)); it != m_byHost.end()) return it->second;
    if (auto it = m_byTarget.find(std::string(host)); it != m_byTarget.end()) return it->second;
    return nullptr;
}

bool Market::IsTargetHost(std::string_view host) const {
    return m_byTarget.count(std::string(host)) > 0;
}

std::optional<Market::ItemRef> Market::FindItem(std::string_view id) const {
    if (auto it = m_byId.find(std::string(id)); it != m_byId.end()) return it->second;
    return std::nullopt;
}

} // namespace rongfan::marketsim
