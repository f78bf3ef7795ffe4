#pragma once
// The shop address check of a search launch, as a function of the typed text,
// and the classification of addresses by marketplace.
#include <string>
#include <string_view>

namespace rongfan {

class SearchWindow;
class SearchState;

enum class ShopKind { TaobaoShop, TmallShop, Neither };

// TaobaoShop when the text contains TaobaoDomain, otherwise TmallShop when it
// contains TmallMarker, otherwise Neither.
ShopKind ClassifyShop(std::string_view text);

struct LaunchDecision {
    std::string afterRemoveSpaces;  // step 1, written back into the edit box
    std::string afterScheme;        // step 2 ("https://" -> "http://", any letter case)
    std::string afterPrefix;        // step 3 ("http://" put in front when missing)
    bool accepted = false;          // step 4: names either marketplace
    std::string baseAddress;        // step 5: "http://" + host
    ShopKind kind = ShopKind::Neither;  // step 6: TaobaoShop by TaobaoDomain in the base address, else TmallShop
    std::string searchUrl;          // step 6
};

// Steps 1 to 6 on a typed text (GBK).
LaunchDecision DecideLaunch(std::string_view typed);

// The column switch of step 6 on the window: 30-day columns shown for a Taobao
// shop, hidden (their room given to the title) for a Tmall shop.
void ApplyColumnLayout(SearchWindow& window, ShopKind kind);

// The whole click handler: every step's text written back through the window,
// the message box on rejection, SearchUrl set, the item buffer emptied, columns
// switched, controls locked, status written, then StartCapture.
// Returns false when the address was rejected.
bool LaunchSearch(SearchWindow& window, SearchState& state);

}  // namespace rongfan
