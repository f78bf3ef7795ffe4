#include "harvest/CutText.h"
#include "harvest/HarvestSteps.h"
#include "harvest/Harvesters.h"
#include "host/EndpointTable.h"
#include "text/Gbk.h"

namespace rongfan {
namespace {

constexpr std::string_view PriceMarker = "tb-rmb-num\">";
constexpr std::string_view RateMarker = "rateCounterApi:\"";
constexpr std::string_view ThumbnailMarker = "data-src=\"//";
// How some pages state their rate counter; rewritten to the rate marker.
constexpr std::string_view LooseRateMarker = "rateCounterApi   : '";

constexpr int column(ResultColumn c) {
    return static_cast<int>(c);
}

std::string itemAddress(std::string_view scheme, std::string_view itemId) {
    std::string address(scheme);
    address.append(EndpointTable::ItemPageHost).append("/item.htm?id=").append(itemId);
    return address;
}

// Columns 4 and 5. The service is asked again while its answer lacks the
// deals, since a busy service answers with something else.
void harvestDetailSkip(const SearchContext& context, int row, std::string_view page) {
    const auto query = CutIfFound(page, DetailSkipMarker(), "\"");
    if (!query) return;
    const Text address = RemoveSpaces("http://" + DetailSkipMarker() + std::string(*query));
    Text service;
    for (int attempt = 1; attempt <= HarvestLimits::ServiceAttempts; ++attempt) {
        service = NormaliseDetailSkip(FetchText(context, address));
        if (ContainsText(service, "quanity:")) break;
    }
    WriteDetailSkipCells(*context.window, row, service);
}

// Column 6, from the rate counter the (rewritten) page names.
void harvestReviews(const SearchContext& context, int row, std::string_view page, std::string_view itemId) {
    const auto reference = CutIfFound(page, RateMarker, "\"");
    if (!reference) return;
    const Text address = RemoveSpaces(RemoveQuotes("http:" + std::string(*reference) + "&callback=jsonp120"));
    Text service;
    for (int attempt = 1; attempt <= HarvestLimits::ServiceAttempts; ++attempt) {
        service = ReplaceText(RemoveQuotes(FetchText(context, address)), "}", ",");
        if (ContainsText(service, itemId)) break;
    }
    const Text idColon = std::string(itemId) + ":";
    if (const auto reviews = CutIfFound(service, idColon, ","))
        context.window->SetCell(row, column(ResultColumn::Reviews), *reviews);
}

void harvestItem(const SearchContext& context, int number, std::string_view itemId) {
    SearchWindow& window = *context.window;
    const int row = window.AppendRow(NumberToText(number));
    const std::string& titleEnd = RF_GBK("-淘宝网</title>");

    std::optional<Text> fetched = FetchItemPage(context, itemAddress("http://", itemId), titleEnd);
    if (!fetched) {
        window.SetCell(row, column(ResultColumn::Url), itemAddress("https://", itemId));
        return;
    }
    Text page = std::move(*fetched);

    // The page was accepted for holding the title's end, so the title is always written.
    window.SetCell(row, column(ResultColumn::Title), CutText(page, "<title>", titleEnd));
    if (const auto price = CutIfFound(page, PriceMarker, "<"))
        window.SetCell(row, column(ResultColumn::Price), RemoveSpaces(*price));
    HarvestCollections(context, row, page);
    harvestDetailSkip(context, row, page);

    // A rate counter written with apostrophes reads from here on like one
    // written with double quotes. Each pass replaces the page, so no more than
    // two copies of it are held at once.
    page = ReplaceText(page, LooseRateMarker, RateMarker, MatchMode::AsciiCaseInsensitive);
    page = ReplaceText(page, "',", "\"");
    harvestReviews(context, row, page, itemId);

    window.SetCell(row, column(ResultColumn::Url), itemAddress("https://", itemId));

    if (const auto thumbnail = CutIfFound(page, "tb-pic tb-s50", "_50x50.jpg"))
        window.SetCell(row, column(ResultColumn::Picture),
                       "http://" + std::string(SplitPiece(*thumbnail, ThumbnailMarker, 2)));
}

}  // namespace

void TaobaoItemHarvester(const SearchContext& context) {
    // Read once: the walker that filled the buffer has ended before the harvest starts.
    TaobaoItemHarvester(context, context.state->ItemIds().Text());
}

void TaobaoItemHarvester(const SearchContext& context, std::string_view itemIdText) {
    HarvestLines(context, itemIdText,
                 [&context](int number, std::string_view line) { harvestItem(context, number, line); });
}

}  // namespace rongfan
