#include "capture/CaptureRules.h"

#include "host/EndpointTable.h"
#include "text/Gbk.h"
#include "text/Text.h"

namespace rongfan {

std::string NormaliseCapturedPage(std::string_view page) {
    // The order matters: the quoted page-info marker must be folded before the
    // quotes go, and the walkers rely on a page with no double quote at all.
    std::string text = ReplaceText(page, "page-info\">", "page-info>", MatchMode::AsciiCaseInsensitive);
    text = ReplaceText(text, "\"", "");
    return ReplaceText(text, "%3D", "=", MatchMode::AsciiCaseInsensitive);
}

bool IsCapturedPage(std::string_view normalisedPage) {
    return ContainsText(normalisedPage, "?mid=w") || ContainsText(normalisedPage, "page-info>");
}

bool ShowsLoginHint(std::string_view normalisedPage) {
    if (IsCapturedPage(normalisedPage)) return false;
    return ContainsText(normalisedPage, RF_GBK("<title>淘宝网")) &&
           ContainsText(normalisedPage, RF_GBK("无法显示该网页")) && ContainsText(normalisedPage, RF_GBK("证书"));
}

WalkerChoice ChooseWalker(std::string_view shopAddress, std::string_view capturedPage) {
    if (ContainsText(shopAddress, EndpointTable::TaobaoDomain)) {
        return ContainsText(capturedPage, "?mid=w") ? WalkerChoice::TaobaoAsync : WalkerChoice::TaobaoPlain;
    }
    if (ContainsText(shopAddress, EndpointTable::TmallMarker)) return WalkerChoice::Tmall;
    return WalkerChoice::None;
}

}  // namespace rongfan
