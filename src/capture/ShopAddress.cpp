#include "capture/ShopAddress.h"

#include "capture/SearchWindow.h"
#include "host/EndpointTable.h"
#include "text/Gbk.h"
#include "text/Text.h"
#include "walkers/SearchState.h"

namespace rongfan {
namespace {

constexpr std::string_view Scheme = "http://";
constexpr std::string_view TaobaoSearchPath = "/search.htm?orderType=hotsell_desc";
constexpr std::string_view TmallSearchPath = "/search.htm?search=y";

// Columns the shop kind switches: 30-day deals and received, and the title that
// takes their room when they are hidden.
constexpr int TitleColumn = static_cast<int>(ResultColumn::Title);
constexpr int DealsColumn = static_cast<int>(ResultColumn::Deals30);
constexpr int ReceivedColumn = static_cast<int>(ResultColumn::Received30);
constexpr int ThirtyDayWidth = 90;

}  // namespace

ShopKind ClassifyShop(std::string_view text) {
    if (ContainsText(text, EndpointTable::TaobaoDomain)) return ShopKind::TaobaoShop;
    if (ContainsText(text, EndpointTable::TmallMarker)) return ShopKind::TmallShop;
    return ShopKind::Neither;
}

LaunchDecision DecideLaunch(std::string_view typed) {
    LaunchDecision d;
    d.afterRemoveSpaces = RemoveSpaces(typed);
    d.afterScheme = ReplaceText(d.afterRemoveSpaces, "https://", Scheme, MatchMode::AsciiCaseInsensitive);
    // The scheme test is byte-exact on purpose: "HTTP://" gets a second scheme
    // in front, and its own scheme then reads as the host.
    if (!d.afterScheme.empty() && TextLeft(d.afterScheme, 7) != Scheme) {
        d.afterPrefix = std::string(Scheme) + d.afterScheme;
    } else {
        d.afterPrefix = d.afterScheme;
    }
    d.accepted = ClassifyShop(d.afterPrefix) != ShopKind::Neither;
    if (!d.accepted) return d;

    // "http:", "", host, path...: the host is the third piece.
    d.baseAddress = std::string(Scheme);
    d.baseAddress.append(SplitPiece(d.afterPrefix, "/", 3));
    // Only the host decides now; a marker in the path or query no longer counts.
    if (ContainsText(d.baseAddress, EndpointTable::TaobaoDomain)) {
        d.kind = ShopKind::TaobaoShop;
        d.searchUrl = d.baseAddress + std::string(TaobaoSearchPath);
    } else {
        d.kind = ShopKind::TmallShop;
        d.searchUrl = d.baseAddress + std::string(TmallSearchPath);
    }
    return d;
}

void ApplyColumnLayout(SearchWindow& window, ShopKind kind) {
    const int deals = window.ColumnWidth(DealsColumn);
    if (kind == ShopKind::TaobaoShop) {
        if (deals != 0) return;
        window.SetColumnWidth(DealsColumn, ThirtyDayWidth);
        window.SetColumnWidth(ReceivedColumn, ThirtyDayWidth);
        window.SetColumnWidth(TitleColumn, window.ColumnWidth(TitleColumn) - 2 * ThirtyDayWidth);
    } else {
        if (deals <= 0) return;
        window.SetColumnWidth(DealsColumn, 0);
        window.SetColumnWidth(ReceivedColumn, 0);
        window.SetColumnWidth(TitleColumn, window.ColumnWidth(TitleColumn) + 2 * ThirtyDayWidth);
    }
}

bool LaunchSearch(SearchWindow& window, SearchState& state) {
    const LaunchDecision d = DecideLaunch(window.ShopAddress());
    // Each cleaning step shows in the edit box, so the user sees what was searched.
    window.SetShopAddress(d.afterRemoveSpaces);
    window.SetShopAddress(d.afterScheme);
    window.SetShopAddress(d.afterPrefix);
    if (!d.accepted) {
        window.ShowMessage(RF_GBK("请输入淘宝店或天猫店首页网址！"));
        return false;
    }
    window.SetShopAddress(d.baseAddress);
    state.SetSearchUrl(d.searchUrl);
    // A new search starts from an empty list: otherwise the items of the shop
    // searched before would be listed and harvested again with this one.
    state.ItemIds().Clear();
    state.SetCapturedPage({});
    ApplyColumnLayout(window, d.kind);
    window.LockSearch();
    window.SetStatus(RF_GBK("正在分析商品地址中……"));
    window.StartCapture();
    return true;
}

}  // namespace rongfan
