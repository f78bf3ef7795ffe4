// The capture rules on arbitrary text: the address check of a search launch on
// a typed address, then normalisation, the capture condition, the login hint
// and the walker choice on a page. Input: the typed address, "@@" line, the page.
#include <cstddef>
#include <cstdint>
#include <string>

#include "capture/CaptureRules.h"
#include "capture/ShopAddress.h"
#include "host/EndpointTable.h"
#include "support/FuzzInput.h"
#include "text/Gbk.h"
#include "text/Text.h"

namespace {

using namespace rongfan;

bool startsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

void checkLaunch(const std::string& typed) {
    const LaunchDecision d = DecideLaunch(typed);
    FUZZ_CHECK(!ContainsText(d.afterRemoveSpaces, " "));
    FUZZ_CHECK(!ContainsText(d.afterRemoveSpaces, RF_GBK("　")));
    FUZZ_CHECK(d.afterScheme.empty() == d.afterPrefix.empty());
    FUZZ_CHECK(d.afterPrefix.empty() || TextLeft(d.afterPrefix, 7) == "http://");
    FUZZ_CHECK(d.accepted == (ClassifyShop(d.afterPrefix) != ShopKind::Neither));
    if (!d.accepted) {
        FUZZ_CHECK(d.baseAddress.empty() && d.searchUrl.empty());
        return;
    }
    // The base address is the scheme and a host: nothing a path could add.
    FUZZ_CHECK(startsWith(d.baseAddress, "http://"));
    FUZZ_CHECK(!ContainsText(std::string_view(d.baseAddress).substr(7), "/"));
    FUZZ_CHECK(d.baseAddress.size() <= d.afterPrefix.size());
    const bool taobao = ContainsText(d.baseAddress, EndpointTable::TaobaoDomain);
    FUZZ_CHECK(d.kind == (taobao ? ShopKind::TaobaoShop : ShopKind::TmallShop));
    FUZZ_CHECK(d.searchUrl == d.baseAddress + (taobao ? "/search.htm?orderType=hotsell_desc" : "/search.htm?search=y"));
}

void checkPage(const std::string& address, const std::string& page) {
    const std::string normalised = NormaliseCapturedPage(page);
    // What the walkers rely on: no double quote, no "%3D" in any letter case.
    FUZZ_CHECK(!ContainsText(normalised, "\""));
    FUZZ_CHECK(!ContainsText(normalised, "%3D") && !ContainsText(normalised, "%3d"));
    FUZZ_CHECK(normalised.size() <= page.size());
    FUZZ_CHECK(NormaliseCapturedPage(normalised) == normalised);

    const bool captured = IsCapturedPage(normalised);
    FUZZ_CHECK(!(captured && ShowsLoginHint(normalised)));

    const WalkerChoice choice = ChooseWalker(address, normalised);
    switch (ClassifyShop(address)) {
    case ShopKind::TaobaoShop:
        FUZZ_CHECK(choice ==
                   (ContainsText(normalised, "?mid=w") ? WalkerChoice::TaobaoAsync : WalkerChoice::TaobaoPlain));
        break;
    case ShopKind::TmallShop:
        FUZZ_CHECK(choice == WalkerChoice::Tmall);
        break;
    case ShopKind::Neither:
        FUZZ_CHECK(choice == WalkerChoice::None);
        break;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::vector<std::string> pieces = rongfan::fuzz::SplitPages(data, size);
    const std::string& typed = pieces[0];
    const std::string& page = pieces.size() > 1 ? pieces[1] : pieces[0];
    checkLaunch(typed);
    const rongfan::LaunchDecision launch = rongfan::DecideLaunch(typed);
    checkPage(launch.accepted ? launch.baseAddress : typed, page);
    return 0;
}
