#pragma once
// Item pages of Taobao (item.taobao.com) and Tmall (detail.tmall.com,
// detail.tmall.hk/hk): about 50 KB of GBK markup each, most of it shared
// styles, scripts and description, with the item's own values in the places
// the program reads them from.
#include "ShopModel.h"

#include <string>

namespace rongfan::marketsim {

std::string TaobaoItemPage(const Shop &shop, const Item &item);
std::string TmallItemPage(const Shop &shop, const Item &item);
// What an item address of no shop shows; it lacks the title ending the program waits for.
std::string MissingItemPage(bool tmall);
// `page` grown to at least `bytes` with more description before </body>; markers stay where they were.
void PadItemPage(std::string &page, std::size_t bytes);

} // namespace rongfan::marketsim
