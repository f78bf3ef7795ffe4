// The Taobao item harvester on arbitrary item pages and service answers.
#include "FuzzHarvest.h"
#include "host/EndpointTable.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace rongfan;
    const auto run = fuzz::FuzzHarvest(
        data, size, [](const SearchContext& c, std::string_view text) { TaobaoItemHarvester(c, text); });
    const auto& rows = run.window->rows;
    // An item costs its page attempts, one counter request and ten of each retried service at most.
    FUZZ_CHECK(run.fetches <= rows.size() * (HarvestLimits::ItemPageAttempts + 1 + 2 * HarvestLimits::ServiceAttempts));
    if (!rows.empty()) {
        const TextList lines = SplitText(run.itemText, "\r\n");
        for (std::size_t r = 0; r < rows.size(); ++r) {
            const std::string expected = "https://" + std::string(EndpointTable::ItemPageHost) +
                                         "/item.htm?id=" + std::string(lines.Piece(static_cast<int>(r) + 1));
            FUZZ_CHECK(rows[r][7] == expected);
        }
    }
    return 0;
}
