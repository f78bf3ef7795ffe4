// The harvest over real HTTP against the simulated marketplace with no
// latency: items per second of the whole harvest step (fetches, pauses, cuts,
// cell writes), after one walk has filled the item buffer.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "bench/NullWindow.h"
#include "capture/CaptureRules.h"
#include "capture/ShopAddress.h"
#include "harvest/Harvesters.h"
#include "host/HttpFetch.h"
#include "support/Marketsim.h"
#include "text/Text.h"
#include "walkers/Walkers.h"

namespace rongfan {
namespace {

void harvestFromMarket(benchmark::State& state, const char* kind, const char* host) {
    const auto items = state.range(0);
    const std::string setup =
        std::string("kind=") + kind + ",host=" + host + ",items=" + std::to_string(items) + ",seed=3";
    testing::Marketsim market({"--shop", setup});
    if (!market.Started()) {
        state.SkipWithError("marketsim did not start");
        return;
    }
    for (const char* name : {"https_proxy", "all_proxy", "no_proxy", "NO_PROXY"})
        unsetenv(name);
    setenv("http_proxy", market.Proxy().c_str(), 1);

    const LaunchDecision launch = DecideLaunch(std::string("http://") + host);
    auto searchState = std::make_shared<SearchState>();
    auto window = std::make_shared<bench::NullWindow>(launch.baseAddress);
    searchState->SetSearchUrl(launch.searchUrl);
    const SearchContext context = SearchContext::Make(searchState, window);
    const Text page = NormaliseCapturedPage(BytesToText(HttpFetch(launch.searchUrl)));
    searchState->SetCapturedPage(page);
    RunWalker(ChooseWalker(launch.baseAddress, page), context);
    if (searchState->ItemIds().LineCount() != static_cast<std::size_t>(items)) {
        state.SkipWithError("the walk did not list every item");
        return;
    }
    for (auto _ : state)
        RunHarvester(context);
    state.SetItemsProcessed(state.iterations() * items);
    unsetenv("http_proxy");
}

void BM_TaobaoHarvestFromMarket(benchmark::State& state) {
    harvestFromMarket(state, "taobao-async", "bench-harvest.taobao.com");
}
void BM_TmallHarvestFromMarket(benchmark::State& state) {
    harvestFromMarket(state, "tmall-async", "bench-harvest.tmall.com");
}

BENCHMARK(BM_TaobaoHarvestFromMarket)->Arg(200)->Arg(800)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_TmallHarvestFromMarket)->Arg(200)->Arg(800)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace rongfan

BENCHMARK_MAIN();
