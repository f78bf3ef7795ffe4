#pragma once
// The small services the item pages name: the counter, the detail-skip
// (sales and stock), the Taobao rate counter and the Tmall rating summary.
// Each answers in the script form the program reads.
#include "Markup.h"
#include "ShopModel.h"

#include <string>
#include <string_view>

namespace rongfan::marketsim {

// count.taobao.com/counter3?keys=K1,K2&callback=C: C({"K1":v1,"K2":v2});
std::string CounterAnswer(const Market &market, const QueryList &query);
// detailskip.taobao.com/json/ifq.htm?id=...: a script literal holding quantity:{quanity: n, ..., confirmGoods: m}.
std::string DetailSkipAnswer(const Item *item, std::string_view callback);
// rate.taobao.com/detailCount.do?itemId=...&callback=C: C({"<item id>":<reviews>})
std::string RateCounterAnswer(std::string_view itemId, const Item *item, std::string_view callback);
// dsr-rate.tmall.com/list_dsr_info.htm?itemId=...&spuId=...&callback=C: C({"dsr":{..."rateTotal":n...}})
// with the item's figures only when the product id is the item's.
std::string RatingAnswer(const Item *item, std::string_view spuId, std::string_view callback);

} // namespace rongfan::marketsim
