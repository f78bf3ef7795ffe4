#include "harvest/HarvestSteps.h"

#include "harvest/CutText.h"
#include "host/EndpointTable.h"
#include "text/Gbk.h"

namespace rongfan {

Text FetchText(const SearchContext& context, std::string_view address) {
    Bytes answer = context.fetch(address);
    // The answer becomes the page text in place: a page can be large and is
    // not copied only to drop what follows a zero byte.
    const std::size_t zero = answer.find('\0');
    if (zero != Bytes::npos) answer.resize(zero);
    return answer;
}

Text RemoveQuotes(std::string_view text) {
    return ReplaceText(text, "\"", "");
}

std::optional<Text> FetchItemPage(const SearchContext& context, std::string_view address,
                                  std::string_view acceptMarker) {
    for (int attempt = 1; attempt <= HarvestLimits::ItemPageAttempts; ++attempt) {
        Text page = FetchText(context, address);
        context.sleep(HarvestLimits::ItemPagePause);
        if (!page.empty() && ContainsText(page, acceptMarker)) return page;
    }
    return std::nullopt;
}

void HarvestCollections(const SearchContext& context, int row, std::string_view page) {
    const auto keyPiece = CutIfFound(page, "ICCP_1_", ",");
    if (!keyPiece) return;
    const Text key = RemoveSpaces(RemoveQuotes(*keyPiece));
    std::string address = "http://";
    address.append(EndpointTable::CounterHost).append("/counter3?keys=ICCP_1_").append(key).append("&callback=json");
    const Text service = RemoveQuotes(FetchText(context, address));
    const Text keyColon = key + ":";
    if (const auto value = CutIfFound(service, keyColon, "}"))
        context.window->SetCell(row, static_cast<int>(ResultColumn::Collections), *value);
}

Text NormaliseDetailSkip(std::string_view answer) {
    return ReplaceText(ReplaceText(RemoveSpaces(answer), "\t", ""), "}", ",");
}

void WriteDetailSkipCells(SearchWindow& window, int row, std::string_view service) {
    if (const auto deals = CutIfFound(service, "quanity:", ","))
        window.SetCell(row, static_cast<int>(ResultColumn::Deals30), *deals);
    if (const auto received = CutIfFound(service, "confirmGoods:", ","))
        window.SetCell(row, static_cast<int>(ResultColumn::Received30), *received);
}

const std::string& DetailSkipMarker() {
    static const std::string marker = std::string(EndpointTable::DetailSkipHost) + "/json/ifq.htm?";
    return marker;
}

void BeginHarvest(SearchWindow& window) {
    window.SetStatus(RF_GBK("正在下载数据中……"));
    window.RemoveAllRows();
}

void EndHarvest(SearchWindow& window, bool failed) {
    window.UnlockSearch();
    window.SetStatus(failed ? RF_GBK("下载失败，请清除COOKIES缓存后再重试！") : RF_GBK("已完成任务！"));
}

}  // namespace rongfan
