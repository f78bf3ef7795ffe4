#include <string>

#include "host/EndpointTable.h"
#include "text/Gbk.h"
#include "text/Text.h"
#include "walkers/WalkLimits.h"
#include "walkers/WalkSteps.h"
#include "walkers/Walkers.h"

namespace rongfan {
namespace {

constexpr std::string_view ShopNumberMarker = "?mid=w-";
constexpr std::string_view RenderError = "default render error";
constexpr std::string_view PagerCounter = "ui-page-s-len";
// In the asynchronous answer the counter's quote is escaped.
constexpr std::string_view AsyncCounterMarker = "ui-page-s-len\\\">";
// An ordinary search page as served quotes the counter's class; the captured
// page has lost its quotes, and reads the same once the quote is not required.
constexpr std::string_view PlainCounterMarkers[] = {"ui-page-s-len\">", "ui-page-s-len>"};
constexpr std::string_view RedirectMarker = "window.location.href='";

// Bytes that cannot be part of an item id taken from a link: the link's closing
// quote, or, on a page without quotes, the end of the unquoted attribute.
constexpr std::string_view NotInId = "\" \t\r\n\f\v<>";

struct ItemBase {
    std::string host;    // with the "/hk" segment for shops off the main domain
    std::string marker;  // host + "/item.htm?id=", no scheme: links with or without one match
};

ItemBase chooseItemBase(std::string_view shopAddress) {
    ItemBase base;
    if (ContainsText(shopAddress, EndpointTable::TmallDomain)) {
        base.host = std::string(EndpointTable::TmallItemHost);
    } else {
        base.host = std::string(EndpointTable::TmallAltItemHost) + "/hk";
    }
    base.marker = base.host + "/item.htm?id=";
    return base;
}

std::size_t collectItems(std::string_view region, const ItemBase& base, ItemIdBuffer& buffer) {
    const TextList pieces = SplitText(region, base.marker);
    std::size_t added = 0;
    std::string line;
    for (int i = 2; i <= pieces.Count(); ++i) {
        // Only a link with "&" behind its id is taken: a cut that runs on past
        // the end of the link is no id.
        const std::string_view id = SplitPiece(pieces.Piece(i), "&", 1);
        if (id.empty() || id.find_first_of(NotInId) != std::string_view::npos) continue;
        // The buffer drops a dangling lead byte; an id that is nothing else
        // would leave an address without an id.
        if (ItemIdBuffer::ReadableLine(id).empty()) continue;
        line.assign("http://").append(base.marker).append(id);
        if (buffer.AppendUnique(line)) ++added;
    }
    return added;
}

// The plain page's counter marker as this page writes it; empty when it has none.
std::string_view plainCounterMarker(std::string_view page) {
    for (std::string_view marker : PlainCounterMarkers) {
        if (ContainsText(page, marker)) return marker;
    }
    return {};
}

void clearBrowserCache(const SearchContext& context) {
    context.clearBrowserCache(CacheMode::TemporaryFiles);
    context.clearBrowserCache(CacheMode::Cookies);
}

void walkAsync(const SearchContext& context, std::string page, const std::string& asyncAddress, const ItemBase& base) {
    const std::int32_t pageCount =
        ContainsText(page, AsyncCounterMarker) ? walk::ReadPageCount(page, AsyncCounterMarker, "<") : 1;
    const std::string& previousLink = RF_GBK("上一页</a>");
    ItemIdBuffer& buffer = context.state->ItemIds();
    walk::BarrenPages barren;
    for (std::int64_t n = 1; n <= pageCount; ++n) {
        if (n > 1) {
            const std::string address = walk::PageAddress(asyncAddress, n);
            page.clear();
            for (int attempt = 0; attempt < WalkLimits::TmallAsyncPageAttempts && page.empty(); ++attempt) {
                page = walk::FetchPage(context, address);
            }
        }
        std::size_t added = 0;
        if (ContainsText(page, PagerCounter) && ContainsText(page, previousLink)) {
            // From the small pager at the top to its "previous" link: the items sit in between.
            added = collectItems(SplitPiece(SplitPiece(page, PagerCounter, 2), previousLink, 1), base, buffer);
        }
        if (barren.Note(added)) break;
    }
    context.window->ArmHarvestTimer();
}

void walkPlain(const SearchContext& context, const std::string& savedPage, const ItemBase& base) {
    SearchWindow& window = *context.window;
    const std::string_view marker = plainCounterMarker(savedPage);
    if (marker.empty()) {
        const std::string target(SplitPiece(SplitPiece(savedPage, RedirectMarker, 2), "'", 1));
        if (ContainsText(savedPage, RedirectMarker) && !target.empty()) {
            // The shop sends the browser elsewhere first: capture again from
            // there. The walk of that capture arms the harvest; arming it here
            // too would end the search (and unlock it) while it still runs.
            context.state->SetSearchUrl(target);
            context.state->SetCapturedPage({});
            clearBrowserCache(context);
            window.StartCapture();
            return;
        }
        window.SetStatus(RF_GBK("网络超时，请清除COOKIES后重试！"));
        window.ArmHarvestTimer();
        return;
    }

    const std::int32_t pageCount = walk::ReadPageCount(savedPage, marker, "<");
    const std::string plainAddress = window.ShopAddress() + "/search.htm?search=y&pageNo=1";
    const std::string& previousLink = RF_GBK("上一页</a>");
    ItemIdBuffer& buffer = context.state->ItemIds();
    walk::BarrenPages barren;
    std::string fetched;
    for (std::int64_t n = 1; n <= pageCount; ++n) {
        std::string_view page = savedPage;
        if (n > 1) {
            fetched = walk::FetchPage(context, walk::PageAddress(plainAddress, n));
            page = fetched;
        }
        const std::string_view region = SplitPiece(SplitPiece(page, plainCounterMarker(page), 2), previousLink, 1);
        if (barren.Note(collectItems(region, base, buffer))) break;
    }
    window.ArmHarvestTimer();
}

}  // namespace

void TmallWalker(const SearchContext& context) {
    SearchWindow& window = *context.window;
    std::string page = context.state->CapturedPage();
    const std::string shop = window.ShopAddress();
    const ItemBase base = chooseItemBase(shop);

    for (int attempt = 0; attempt < WalkLimits::TmallShopPageAttempts && !ContainsText(page, ShopNumberMarker);
         ++attempt) {
        clearBrowserCache(context);
        page = walk::FetchPage(context, shop + "/search.htm?search=y");
    }
    if (!ContainsText(page, ShopNumberMarker)) {
        window.SetStatus(RF_GBK("网络超时，请清除COOKIES后重试！"));
        return;
    }

    const std::string shopNumber(SplitPiece(SplitPiece(page, ShopNumberMarker, 2), "-0", 1));
    const std::string savedPage = std::move(page);
    const std::string asyncAddress =
        shop + "/i/asynSearch.htm?mid=w-" + shopNumber + "-0&path=/search.htm&&search=y&pageNo=1";
    page = walk::FetchPage(context, asyncAddress);
    if (ContainsText(page, RenderError)) {
        walkPlain(context, savedPage, base);
    } else {
        walkAsync(context, std::move(page), asyncAddress, base);
    }
}

}  // namespace rongfan
