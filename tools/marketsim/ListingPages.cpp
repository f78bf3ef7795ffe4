#include "ListingPages.h"

#include "Markup.h"
#include "host/EndpointTable.h"
#include "text/Gbk.h"

#include <algorithm>

namespace rongfan::marketsim {
namespace {

std::string N(long long v) {
    return std::to_string(v);
}

std::string TaobaoItemLink(const Item &item) {
    return "//" + std::string(EndpointTable::ItemPageHost) + "/item.htm?id=" + item.id;
}

std::string TmallItemLink(const Shop &shop, std::string_view id) {
    return "//" + shop.itemBase + "/item.htm?id=" + std::string(id);
}

// Address of result page k as the shop's own pager writes it.
std::string PageLink(const Shop &shop, int k) {
    const std::string host = "//" + shop.setup.host + "/search.htm?";
    switch (shop.setup.kind) {
    case ShopKind::TaobaoAsync:
        return host + "mid=w-" + shop.shopNumber + "-0&amp;search=y&amp;spm=a1z10.3-c.0.0&amp;orderType=hotsell_desc" +
               "&amp;pageNo=" + N(k) + "#anchor";
    case ShopKind::TaobaoPlain:
        return host + "orderType=hotsell_desc&amp;" + shop.setup.pageKey + "=" + N(k);
    default:
        return host + "mid=w-" + shop.shopNumber + "-0&amp;search=y&amp;pageNo=" + N(k) + "#anchor";
    }
}

std::string HiddenSearchAddress(const Shop &shop) {
    return "<input id=\"J_ShopAsynSearchURL\" type=\"hidden\" value=\"/i/asynSearch.htm?mid=w-" + shop.shopNumber +
           "-0&wid=" + shop.shopNumber + "&path=/search.htm&amp;search=y\" />\n";
}

std::string FirstPrice(const Item &item) {
    std::string price = item.price;
    if (auto dash = price.find(" - "); dash != std::string::npos) price.resize(dash);
    price.erase(std::remove(price.begin(), price.end(), ' '), price.end());
    return price;
}

std::string TaobaoCard(const Item &item, bool async) {
    const std::string link = TaobaoItemLink(item);
    std::string out = "<dl class=\"item \" data-id=\"" + item.id + "\">\n";
    out += "<dt class=\"photo\"><a href=\"" + link + "\" target=\"_blank\"><img alt=\"" + item.title +
           "\" data-ks-lazyload=\"//" + item.listPicture + "_240x240.jpg\" src=\"//g.alicdn.com/s.gif\"></a></dt>\n";
    // The asynchronous listing tags the name link with the shop scene; the plain one does not.
    out += "<dd class=\"detail\"><a class=\"item-name\" href=\"" + link + (async ? "&scene=taobao_shop" : "") +
           "\" target=\"_blank\">" + item.title + "</a>\n";
    out += "<div class=\"attribute\"><div class=\"cprice-area\"><span class=\"symbol\">&yen;</span><span "
           "class=\"c-price\">" +
           FirstPrice(item) + " </span></div>\n";
    out += "<div class=\"sale-area\">" + RF_GBK("已售：") + "<span class=\"sale-num\">" + N(item.deals30) + "</span>" +
           RF_GBK("件") + "</div></div></dd>\n";
    out += "<dd class=\"rates\"><div class=\"title\">" + RF_GBK("评论(") + "<a href=\"" + link +
           "&on_comment=1\" target=\"_blank\"><span>" + N(item.reviews) + "</span></a>)</div></dd>\n</dl>\n";
    return out;
}

std::string TmallCard(const Shop &shop, const Item &item, bool async) {
    const std::string link = TmallItemLink(shop, item.id);
    const std::string tail = "&amp;rn=" + item.token + "&amp;abbucket=" + N(item.index % 20);
    std::string out = "<dl class=\"item J_TGoldData\" data-id=\"" + item.id + "\">\n";
    // The asynchronous listing links the photo without parameters, as the live site does.
    out += "<dt class=\"photo\"><a href=\"" + link + (async ? "" : tail) + "\" target=\"_blank\"><img alt=\"" +
           item.title + "\" data-ks-lazyload=\"//" + item.listPicture +
           "_180x180.jpg\" src=\"//assets.alicdn.com/s.gif\"></a></dt>\n";
    out += "<dd class=\"detail\"><a class=\"item-name J_TGoldData\" href=\"" + link + tail + "\" target=\"_blank\">" +
           item.title + "</a>\n";
    out += "<div class=\"attribute\"><div class=\"cprice-area\"><span class=\"symbol\">&yen;</span><span "
           "class=\"c-price\">" +
           FirstPrice(item) + "</span></div><div class=\"sale-area\">" + RF_GBK("总销量：") +
           "<span class=\"sale-num\">" + N(item.soldTotal) + "</span></div></div></dd>\n";
    out += "<dd class=\"rates\"><div class=\"title\"><h4>" + RF_GBK("评价: ") + "<a href=\"" + link +
           "&amp;on_comment=1\" target=\"_blank\"><span>" + N(item.reviews) + "</span></a></h4></div></dd>\n</dl>\n";
    return out;
}

std::string NumberLinks(const Shop &shop, int page, int pages) {
    std::string out;
    auto link = [&](int k) {
        out += k == page ? "<a class=\"page-cur\">" + N(k) + "</a>\n"
                         : "<a class=\"J_SearchAsync\" href=\"" + PageLink(shop, k) + "\">" + N(k) + "</a>\n";
    };
    const int from = std::max(1, page - 2), to = std::min(pages, page + 2);
    if (from > 1) link(1);
    if (from > 2) out += "<span class=\"break\">...</span>\n";
    for (int k = from; k <= to; ++k)
        link(k);
    if (to < pages - 1) out += "<span class=\"break\">...</span>\n";
    if (to < pages) link(pages);
    return out;
}

std::string BottomPager(const Shop &shop, int page, int pages) {
    std::string out = "<div class=\"pagination\">\n";
    out += page <= 1 ? "<a class=\"disable\">" + RF_GBK("上一页") + "</a>\n"
                     : "<a class=\"J_SearchAsync prev\" href=\"" + PageLink(shop, page - 1) + "\">" + RF_GBK("上一页") +
                           "</a>\n";
    out += NumberLinks(shop, page, pages);
    out += page >= pages ? "<a class=\"disable\">" + RF_GBK("下一页") + "</a>\n"
                         : "<a class=\"J_SearchAsync next\" href=\"" + PageLink(shop, page + 1) + "\">" +
                               RF_GBK("下一页") + "</a>\n";
    out += "<form action=\"//" + shop.setup.host + "/search.htm\" method=\"get\" class=\"form\">\n";
    if (shop.IsTaobao())
        out += "<input type=\"hidden\" name=\"orderType\" value=\"hotsell_desc\" />\n";
    else
        out += "<input type=\"hidden\" name=\"search\" value=\"y\" />\n";
    out += "<span class=\"page-skip\">" + RF_GBK("共") + N(pages) + RF_GBK("页，到第") +
           " <input type=\"text\" value=\"" + N(page) + "\" size=\"3\" name=\"" +
           (shop.setup.kind == ShopKind::TaobaoPlain ? shop.setup.pageKey : std::string("pageNo")) + "\"> " +
           RF_GBK("页") + "</span>\n<button type=\"submit\" class=\"J_Submit\">" + RF_GBK("确定") +
           "</button>\n</form>\n</div>\n";
    return out;
}

std::string SortLinks(const Shop &shop) {
    const std::string base = "//" + shop.setup.host + "/search.htm?";
    return "<a class=\"fType-w active\" href=\"" + base + "orderType=coefp_desc\">" + RF_GBK("综合排序") +
           "</a>\n<a class=\"fType-w\" href=\"" + base + "orderType=hotsell_desc\">" + RF_GBK("销量") +
           "</a>\n<a class=\"fType-w\" href=\"" + base + "orderType=newOn_desc\">" + RF_GBK("新品") +
           "</a>\n<a class=\"fType-w\" href=\"" + base + "orderType=price_asc\">" + RF_GBK("价格") + "</a>\n";
}

std::string Recommendations(const Market &market, const Shop &shop, int page) {
    const auto foreign = market.ForeignIds();
    std::string out = "<div class=\"comboHd\"><h4>" + RF_GBK("掌柜推荐") + "</h4><ul class=\"combo-list\">\n";
    for (int k = 0; k < 4; ++k) {
        const std::string &id = foreign[(page + k) % foreign.size()];
        const std::string link = shop.IsTaobao()
                                     ? "//" + std::string(EndpointTable::ItemPageHost) + "/item.htm?id=" + id
                                     : TmallItemLink(shop, id) + "&amp;rn=0";
        out += "<li><a href=\"" + link + "\" target=\"_blank\"><img src=\"//img.alicdn.com/bao/uploaded/i2/T1" + id +
               ".jpg_80x80.jpg\" /></a><p><a href=\"" + link + "\" target=\"_blank\">" + RF_GBK("推荐宝贝") +
               "</a></p></li>\n";
    }
    return out + "</ul></div>\n";
}

// The listing block: counter and small pager, the item cards, the full pager.
std::string Listing(const Market &market, const Shop &shop, int page, bool async, bool recommend) {
    const int pages = shop.ClaimedPages();
    const std::string counter = pages == 0 ? "0/0" : N(page) + "/" + N(pages);
    const auto items = shop.PageItems(page);
    std::string out = "<div class=\"J_TItems\">\n<div class=\"filter clearfix J_TFilter\">\n" + SortLinks(shop);
    if (shop.IsTaobao()) {
        out += "<div class=\"ui-page-s\"><span class=\"page-info\">" + counter + "</span>\n";
        out += page <= 1 ? "<a class=\"disable\">" + RF_GBK("上一页") + "</a>\n"
                         : "<a class=\"J_SearchAsync prev\" href=\"" + PageLink(shop, page - 1) + "\">" +
                               RF_GBK("上一页") + "</a>\n";
        out += page >= pages ? "<a class=\"disable\">" + RF_GBK("下一页") + "</a>\n"
                             : "<a class=\"J_SearchAsync next\" href=\"" + PageLink(shop, page + 1) + "\">" +
                                   RF_GBK("下一页") + "</a>\n";
        out += "</div>\n</div>\n";
    } else {
        // Tmall's small pager shows arrows and names the directions only in titles.
        out += "<p class=\"ui-page-s\"><b class=\"ui-page-s-len\">" + counter + "</b>";
        out += page <= 1 ? "<b class=\"ui-page-s-prev\" title=\"" + RF_GBK("上一页") + "\">&lt;</b>"
                         : "<a class=\"ui-page-s-prev\" title=\"" + RF_GBK("上一页") + "\" href=\"" +
                               PageLink(shop, page - 1) + "\">&lt;</a>";
        out += page >= pages ? "<b class=\"ui-page-s-next\" title=\"" + RF_GBK("下一页") + "\">&gt;</b>"
                             : "<a class=\"ui-page-s-next\" title=\"" + RF_GBK("下一页") + "\" href=\"" +
                                   PageLink(shop, page + 1) + "\">&gt;</a>";
        out += "</p>\n</div>\n";
    }
    if (items.empty()) {
        out += "<p class=\"item-not-found\">" + RF_GBK("没找到符合条件的商品,换个条件或关键词试试吧") + "</p>\n";
    } else {
        const std::size_t perLine = shop.IsTaobao() ? 4 : 5;
        for (std::size_t i = 0; i < items.size(); ++i) {
            if (i % perLine == 0) out += "<div class=\"item" + N(perLine) + "line1\">\n";
            out += shop.IsTaobao() ? TaobaoCard(items[i], async) : TmallCard(shop, items[i], async);
            if (i % perLine == perLine - 1 || i + 1 == items.size()) out += "</div>\n";
        }
    }
    out += BottomPager(shop, page, pages);
    out += "</div>\n";
    if (recommend) out += Recommendations(market, shop, page);
    return out;
}

std::string MarketplaceSuffix(const Shop &shop) {
    if (shop.IsTaobao()) return RF_GBK("淘宝网");
    return shop.IsHongKong() ? RF_GBK("天猫国际Tmall.HK") : RF_GBK("天猫Tmall.com");
}

std::string Head(const Shop &shop, const std::string &title) {
    std::string out = "<!DOCTYPE html>\n<html>\n<head>\n<meta charset=\"gbk\" />\n<title>" + title + "</title>\n";
    out += "<meta name=\"keywords\" content=\"" + shop.name + "\" />\n";
    out += "<link rel=\"stylesheet\" href=\"//g.alicdn.com/shop/wangpu/1.0.4/??css/base.css,css/shop-pc.css\" />\n";
    out += "<script src=\"//g.alicdn.com/kissy/k/1.4.14/seed-min.js\" charset=\"utf-8\"></script>\n";
    out += "<script type=\"text/javascript\">\nvar shop_config = {shopId: '" + shop.shopId + "', userId: '" +
           shop.sellerId + "', shopName: '" + UnicodeEscapes(shop.name) +
           "', isTmall: " + (shop.IsTaobao() ? "false" : "true") + ", pageType: 'shop'};\n";
    out += "KISSY.config({combine: true, packages: [{name: 'wangpu', path: '//g.alicdn.com/shop/wangpu/1.0.4/', "
           "charset: 'utf-8'}]});\n</script>\n</head>\n";
    return out;
}

std::string Header(const Shop &shop) {
    std::string out = "<div id=\"page\">\n<div id=\"site-nav\"><ul class=\"site-nav-bd\"><li><a "
                      "href=\"//www.taobao.com/\">" +
                      RF_GBK("淘宝网首页") + "</a></li><li><a href=\"//i.taobao.com/my_taobao.htm\">" +
                      RF_GBK("我的淘宝") + "</a></li><li><a href=\"//cart.taobao.com/cart.htm\">" + RF_GBK("购物车") +
                      "</a></li></ul></div>\n";
    out += "<div id=\"hd\"><div class=\"shop-name\"><a class=\"shop-name-link\" href=\"//" + shop.setup.host + "\">" +
           shop.name + "</a></div>\n<ul class=\"menu-list\"><li><a href=\"//" + shop.setup.host + "\">" +
           RF_GBK("首页") + "</a></li><li><a href=\"//" + shop.setup.host + "/search.htm?search=y\">" +
           RF_GBK("所有宝贝") + "</a></li><li><a href=\"//" + shop.setup.host + "/category.htm\">" + RF_GBK("宝贝分类") +
           "</a></li></ul></div>\n";
    return out;
}

std::string Footer() {
    return "<div id=\"ft\"><p><a href=\"//www.taobao.com/about/\">" + RF_GBK("关于淘宝") +
           "</a> <a href=\"//s.click.taobao.com/t?e=m%3D2%26s%3DkP7zGc8sTXR\">" + RF_GBK("合作伙伴") +
           "</a> <a href=\"//www.taobao.com/help/\">" + RF_GBK("帮助中心") + "</a></p>\n<p>&copy; 2003-2014 " +
           "Taobao.com " + RF_GBK("版权所有") + "</p></div>\n</div>\n";
}

} // namespace

std::string HomePage(const Market &market, const Shop &shop) {
    (void)market;
    std::string out = Head(shop, RF_GBK("首页-") + shop.name + "-" + MarketplaceSuffix(shop));
    out += "<body class=\"shop-home\">\n" + Header(shop);
    out += "<div id=\"bd\"><div class=\"J_TModule\" data-title=\"" + RF_GBK("宝贝推荐") +
           "\"><div class=\"skin-box-bd\"><ul class=\"shop-list\">\n";
    const std::size_t featured = std::min<std::size_t>(8, shop.items.size());
    for (std::size_t i = 0; i < featured; ++i) {
        const Item &item = shop.items[i];
        const std::string link = shop.IsTaobao() ? TaobaoItemLink(item) : TmallItemLink(shop, item.id);
        out += "<li><a href=\"" + link + "\" target=\"_blank\"><img src=\"//" + item.listPicture +
               "_240x240.jpg\" /></a><p class=\"desc\"><a href=\"" + link + "\" target=\"_blank\">" + item.title +
               "</a></p><p class=\"price\"><span>&yen;</span>" + FirstPrice(item) + "</p></li>\n";
    }
    out += "</ul></div></div></div>\n" + Footer() + "</body>\n</html>\n";
    return out;
}

std::string SearchPage(const Market &market, const Shop &shop, int page) {
    const std::string title = RF_GBK("所有宝贝-") + shop.name + "-" + MarketplaceSuffix(shop);
    std::string out = Head(shop, title);
    out += "<body class=\"shop-search\">\n" + Header(shop);
    out += "<div id=\"bd\"><div class=\"layout grid-m0s5\"><div class=\"col-main\"><div class=\"main-wrap\">\n";
    out += "<div class=\"J_TModule\" data-widgetid=\"" + shop.shopNumber + "\" id=\"shop" + shop.shopNumber +
           "\" data-componentid=\"4010\" data-title=\"" + RF_GBK("宝贝列表") + "\">\n";
    out += "<div class=\"skin-box tb-module tshop-pbsm tshop-pbsm-shop-srch-list\">\n<div "
           "class=\"skin-box-hd\"><h3><span>" +
           RF_GBK("搜索结果") + "</span></h3></div>\n<div class=\"skin-box-bd\">\n";
    if (shop.setup.kind != ShopKind::TaobaoPlain) out += HiddenSearchAddress(shop);
    // The plain Taobao page is read as a whole, so it carries no links to other shops' items.
    out += Listing(market, shop, page, false, shop.setup.kind != ShopKind::TaobaoPlain);
    out += "</div>\n</div>\n</div>\n</div></div></div></div>\n" + Footer() + "</body>\n</html>\n";
    return out;
}

std::string AsyncSearchAnswer(const Market &market, const Shop &shop, int page, bool ownWidget,
                              std::string_view callback) {
    std::string markup;
    if (ownWidget) {
        markup = Listing(market, shop, page, true, true);
    } else {
        Shop empty = shop;
        empty.items.clear();
        empty.setup.claimedPages = 0;
        markup = Listing(market, empty, page, true, false);
    }
    const std::string name = callback.empty() ? "jsonp" + N(140 + page % 50) : std::string(callback);
    return name + "(\"" + EscapeForScriptString(markup) + "\")";
}

std::string RedirectSearchPage(const Shop &shop) {
    std::string out = "<!DOCTYPE html>\n<html>\n<head>\n<meta charset=\"gbk\" />\n<title>" + shop.name + "-" +
                      MarketplaceSuffix(shop) + "</title>\n";
    out += "<script type=\"text/javascript\">window.location.href='http://" + shop.setup.target +
           "/search.htm?search=y';</script>\n</head>\n<body>\n" + HiddenSearchAddress(shop) + "</body>\n</html>\n";
    return out;
}

std::string NoShopPage() {
    return "<!DOCTYPE html>\n<html>\n<head>\n<meta charset=\"gbk\" />\n<title>" + RF_GBK("店铺不存在") +
           "</title>\n</head>\n<body>\n<div class=\"error-notice\"><h2>" +
           RF_GBK("您查看的店铺不存在，可能已被删除或者店铺地址有误。") + "</h2><p><a href=\"//www.taobao.com/\">" +
           RF_GBK("去淘宝网首页") + "</a></p></div>\n</body>\n</html>\n";
}

} // namespace rongfan::marketsim
