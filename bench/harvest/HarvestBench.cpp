// The harvesters' own work per item, without any network: every fetch answers
// at once from memory with pages shaped and sized like the marketplace's.
//
// The heap is set up as rongfan and rongfan-cli set it up (KeepHeapForPages).
// With --default-heap it keeps glibc's defaults instead, under which malloc
// hands the top of its heap back to the kernel after nearly every item: run
// both to see what that costs.
#include <benchmark/benchmark.h>

#include <cstring>
#include <memory>
#include <string>

#include "bench/NullWindow.h"
#include "harvest/Harvesters.h"
#include "host/Host.h"
#include "text/Gbk.h"

namespace rongfan {
namespace {

// Markup filler with GBK text and double quotes, so scans meet both.
std::string filler(std::size_t bytes) {
    const std::string block = Utf8ToGbk("<div class=\"tb-detail-hd\"><p class=\"tb-subtitle\">春季新款 宽松 显瘦"
                                        "</p><span data-spm=\"1000983\">月销量</span></div>\n");
    std::string out;
    while (out.size() < bytes)
        out += block;
    return out;
}

std::string taobaoPage(const std::string& id) {
    return Utf8ToGbk("<html><head><meta charset=\"gbk\"><title>女装 春款 连衣裙 " + id +
                     "-淘宝网</title></head><body>\n") +
           filler(8000) + "<script>var g_config = {\n  counterApi : '//count.taobao.com/counter3?inc=ICVT_7_" + id +
           "&keys=DFX_200_1_" + id + ",ICVT_7_" + id + ",ICCP_1_" + id + ",SCCP_2_11',\n" +
           "  rateCounterApi   : '//rate.taobao.com/detailCount.do?itemId=" + id + "',\n" +
           "  ifq : \"http://detailskip.taobao.com/json/ifq.htm?id=" + id + "&sid=9\"\n};</script>\n" + filler(20000) +
           "<em class=\"tb-rmb-num\">276.00 - 856.00</em>\n" + filler(10000) +
           "<ul id=\"J_UlThumb\"><li><div class=\"tb-pic tb-s50\"><a href=\"#\"><img data-src=\"//gd3.alicdn.com/i4/" +
           id + ".jpg_50x50.jpg\"/></a></div></li></ul>\n" + filler(60000) + "</body></html>";
}

std::string tmallPage(const std::string& id) {
    return Utf8ToGbk("<html><head><title>Nike 运动鞋 " + id + "-tmall.com天猫</title></head><body>\n") + filler(8000) +
           "<script>TShop.Setup({\"apiBeans\":\"//count.taobao.com/counter3?keys=ICCP_1_" + id +
           "\",\"detail\":{\"defaultItemPrice\":\"699.00\"},\"itemDO\":{\"spuId\":\"716\",\"itemId\":\"" + id +
           "\"},\"initApi\":\"//detailskip.taobao.com/json/ifq.htm?id=" + id + "&sid=1\"});</script>\n" +
           filler(30000) + "<ul id=\"J_UlThumb\"><li><a href=\"#\"><img src=\"//img.alicdn.com/i1/" + id +
           ".jpg_60x60q90.jpg\"></a></li></ul>\n" + filler(60000) + "</body></html>";
}

// Answers every request of one item of either kind; the item page is the same
// bytes for every item (only the addresses differ), so the fetch costs a copy.
Bytes answer(std::string_view address, const std::string& taobao, const std::string& tmall) {
    if (address.find("item.taobao.com") != std::string_view::npos) return taobao;
    if (address.find("detail.tmall.com") != std::string_view::npos) return tmall;
    if (address.find("counter3") != std::string_view::npos) return "jsonp86({\"ICCP_1_1000\":562});";
    if (address.find("ifq.htm") != std::string_view::npos)
        return "var d={quantity:{quanity: 123,\tinterval: 30,\tconfirmGoods: 118, }};";
    if (address.find("detailCount") != std::string_view::npos) return "jsonp120({\"1000\":3264})";
    if (address.find("dsr-rate") != std::string_view::npos) return "jsonp128({\"dsr\":{\"rateTotal\":2986}})";
    return {};
}

void harvest(benchmark::State& state, bool taobaoShop) {
    const auto items = static_cast<int>(state.range(0));
    const std::string taobao = taobaoPage("1000");
    const std::string tmall = tmallPage("1000");
    std::string text;
    for (int i = 0; i < items; ++i) {
        const std::string id = std::to_string(1000 + i);
        text += (taobaoShop ? id : "http://detail.tmall.com/item.htm?id=" + id) + "\r\n";
    }
    SearchContext context;
    context.state = std::make_shared<SearchState>();
    context.window = std::make_shared<bench::NullWindow>();
    context.fetch = [&](std::string_view address) { return answer(address, taobao, tmall); };
    context.sleep = [](std::chrono::milliseconds) {};
    for (auto _ : state) {
        if (taobaoShop)
            TaobaoItemHarvester(context, text);
        else
            TmallItemHarvester(context, text);
    }
    state.SetItemsProcessed(state.iterations() * items);
    state.counters["page_bytes"] = static_cast<double>(taobaoShop ? taobao.size() : tmall.size());
}

void BM_TaobaoItemHarvester(benchmark::State& state) {
    harvest(state, true);
}
void BM_TmallItemHarvester(benchmark::State& state) {
    harvest(state, false);
}

BENCHMARK(BM_TaobaoItemHarvester)->Arg(250)->Arg(1000)->Arg(4000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TmallItemHarvester)->Arg(250)->Arg(1000)->Arg(4000)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace rongfan

int main(int argc, char** argv) {
    bool defaultHeap = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--default-heap") != 0) continue;
        defaultHeap = true;
        for (int j = i; j + 1 < argc; ++j) argv[j] = argv[j + 1];
        --argc;
        break;
    }
    if (!defaultHeap) rongfan::KeepHeapForPages();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
