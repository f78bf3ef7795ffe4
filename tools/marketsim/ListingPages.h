#pragma once
// The shop's own pages: home page, search result pages, the asynchronous
// search answers and the redirect page of a moved search page. GBK bytes.
#include "ShopModel.h"

#include <string>
#include <string_view>

namespace rongfan::marketsim {

std::string HomePage(const Market &market, const Shop &shop);

// An ordinary result page (page >= 1) inside the shop's page frame. Taobao
// shops of the asynchronous kind and Tmall shops carry the hidden search
// address with "?mid=w-<number>-0".
std::string SearchPage(const Market &market, const Shop &shop, int page);

// The answer of /i/asynSearch.htm: the listing with every double quote
// escaped, wrapped in a JSONP call. A request naming another shop's search
// widget gets an empty listing.
std::string AsyncSearchAnswer(const Market &market, const Shop &shop, int page, bool ownWidget,
                              std::string_view callback);

// The search page of a tmall-redirect shop: the hidden search address and a
// script sending the browser to the target host.
std::string RedirectSearchPage(const Shop &shop);

// What a marketplace host without a shop shows.
std::string NoShopPage();

} // namespace rongfan::marketsim
