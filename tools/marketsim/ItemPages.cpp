#include "ItemPages.h"

#include "Hash.h"
#include "Markup.h"
#include "Words.h"
#include "host/EndpointTable.h"
#include "text/Gbk.h"

namespace rongfan::marketsim {
namespace {

std::string N(long long v) {
    return std::to_string(v);
}

std::string Word(Rng &rng) {
    static constexpr const char *kParts[] = {"tb",    "tm",    "mod",  "col",  "hd",  "bd",   "ft",
                                             "wrap",  "main",  "side", "item", "sku", "attr", "desc",
                                             "promo", "price", "meta", "tab",  "nav"};
    return std::string(kParts[rng.Next() % std::size(kParts)]) + "-" +
           std::string(kParts[rng.Next() % std::size(kParts)]);
}

// Style rules of the detail pages: bulk that every page carries.
std::string MakeStyles(std::uint64_t seed, std::size_t bytes) {
    Rng rng(seed);
    std::string out;
    static constexpr const char *kColors[] = {"#3c3c3c", "#f40", "#6c6c6c", "#e5e5e5", "#fff", "#ff4400", "#999"};
    while (out.size() < bytes) {
        out += "." + Word(rng) + " ." + Word(rng) + "{margin:" + N(rng.Range(0, 20)) + "px " + N(rng.Range(0, 20)) +
               "px;padding:" + N(rng.Range(0, 12)) + "px;color:" + kColors[rng.Next() % std::size(kColors)] +
               ";font:12px/1.5 tahoma,arial,\\5b8b\\4f53;}\n";
    }
    return out;
}

// Module loader script of the detail pages.
std::string MakeScript(std::uint64_t seed, std::size_t bytes) {
    Rng rng(seed);
    std::string out = "(function(){var S=KISSY,D=S.DOM,E=S.Event;\n";
    for (int m = 0; out.size() < bytes; ++m) {
        const std::string id = N(m);
        out += "S.add('detail/mods/" + Word(rng) + "/" + id + "',function(S,D,E){var node=D.get('#J_Mod" + id +
               "');if(!node){return;}E.on(node,'click',function(ev){var t=ev.target;D.toggleClass(t,'" + Word(rng) +
               "');S.log('mod " + id +
               "');});return{init:function(cfg){S.mix(this,cfg);}};},{requires:['dom','event']});\n";
    }
    return out + "})();\n";
}

std::string MakeDescription(std::uint64_t seed, std::size_t bytes) {
    Rng rng(seed);
    std::string out;
    while (out.size() < bytes) {
        out += "<p><img src=\"//img.alicdn.com/imgextra/i" + N(rng.Range(1, 4)) + "/" +
               N(rng.Range(100000000, 999999999)) + "/O1CN01" + N(rng.Range(100000000, 999999999)) +
               "desc.jpg\" align=\"absmiddle\" style=\"max-width:750.0px;\"></p>\n";
        if (rng.Chance(0.3))
            out += "<p><span style=\"font-size:14.0px;\">" + RF_GBK("温馨提示：商品颜色以实物为准，") +
                   RF_GBK("因拍摄光线及显示器不同可能略有色差。") + "</span></p>\n";
    }
    return out;
}

std::string MakeFooter() {
    static constexpr const char *kLinks[] = {"关于淘宝", "合作伙伴", "营销中心", "廉正举报", "联系客服", "开放平台",
                                             "诚征英才", "联系我们", "网站地图", "法律声明", "知识产权"};
    std::string out = "<div id=\"footer\"><div class=\"footer-more\">\n";
    for (int round = 0; round < 12; ++round)
        for (const char *link : kLinks)
            out += "<a href=\"//www.taobao.com/go/chn/footer/" + N(round) + ".php\" target=\"_blank\">" +
                   Utf8ToGbk(link) + "</a>\n";
    return out + "<p>&copy; 2003-2014 Taobao.com " + RF_GBK("版权所有") + "</p></div></div>\n";
}

struct Filler {
    std::string styles, script, description, footer;
};

const Filler &SharedFiller() {
    static const Filler filler{MakeStyles(0x5713, 14000), MakeScript(0x5c21, 13000), MakeDescription(0xde5c, 10000),
                               MakeFooter()};
    return filler;
}

std::string ThumbnailVariant(const std::string &picture, int k) {
    // Further thumbnails of the same item: the same folder, another file.
    const auto slash = picture.rfind('/');
    return picture.substr(0, slash + 1) + "v" + N(k) + "_" + picture.substr(slash + 1);
}

} // namespace

std::string TaobaoItemPage(const Shop &shop, const Item &item) {
    const Filler &f = SharedFiller();
    std::string out;
    out.reserve(f.styles.size() + f.script.size() + f.description.size() + f.footer.size() + 8000);
    out += "<!DOCTYPE html>\n<html>\n<head>\n<meta charset=\"gbk\" />\n<title>" + item.title + RF_GBK("-淘宝网") +
           "</title>\n";
    out += "<meta name=\"keywords\" content=\"" + item.title + "\" />\n<meta name=\"description\" content=\"" +
           RF_GBK("欢迎前来淘宝网选购热销商品") + "\" />\n";
    out += "<link rel=\"stylesheet\" href=\"//g.alicdn.com/tb/item-detail/3.1.4/??app/base.css,app/main.css\" />\n";
    out += "<style>\n" + f.styles + "</style>\n";
    out += "<script>\nvar g_config = {\n    startTime : +new Date,\n    prefetchImg : 1,\n    t : '20140301',\n"
           "    type : 'item',\n    itemId : '" +
           item.id + "',\n    shopId : '" + shop.shopId + "',\n    sellerId : '" + shop.sellerId +
           "',\n    shopName : '" + UnicodeEscapes(shop.name) + "',\n";
    out += "    sibUrl : '//" + std::string(EndpointTable::DetailSkipHost) +
           "/service/getData/1/p1/item/detail/sib.htm?itemId=" + item.id + "&sellerId=" + shop.sellerId +
           "&modules=dynStock,qrcode,viewer,price,delivery,activity,soldQuantity',\n";
    out += "    counterApi : '//" + std::string(EndpointTable::CounterHost) + "/counter3?inc=ICVT_7_" + item.id +
           "&sign=" + item.token + "&keys=DFX_200_1_" + item.id + ",ICVT_7_" + item.id + ",ICCP_1_" + item.id +
           ",SCCP_2_" + shop.shopId + "',\n";
    out += "    rateCounterApi   : '//rate.taobao.com/detailCount.do?itemId=" + item.id + "',\n";
    if (item.detailSkip)
        out += "    ifq : \"http://" + std::string(EndpointTable::DetailSkipHost) + "/json/ifq.htm?id=" + item.id +
               "&sid=" + shop.sellerId + "&sbn=" + item.token + "&q=1&ex=0&exs=0&shopId=" + shop.shopId +
               "&p=1&st=1&ext=1&il=" + PercentEncode(Utf8ToGbk(words::Cities()[item.index % words::Cities().size()])) +
               "\",\n";
    out += "    toolbar : false\n};\n</script>\n<script src=\"//g.alicdn.com/kissy/k/1.4.14/seed-min.js\"></script>\n"
           "<script>\n" +
           f.script + "</script>\n</head>\n";
    out += "<body class=\"tb-item\">\n<div id=\"page\">\n<div id=\"detail\" class=\"tb-detail tb-clearfix\">\n";
    out +=
        "<div class=\"tb-gallery\">\n<div class=\"tb-booth tb-pic tb-main-pic\"><a href=\"#\"><img id=\"J_ImgBooth\" "
        "src=\"//" +
        item.picture + "_400x400.jpg\" data-hasZoom=\"700\" /></a></div>\n";
    out += "<ul class=\"tb-thumb tb-clearfix\" id=\"J_UlThumb\">\n";
    for (int k = 0; k < 5; ++k) {
        const std::string picture = k == 0 ? item.picture : ThumbnailVariant(item.picture, k);
        out +=
            std::string(k == 0 ? "<li class=\"tb-selected\" data-index=\"0\">" : "<li data-index=\"" + N(k) + "\">") +
            "<div class=\"tb-pic tb-s50\"><a href=\"#\"><img data-src=\"//" + picture +
            "_50x50.jpg\" /></a></div></li>\n";
    }
    out += "</ul>\n</div>\n<div class=\"tb-property\">\n<h3 class=\"tb-main-title\" data-title=\"" + item.title +
           "\">" + item.title +
           "</h3>\n<ul class=\"tb-meta\">\n<li id=\"J_StrPriceModBox\" class=\"tb-detail-price tb-clearfix\">"
           "<span class=\"tb-property-type\">" +
           RF_GBK("价格") +
           "</span><strong id=\"J_StrPrice\"><em "
           "class=\"tb-rmb\">&yen;</em><em class=\"tb-rmb-num\">" +
           item.price + "</em></strong></li>\n";
    out += "<li class=\"tb-promo-price\" id=\"J_PromoPrice\"><span class=\"tb-property-type\">" + RF_GBK("淘宝价") +
           "</span><em class=\"tb-promo-price-type\"></em></li>\n</ul>\n";
    out += "<ul class=\"tb-meta tb-counter\"><li class=\"tb-rate-counter\"><strong id=\"J_RateCounter\">-</strong>" +
           RF_GBK("累计评论") + "</li><li class=\"tb-sell-counter\"><strong id=\"J_SellCounter\">-</strong>" +
           RF_GBK("交易成功") + "</li></ul>\n</div>\n</div>\n";
    out += "<div id=\"J_DivItemDesc\" class=\"content\">\n" + f.description + "</div>\n" + f.footer +
           "</div>\n</body>\n</html>\n";
    return out;
}

std::string TmallItemPage(const Shop &shop, const Item &item) {
    const Filler &f = SharedFiller();
    const std::string suffix = shop.IsHongKong() ? RF_GBK("-tmall.hk天猫国际") : RF_GBK("-tmall.com天猫");
    std::string out;
    out.reserve(f.styles.size() + f.script.size() + f.description.size() + f.footer.size() + 8000);
    out += "<!DOCTYPE html>\n<html>\n<head>\n<meta charset=\"gbk\" />\n<title>" + item.title + suffix + "</title>\n";
    out += "<meta name=\"keywords\" content=\"" + item.title + "\" />\n";
    out += "<link rel=\"stylesheet\" "
           "href=\"//g.alicdn.com/??kissy/k/1.4.2/css/dpl/base-min.css,tm/detail/1.8.4/app.css\" />\n";
    out += "<style>\n" + f.styles + "</style>\n<script>\n" + f.script + "</script>\n</head>\n";
    out += "<body class=\"tm-detail\">\n<div id=\"mallPage\" class=\"mallDetail\">\n<div id=\"J_DetailMeta\" "
           "class=\"tm-detail-meta tm-clear\">\n<div class=\"tb-gallery\">\n<div class=\"tb-booth\"><a href=\"#\"><img "
           "id=\"J_ImgBooth\" alt=\"" +
           item.title + "\" src=\"//" + item.picture + "_430x430q90.jpg\" /></a></div>\n";
    out += "<ul id=\"J_UlThumb\" class=\"tb-thumb tm-clear\">\n";
    for (int k = 0; k < 5; ++k) {
        const std::string picture = k == 0 ? item.picture : ThumbnailVariant(item.picture, k);
        out += std::string(k == 0 ? "<li class=\"tb-selected\">" : "<li>") + "<a href=\"#\"><img src=\"//" + picture +
               "_60x60q90.jpg\" alt=\"" + RF_GBK("商品预览图") + "\"></a></li>\n";
    }
    out += "</ul>\n</div>\n<div class=\"tb-property\"><div class=\"tb-wrap\">\n<div class=\"tb-detail-hd\"><h1 "
           "data-spm=\"1000983\">" +
           item.title +
           "</h1></div>\n<dl class=\"tm-price-panel\" id=\"J_StrPriceModBox\"><dt "
           "class=\"tb-metatit\">" +
           RF_GBK("价格") + "</dt><dd><em class=\"tm-yen\">&yen;</em> <span class=\"tm-price\">" + item.price +
           "</span></dd></dl>\n<ul class=\"tm-ind-panel\"><li class=\"tm-ind-item tm-ind-reviewCount\"><span "
           "class=\"tm-label\">" +
           RF_GBK("累计评价") + "</span><span class=\"tm-count\">-</span></li></ul>\n</div></div>\n</div>\n";
    out += "<div id=\"description\" class=\"J_DetailSection tshop-psm ke-post\">\n" + f.description + "</div>\n";
    out += "<script>\nTShop.Setup({\"api\":{\"descUrl\":\"//dscnew.taobao.com/i3/" + item.id + "/desc.htm\",";
    if (item.detailSkip)
        out += "\"initApi\":\"//" + std::string(EndpointTable::DetailSkipHost) + "/json/ifq.htm?id=" + item.id +
               "&sid=" + shop.sellerId + "&callback=setMdskip\",";
    out += "\"apiBeans\":\"//" + std::string(EndpointTable::CounterHost) + "/counter3?keys=ICCP_1_" + item.id +
           ",SM_368_dsr-" + shop.sellerId + "\",\"rateApi\":\"//" + std::string(EndpointTable::TmallRateHost) +
           "/list_dsr_info.htm?itemId=" + item.id + "\"},";
    out += "\"detail\":{\"isHiddenShopAction\":false,\"defaultItemPrice\":\"" + item.price +
           "\",\"goNewAuctionFlow\":false,\"isDownShelf\":false},";
    out += "\"itemDO\":{\"brand\":\"" + shop.name + "\",\"categoryId\":\"50012906\",\"itemId\":\"" + item.id +
           "\",\"spuId\":\"" + item.spuId + "\",\"title\":\"" + item.title + "\",\"userId\":\"" + shop.sellerId +
           "\"},\"valItemInfo\":{\"defSelected\":[],\"skuMap\":{}}});\n</script>\n";
    out += f.footer + "</div>\n</body>\n</html>\n";
    return out;
}

std::string MissingItemPage(bool tmall) {
    const std::string title = tmall ? RF_GBK("宝贝不存在 - 天猫Tmall.com") : RF_GBK("淘宝网 - 宝贝不存在");
    return "<!DOCTYPE html>\n<html>\n<head>\n<meta charset=\"gbk\" />\n<title>" + title +
           "</title>\n</head>\n<body>\n<div class=\"error-notice\"><h2>" +
           RF_GBK("很抱歉，您查看的宝贝不存在，可能已下架或者被转移。") + "</h2></div>\n</body>\n</html>\n";
}

void PadItemPage(std::string &page, std::size_t bytes) {
    if (page.size() >= bytes) return;
    const auto end = page.rfind("</body>");
    const std::string &block = SharedFiller().description;
    std::string padding = "<div class=\"desc-more\">\n";
    const std::size_t needed = bytes - page.size();
    padding.reserve(needed + block.size());
    while (padding.size() < needed)
        padding += block;
    padding += "</div>\n";
    page.insert(end == std::string::npos ? page.size() : end, padding);
}

} // namespace rongfan::marketsim
