// The Tmall item harvester on arbitrary item pages and service answers.
#include "FuzzHarvest.h"
#include "host/EndpointTable.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace rongfan;
    const auto run = fuzz::FuzzHarvest(
        data, size, [](const SearchContext& c, std::string_view text) { TmallItemHarvester(c, text); });
    const auto& rows = run.window->rows;
    // An item costs its page attempts and one request to each of three services at most.
    FUZZ_CHECK(run.fetches <= rows.size() * (HarvestLimits::ItemPageAttempts + 3));
    if (!rows.empty()) {
        const TextList lines = SplitText(run.itemText, "\r\n");
        for (std::size_t r = 0; r < rows.size(); ++r) {
            const std::string expected = "https://" + std::string(EndpointTable::TmallItemHost) + "/item.htm?id=" +
                                         std::string(SplitPiece(lines.Piece(static_cast<int>(r) + 1), "id=", 2));
            FUZZ_CHECK(rows[r][7] == expected);
        }
    }
    return 0;
}
