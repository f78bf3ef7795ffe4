#pragma once
// The steps both item harvesters share: the run around the items, the
// item-page fetch, the counter service and the detail-skip answer.
#include <chrono>
#include <optional>
#include <string>
#include <string_view>

#include "text/Text.h"
#include "walkers/SearchState.h"

namespace rongfan {

struct HarvestLimits {
    // An item whose page never arrives (removed, login lost, no network) must
    // not hold the harvest for ever: after this many attempts its row keeps
    // only what needs no page.
    static constexpr int ItemPageAttempts = 10;
    static constexpr std::chrono::milliseconds ItemPagePause{1};
    // The detail-skip and rate-counter requests of a Taobao item.
    static constexpr int ServiceAttempts = 10;
};

// Fetches `address` and takes the answer as text: it ends at the first zero byte.
Text FetchText(const SearchContext& context, std::string_view address);

// Every double quote removed.
Text RemoveQuotes(std::string_view text);

// Fetches the item page until it contains `acceptMarker`, pausing after every
// attempt, at most HarvestLimits::ItemPageAttempts times. Nothing when no
// attempt brought an accepted page.
std::optional<Text> FetchItemPage(const SearchContext& context, std::string_view address,
                                  std::string_view acceptMarker);

// Column 3: the counter key cut from `page`, one counter request, the value
// after the key in the quote-free answer.
void HarvestCollections(const SearchContext& context, int row, std::string_view page);

// A detail-skip answer made readable: spaces and TABs removed, "}" -> ",".
Text NormaliseDetailSkip(std::string_view answer);

// Columns 4 and 5 from a normalised detail-skip answer.
void WriteDetailSkipCells(SearchWindow& window, int row, std::string_view service);

// The marker that names the detail-skip request in an item page.
const std::string& DetailSkipMarker();

// The run around the items: status, list emptied, the item text split into
// lines, `harvestItem(n, line)` for each, then the controls unlocked and the end
// text. A text without any line end ends at once with the failure text.
template <typename HarvestItem>
void HarvestLines(const SearchContext& context, std::string_view itemIdText, HarvestItem&& harvestItem);

// Implementation details of HarvestLines, shared by both harvesters.
void BeginHarvest(SearchWindow& window);
void EndHarvest(SearchWindow& window, bool failed);

template <typename HarvestItem>
void HarvestLines(const SearchContext& context, std::string_view itemIdText, HarvestItem&& harvestItem) {
    SearchWindow& window = *context.window;
    BeginHarvest(window);
    if (!ContainsText(itemIdText, "\r\n")) {
        EndHarvest(window, true);
        return;
    }
    const TextList lines = SplitText(itemIdText, "\r\n");
    for (int n = 1; n <= lines.Count(); ++n)
        harvestItem(n, lines.Piece(n));
    EndHarvest(window, false);
}

}  // namespace rongfan
