#include "text/Gbk.h"
#include "text/Text.h"
#include "walkers/WalkSteps.h"
#include "walkers/Walkers.h"

namespace rongfan {
namespace {

constexpr std::string_view ItemMarker = "item.htm?id=";
// The answer is script text: every double quote of its markup is escaped.
constexpr std::string_view PageInfoMarker = "page-info\\\">";

std::size_t collectItems(std::string_view region, ItemIdBuffer& buffer) {
    std::string cleaned = ReplaceText(region, ");", "");
    for (std::string_view parameter : {"scene=taobao_shop", "scenetaobao_shop", "on_comment=1"}) {
        cleaned = ReplaceText(cleaned, parameter, "", MatchMode::AsciiCaseInsensitive);
    }
    if (!ContainsText(cleaned, ItemMarker)) return 0;
    const TextList pieces = SplitText(cleaned, ItemMarker);
    std::size_t added = 0;
    for (int i = 2; i <= pieces.Count(); ++i) {
        // The link ends at the backslash of its escaped closing quote.
        const std::string_view cut = SplitPiece(pieces.Piece(i), "\\", 1);
        // A link written with "&amp;" loses the escape whole, not just its "&".
        const std::string id = ReplaceText(ReplaceText(cut, "&amp;", ""), "&", "");
        if (buffer.AppendUnique(id)) ++added;
    }
    return added;
}

}  // namespace

void TaobaoAsyncWalker(const SearchContext& context) {
    SearchWindow& window = *context.window;
    std::string page = context.state->CapturedPage();
    if (!ContainsText(page, "?mid=w")) {
        window.SetStatus(RF_GBK("网络超时，请重试！"));
        return;
    }
    // The shop's search number, as "-<number>-0": up to the next "&" (or the
    // next "?mid=w", where the piece itself ends).
    const std::string fragment(SplitPiece(SplitPiece(page, "?mid=w", 2), "&", 1));
    const std::string firstPage =
        window.ShopAddress() + "/i/asynSearch.htm?path=/search.htm&search=y&pageNo=1&mid=w" + fragment;

    page = walk::FetchPage(context, firstPage);
    const std::int32_t pageCount =
        ContainsText(page, PageInfoMarker) ? walk::ReadPageCount(page, PageInfoMarker, "</") : 1;

    ItemIdBuffer& buffer = context.state->ItemIds();
    walk::BarrenPages barren;
    const std::string& nextLink = RF_GBK(">下一页</a>");
    for (std::int64_t n = 1; n <= pageCount; ++n) {
        if (n > 1) page = walk::FetchPage(context, walk::PageAddress(firstPage, n));
        // The items follow the small pager's "next" link; without it the whole answer is searched.
        const std::string_view region = ContainsText(page, nextLink) ? SplitPiece(page, nextLink, 2) : page;
        if (barren.Note(collectItems(region, buffer))) break;
    }
    window.ArmHarvestTimer();
}

}  // namespace rongfan
