#pragma once
// The generated marketplace: shops and their items, every value a pure
// function of the shop's seed and host, and the lookups the router needs.
#include "MarketConfig.h"

#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace rongfan::marketsim {

struct Item {
    int index = 0;     // 0-based position in the shop's listing
    std::string id;    // 11 digits; no id is part of another
    std::string title; // GBK
    std::string price; // as the pages write it, blanks included: "65.00", "276.00 - 856.00"
    int collections = 0;
    int deals30 = 0;
    int received30 = 0;
    int reviews = 0;
    std::string picture;     // first thumbnail, without scheme and without the size suffix
    std::string listPicture; // photo in the shop's listing, without scheme
    std::string spuId;       // Tmall product id
    bool detailSkip = true;  // the item page names the detail-skip service
    std::string token;       // per-item hex token used in links and signatures
    int soldTotal = 0;
};

struct Shop {
    ShopSetup setup;
    std::string name;       // GBK
    std::string shopNumber; // number of the shop's search widget: mid=w-<number>-0
    std::string sellerId;
    std::string shopId;
    std::vector<Item> items;
    int perPage = 24;
    std::string itemBase; // Tmall: host and path of the item pages its listings link

    bool IsTaobao() const { return IsTaobaoKind(setup.kind); }
    bool IsHongKong() const; // a Tmall shop outside the main Tmall domain
    // Pages that hold items (0 for an empty shop).
    int RealPages() const;
    // Pages the page counter shows.
    int ClaimedPages() const;
    // The items of a result page (1-based); none beyond the real pages.
    std::span<const Item> PageItems(int page) const;
    std::string SearchUrl() const; // the address the program builds from the shop's base address
};

class Market {
public:
    explicit Market(const MarketConfig &config);

    struct ItemRef {
        const Shop *shop = nullptr;
        const Item *item = nullptr;
    };

    const MarketConfig &Config() const { return m_config; }
    const std::vector<std::unique_ptr<Shop>> &Shops() const { return m_shops; }
    // A shop by its host or, for a tmall-redirect shop, by its target host.
    const Shop *ShopByHost(std::string_view host) const;
    bool IsTargetHost(std::string_view host) const;
    std::optional<ItemRef> FindItem(std::string_view id) const;
    // Item ids of no shop, linked by the recommendation blocks of the listings.
    std::span<const std::string> ForeignIds() const { return m_foreignIds; }
    // The marketplace domains a login sets the session cookie on; the login host's first.
    const std::vector<std::string> &CookieDomains() const { return m_domains; }
    // A session that is valid from the start, for clients that bring their own cookies.
    const std::string &PresetSession() const { return m_presetSession; }

private:
    MarketConfig m_config;
    std::vector<std::unique_ptr<Shop>> m_shops;
    std::unordered_map<std::string, const Shop *> m_byHost;
    std::unordered_map<std::string, const Shop *> m_byTarget;
    std::unordered_map<std::string, ItemRef> m_byId;
    std::vector<std::string> m_foreignIds;
    std::vector<std::string> m_domains;
    std::string m_presetSession;
};

// "taobao.com" of "shop.taobao.com": the last two labels.
std::string DomainOf(std::string_view host);

} // namespace rongfan::marketsim
