#include "harvest/CutText.h"
#include "harvest/HarvestSteps.h"
#include "harvest/Harvesters.h"
#include "host/EndpointTable.h"

namespace rongfan {
namespace {

constexpr int column(ResultColumn c) {
    return static_cast<int>(c);
}

std::string itemAddress(std::string_view itemId) {
    std::string address = "https://";
    address.append(EndpointTable::TmallItemHost).append("/item.htm?id=").append(itemId);
    return address;
}

// Columns 4 and 5: one request. `page` is quote-free; the query is cut from the
// page as fetched, where a double quote ends it.
void harvestDetailSkip(const SearchContext& context, int row, std::string_view page, std::string_view fetched) {
    if (!ContainsText(page, DetailSkipMarker())) return;
    const std::string_view query = CutText(fetched, DetailSkipMarker(), "\"");
    const Text address = RemoveSpaces("http://" + DetailSkipMarker() + std::string(query));
    WriteDetailSkipCells(*context.window, row, NormaliseDetailSkip(FetchText(context, address)));
}

// Column 6 from the rating service, asked once by item id and product id.
void harvestRating(const SearchContext& context, int row, std::string_view page, std::string_view itemId) {
    const auto productId = CutIfFound(page, "spuId:", ",");
    if (!productId) return;
    std::string address = "http://";
    address.append(EndpointTable::TmallRateHost)
        .append("/list_dsr_info.htm?itemId=")
        .append(itemId)
        .append("&spuId=")
        .append(*productId)
        .append("&callback=jsonp160");
    const Text service = ReplaceText(RemoveQuotes(FetchText(context, RemoveSpaces(RemoveQuotes(address)))), "}", ",");
    if (const auto total = CutIfFound(service, "rateTotal:", ","))
        context.window->SetCell(row, column(ResultColumn::Reviews), *total);
}

void harvestItem(const SearchContext& context, int number, std::string_view line) {
    SearchWindow& window = *context.window;
    const std::string_view itemId = SplitPiece(line, "id=", 2);
    const int row = window.AppendRow(NumberToText(number));
    const std::string titleEnd = "-" + std::string(EndpointTable::TmallMarker);

    const std::optional<Text> fetched = FetchItemPage(context, line, titleEnd);
    if (!fetched) {
        window.SetCell(row, column(ResultColumn::Url), itemAddress(itemId));
        return;
    }

    if (const auto title = CutIfFound(*fetched, "<title>", titleEnd))
        window.SetCell(row, column(ResultColumn::Title), *title);
    // Values are written with or without double quotes around them; without
    // the quotes every cut below reads them alike.
    const Text page = RemoveQuotes(*fetched);
    if (const auto price = CutIfFound(page, "defaultItemPrice:", ","))
        window.SetCell(row, column(ResultColumn::Price), RemoveSpaces(*price));
    HarvestCollections(context, row, page);
    harvestDetailSkip(context, row, page, *fetched);
    harvestRating(context, row, page, itemId);
    window.SetCell(row, column(ResultColumn::Url), itemAddress(itemId));
    if (const auto thumbnail = CutIfFound(page, "J_UlThumb", "_60x60q90.jpg"))
        window.SetCell(row, column(ResultColumn::Picture),
                       "http://" + std::string(SplitPiece(*thumbnail, "src=//", 2)));
}

}  // namespace

void TmallItemHarvester(const SearchContext& context) {
    // Read once: the walker that filled the buffer has ended before the harvest starts.
    TmallItemHarvester(context, context.state->ItemIds().Text());
}

void TmallItemHarvester(const SearchContext& context, std::string_view itemIdText) {
    HarvestLines(context, itemIdText,
                 [&context](int number, std::string_view line) { harvestItem(context, number, line); });
}

}  // namespace rongfan
