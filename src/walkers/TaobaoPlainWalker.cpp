#include <string>

#include "text/Gbk.h"
#include "text/Text.h"
#include "walkers/WalkLimits.h"
#include "walkers/WalkSteps.h"
#include "walkers/Walkers.h"

namespace rongfan {
namespace {

constexpr std::string_view ItemMarker = "item.htm?id=";

// Page 1 is the captured page, which has lost every double quote: there a link
// ends where the unquoted attribute does, at white space or the tag's end.
constexpr std::string_view CapturedLinkEnd = "\" \t\r\n\f\v<>";

std::string cleanId(std::string_view cut) {
    std::string id = ReplaceText(cut, ");", "");
    for (std::string_view parameter : {"scene=taobao_shop", "scenetaobao_shop", "on_comment=1"}) {
        id = ReplaceText(id, parameter, "", MatchMode::AsciiCaseInsensitive);
    }
    // A link written with "&amp;" loses the escape whole, not just its "&".
    return ReplaceText(ReplaceText(id, "&amp;", ""), "&", "");
}

std::size_t collectItems(std::string_view pageText, bool capturedPage, ItemIdBuffer& buffer) {
    if (!ContainsText(pageText, ItemMarker)) return 0;
    const std::string page = ReplaceText(ReplaceText(pageText, "&on_comment=1", ""), "&amp;on_comment=1", "");
    const TextList pieces = SplitText(page, ItemMarker);
    std::size_t added = 0;
    for (int i = 2; i <= pieces.Count(); ++i) {
        const std::string_view piece = pieces.Piece(i);
        // These end bytes are all below 0x40, so none of them can be the second byte of a character.
        const std::string_view cut =
            capturedPage ? piece.substr(0, piece.find_first_of(CapturedLinkEnd)) : SplitPiece(piece, "\"", 1);
        if (buffer.AppendUnique(cleanId(cut))) ++added;
    }
    return added;
}

}  // namespace

void TaobaoPlainWalker(const SearchContext& context) {
    SearchWindow& window = *context.window;
    std::string page = context.state->CapturedPage();
    if (!ContainsText(page, "page-info>")) {
        window.SetStatus(RF_GBK("网络超时，请重试！"));
        return;
    }
    const std::int32_t pageCount = walk::ReadPageCount(page, "page-info>", "<");
    const std::string shop = window.ShopAddress();
    // Shops name the page number either way; a page that does not show
    // "pageNo" switches the rest of the walk to "pageNum".
    std::string_view pageKey = "pageNo";

    ItemIdBuffer& buffer = context.state->ItemIds();
    walk::BarrenPages barren;
    for (std::int64_t n = 1; n <= pageCount; ++n) {
        if (n > 1) {
            page = walk::FetchPage(context, shop + "/search.htm?orderType=hotsell_desc&" + std::string(pageKey) + "=" +
                                                NumberToText(static_cast<std::int32_t>(n)));
        }
        if (!ContainsText(page, "pageNo")) pageKey = "pageNum";
        const std::size_t added = collectItems(page, n == 1, buffer);
        context.sleep(WalkLimits::PlainPagePause);
        if (barren.Note(added)) break;
    }
    window.ArmHarvestTimer();
}

}  // namespace rongfan
