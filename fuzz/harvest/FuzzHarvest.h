#pragma once
// One harvester on arbitrary item pages and service answers. Input: the text of
// the item buffer, then the answer to every fetch in order, pieces separated by
// "@@" lines. After the run: one row per line, each cell written to its own row
// in column order, a bounded number of requests per item, the controls given
// back once, and every value cut the way the plain split-and-take cut reads it.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "harvest/CutText.h"
#include "harvest/HarvestSteps.h"
#include "harvest/Harvesters.h"
#include "support/FuzzInput.h"
#include "support/RecorderWindow.h"
#include "text/Gbk.h"
#include "text/Text.h"

namespace rongfan::fuzz {

// The cut as two splits, the way the cut is defined.
inline std::optional<std::string_view> ReferenceCut(std::string_view text, std::string_view start,
                                                    std::string_view end) {
    if (!ContainsText(text, start)) return std::nullopt;
    return SplitPiece(SplitPiece(text, start, 2), end, 1);
}

// Every marker pair a harvester cuts with, held against the reference on `page`.
inline void CheckCuts(std::string_view page) {
    static const std::pair<std::string, std::string> pairs[] = {
        {"<title>", RF_GBK("-淘宝网</title>")},
        {"<title>", "-tmall."},
        {"tb-rmb-num\">", "<"},
        {"ICCP_1_", ","},
        {"detailskip.taobao.com/json/ifq.htm?", "\""},
        {"quanity:", ","},
        {"confirmGoods:", ","},
        {"rateCounterApi:\"", "\""},
        {"tb-pic tb-s50", "_50x50.jpg"},
        {"defaultItemPrice:", ","},
        {"spuId:", ","},
        {"rateTotal:", ","},
        {"J_UlThumb", "_60x60q90.jpg"},
        // Markers that overlap themselves or their end, where a fast cut is easiest to get wrong.
        {"aa", "a"},
        {"ab", "ba"},
        {":", ":"},
    };
    for (const auto& [start, end] : pairs) {
        const auto fast = CutIfFound(page, start, end);
        const auto plain = ReferenceCut(page, start, end);
        FUZZ_CHECK(fast.has_value() == plain.has_value());
        if (fast) FUZZ_CHECK(*fast == *plain);
    }
}

struct HarvestRun {
    std::shared_ptr<testing::RecorderWindow> window;
    std::string itemText;
    std::size_t fetches = 0;
    std::size_t pauses = 0;
};

template <typename Harvester>
HarvestRun FuzzHarvest(const std::uint8_t* data, std::size_t size, Harvester&& harvester) {
    std::vector<std::string> pieces = SplitPages(data, size);
    HarvestRun run;
    // The item buffer is a text: what walkers cut from pages ends at a zero byte.
    run.itemText = BytesToText(pieces[0]);
    PageFeed feed(std::move(pieces), 1);
    run.window = std::make_shared<testing::RecorderWindow>();
    run.window->shopAddress = "http://fuzz.taobao.com";

    SearchContext context;
    context.state = std::make_shared<SearchState>();
    context.window = run.window;
    const TextList itemLines = SplitText(run.itemText, "\r\n");
    const auto isItemLine = [&itemLines](std::string_view address) {
        for (std::string_view line : itemLines.Pieces())
            if (line == address) return true;
        return false;
    };
    context.fetch = [&](std::string_view address) {
        // Service addresses are built on "http:"; only a Tmall item page is fetched by its line as it stands.
        FUZZ_CHECK(address.substr(0, 5) == "http:" || isItemLine(address));
        std::string answer = feed.Next();
        CheckCuts(BytesToText(answer));
        return answer;
    };
    context.sleep = [&](std::chrono::milliseconds) { ++run.pauses; };
    context.clearBrowserCache = [](CacheMode) {};

    harvester(context, run.itemText);
    run.fetches = feed.Fetches();

    testing::RecorderWindow& w = *run.window;
    const bool hasLines = ContainsText(run.itemText, "\r\n");
    const std::size_t lines = hasLines ? static_cast<std::size_t>(SplitText(run.itemText, "\r\n").Count()) : 0;
    FUZZ_CHECK(w.rows.size() == lines);
    FUZZ_CHECK(!w.locked);
    FUZZ_CHECK(w.status == (hasLines ? RF_GBK("已完成任务！") : RF_GBK("下载失败，请清除COOKIES缓存后再重试！")));
    // Every item fetches its page at least once and pauses after every attempt.
    FUZZ_CHECK(run.pauses >= lines && run.pauses <= lines * HarvestLimits::ItemPageAttempts);

    // The call log: a cell goes to the row appended last, in column order, never to column 0.
    int unlocks = 0;
    int currentRow = -1;
    int lastColumn = 0;
    for (const std::string& call : w.calls) {
        if (call == "unlock") ++unlocks;
        if (call.rfind("append:", 0) == 0) {
            ++currentRow;
            lastColumn = 0;
        }
        if (call.rfind("cell:", 0) == 0) {
            const std::size_t colon = call.find(':', 5);
            const int row = std::stoi(call.substr(5, colon - 5));
            const int column = std::stoi(call.substr(colon + 1));
            FUZZ_CHECK(row == currentRow);
            FUZZ_CHECK(column > lastColumn && column < ResultColumnCount);
            lastColumn = column;
        }
    }
    FUZZ_CHECK(unlocks == 1);
    for (std::size_t r = 0; r < w.rows.size(); ++r) {
        FUZZ_CHECK(w.rows[r][0] == NumberToText(static_cast<std::int32_t>(r + 1)));
        for (const std::string& cell : w.rows[r])
            FUZZ_CHECK(cell.find('\0') == std::string::npos);
    }
    return run;
}

}  // namespace rongfan::fuzz
