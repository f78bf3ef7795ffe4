#include "ExpectedRows.h"

#include "SessionBook.h"
#include "host/EndpointTable.h"
#include "text/Gbk.h"
#include "text/Text.h"

#include <nlohmann/json.hpp>

namespace rongfan::marketsim {

std::vector<ExpectedRow> ExpectedRows(const Shop &shop) {
    std::vector<ExpectedRow> rows;
    rows.reserve(shop.items.size());
    // Items reach the buffer in listing order, page after page; the redirect
    // shop's second walk lists the same items in the same order.
    for (const Item &item : shop.items) {
        ExpectedRow row;
        row[0] = std::to_string(item.index + 1);
        row[1] = item.title;
        row[2] = RemoveSpaces(item.price);
        row[3] = std::to_string(item.collections);
        if (item.detailSkip) {
            row[4] = std::to_string(item.deals30);
            row[5] = std::to_string(item.received30);
        }
        row[6] = std::to_string(item.reviews);
        row[7] = shop.IsTaobao() ? "https://" + std::string(EndpointTable::ItemPageHost) + "/item.htm?id=" + item.id
                                 : "https://" + std::string(EndpointTable::TmallItemHost) + "/item.htm?id=" + item.id;
        row[8] = "http://" + item.picture;
        rows.push_back(std::move(row));
    }
    return rows;
}

std::string ExpectedReportTitle(const Shop &shop) {
    return shop.name;
}

std::string ExpectedJson(const Market &market) {
    using Json = nlohmann::ordered_json;
    Json root;
    root["login_host"] = market.Config().loginHost;
    Json domains = Json::array();
    for (const std::string &d : market.CookieDomains())
        domains.push_back("." + d);
    root["session"] = {
        {"name", std::string(SessionCookieName)}, {"value", market.PresetSession()}, {"domains", domains}};
    Json shops = Json::array();
    for (const auto &shop : market.Shops()) {
        Json s;
        s["host"] = shop->setup.host;
        s["kind"] = std::string(KindName(shop->setup.kind));
        s["home"] = "http://" + shop->setup.host;
        s["search_url"] = shop->SearchUrl();
        s["report_title"] = GbkToUtf8(ExpectedReportTitle(*shop));
        s["items"] = shop->items.size();
        s["pages"] = shop->ClaimedPages();
        s["per_page"] = shop->perPage;
        s["shop_number"] = shop->shopNumber;
        s["login"] = shop->setup.login;
        if (shop->setup.kind == ShopKind::TaobaoPlain) s["page_key"] = shop->setup.pageKey;
        if (!shop->IsTaobao()) s["item_base"] = shop->itemBase;
        if (shop->setup.kind == ShopKind::TmallRedirect) {
            s["target"] = shop->setup.target;
            s["redirect_url"] = "http://" + shop->setup.target + "/search.htm?search=y";
        }
        Json rows = Json::array();
        for (const ExpectedRow &row : ExpectedRows(*shop)) {
            Json cells = Json::array();
            for (const std::string &cell : row)
                cells.push_back(GbkToUtf8(cell));
            rows.push_back(std::move(cells));
        }
        s["rows"] = std::move(rows);
        shops.push_back(std::move(s));
    }
    root["shops"] = std::move(shops);
    return root.dump() + "\n";
}

} // namespace rongfan::marketsim
