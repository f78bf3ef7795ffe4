// How a walk grows with the shop: pages answered from memory, so only the
// walker's own work (cuts, cleaning, the item buffer) is measured. The time
// per item should stay flat as the number of pages grows.
#include <benchmark/benchmark.h>

#include <map>
#include <memory>
#include <string>

#include "bench/NullWindow.h"
#include "text/Gbk.h"
#include "walkers/Walkers.h"

namespace rongfan {
namespace {

constexpr int ItemsPerPage = 24;
// Filler around the items, so a page weighs what a real answer does (tens of KB).
const std::string Filler(20000, 'x');

std::string asyncPage(int pageNumber, int pages) {
    std::string page = "jsonp1(\"<p><span class=\\\"page-info\\\">" + std::to_string(pageNumber) + "/" +
                       std::to_string(pages) + "</span><a>" + RF_GBK("下一页") + "</a></p>" + Filler;
    for (int i = 0; i < ItemsPerPage; ++i) {
        const std::string id = std::to_string(500000000000LL + pageNumber * 100 + i);
        for (const char* tail : {"", "", "&on_comment=1"}) {
            page += "<a href=\\\"//item.taobao.com/item.htm?id=" + id + tail + "&scene=taobao_shop\\\">" +
                    RF_GBK("宝贝") + "</a>";
        }
    }
    return page + "\")";
}

void TaobaoAsyncWalk(benchmark::State& state) {
    const int pages = static_cast<int>(state.range(0));
    const std::string shop = "http://bench.taobao.com";
    const std::string first = shop + "/i/asynSearch.htm?path=/search.htm&search=y&pageNo=1&mid=w-1-0";
    std::map<std::string, std::string, std::less<>> answers;
    for (int n = 1; n <= pages; ++n) {
        std::string address = first;
        address.replace(address.find("pageNo=1"), 8, "pageNo=" + std::to_string(n));
        answers[address] = asyncPage(n, pages);
    }
    auto window = std::make_shared<bench::NullWindow>(shop);
    std::size_t items = 0;
    for (auto _ : state) {
        SearchContext context;
        context.state = std::make_shared<SearchState>();
        context.state->SetCapturedPage("?mid=w-1-0&x");
        context.window = window;
        context.fetch = [&answers](std::string_view address) {
            auto it = answers.find(address);
            return it == answers.end() ? std::string() : it->second;
        };
        context.sleep = [](std::chrono::milliseconds) {};
        context.clearBrowserCache = [](CacheMode) {};
        TaobaoAsyncWalker(context);
        items = context.state->ItemIds().LineCount();
    }
    state.counters["items"] = static_cast<double>(items);
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(items));
}
BENCHMARK(TaobaoAsyncWalk)->Arg(10)->Arg(100)->Arg(1000)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace rongfan
