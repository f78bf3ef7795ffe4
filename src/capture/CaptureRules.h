#pragma once
// What the capture step decides on a page without a browser: normalisation,
// the capture condition, the login hint and the walker the listing tick starts.
#include <string>
#include <string_view>

namespace rongfan {

// The three passes: "page-info" + '"' + ">" -> "page-info>" (letter case
// ignored); every '"' deleted; every "%3D" -> "=" (letter case ignored).
std::string NormaliseCapturedPage(std::string_view page);

// The page holds "?mid=w" or "page-info>".
bool IsCapturedPage(std::string_view normalisedPage);

// No capture marker, but "<title>淘宝网", "无法显示该网页" and "证书" all present.
bool ShowsLoginHint(std::string_view normalisedPage);

enum class WalkerChoice { TaobaoAsync, TaobaoPlain, Tmall, None };

// The listing tick's choice from the shop's base address and CapturedPage.
WalkerChoice ChooseWalker(std::string_view shopAddress, std::string_view capturedPage);

}  // namespace rongfan
