// The text primitives on a whole page, next to glibc memmem on the same bytes.
// The page is 1 MiB of shop-search markup with GBK titles, built from a fixed
// seed so every run measures the same bytes.
#include <benchmark/benchmark.h>
#include <cstring>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "text/Text.h"

namespace {

using namespace rongfan;

constexpr std::size_t PageSize = 1 << 20;
constexpr std::string_view AbsentMarker = "data-spm-anchor-id=\"end\"";
constexpr std::string_view LateMarker = "<div class=\"pagination\">";
constexpr std::string_view FrequentMarker = "<dd class=\"price\">";
constexpr std::string_view FrequentReplacement = "<dd class=\"cost\">";
constexpr std::string_view GbkMarker = "\xA1\xBE\xCF\xFA\xC1\xBF\xA1\xBF";  // 【销量】 in GBK
constexpr std::string_view LineDelimiter = "\r\n";

class Page {
public:
    Page() : m_rng(20240611) {
        while (m_text.size() < PageSize - 4096) item();
        // The late marker sits in the last kilobytes, as a pager does.
        m_text += LateMarker;
        m_text += "<a href=\"?pageNo=2\">2</a></div>\r\n";
        while (m_text.size() < PageSize) gbk(1);
        m_text.resize(PageSize);
        if (m_text.back() & 0x80) m_text.back() = ' ';
    }
    const std::string& text() const { return m_text; }

private:
    std::size_t below(std::size_t n) { return static_cast<std::size_t>(m_rng() % n); }

    // Mostly GB2312 characters; now and then one of GBK's extension
    // characters, whose second byte lies in the ASCII range.
    void gbk(std::size_t count) {
        for (std::size_t i = 0; i < count; ++i) {
            if (below(8) == 0) {
                m_text += static_cast<char>(0x81 + below(0x7E));
                m_text += static_cast<char>(0x40 + below(0x3F));
            } else {
                m_text += static_cast<char>(0xB0 + below(0x48));
                m_text += static_cast<char>(0xA1 + below(0x5E));
            }
        }
    }

    void item() {
        const std::string id = std::to_string(500000000000 + below(99999999999));
        m_text += "<dl class=\"item \" data-id=\"" + id + "\">\r\n  <dt class=\"photo\"><a target=\"_blank\" "
                  "href=\"//item.taobao.com/item.htm?id=" + id + "\"><img alt=\"";
        gbk(8 + below(20));
        m_text += "\" data-ks-lazyload=\"//img.alicdn.com/bao/uploaded/i" + std::to_string(below(4)) + "/TB1" +
                  std::to_string(below(1000000)) + ".jpg_240x240.jpg\"></a></dt>\r\n  <dd class=\"detail\">\r\n"
                  "    <a class=\"item-name\" href=\"//item.taobao.com/item.htm?id=" + id + "\">";
        gbk(10 + below(20));
        m_text += " ";
        gbk(2 + below(6));
        m_text += "</a>\r\n    " + std::string(FrequentMarker) + "<span class=\"c-price\">" +
                  std::to_string(below(2000)) + "." + std::to_string(10 + below(90)) +
                  "</span></dd>\r\n    <dd class=\"sale-area\"><span class=\"sale-num\">" + std::to_string(below(5000)) +
                  "</span>";
        gbk(2);
        m_text += "</dd>\r\n  </dd>\r\n</dl>\r\n";
    }

    std::mt19937 m_rng;
    std::string m_text;
};

const std::string& page() {
    static const Page built;
    return built.text();
}

void bytesProcessed(benchmark::State& state) {
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(page().size()));
}

const void* memmemIn(const std::string& text, std::string_view sought) {
    return memmem(text.data(), text.size(), sought.data(), sought.size());
}

// The plain copy loop every replace is measured against: memmem finds each
// occurrence, the bytes before it and the replacement are appended.
std::string memmemReplace(const std::string& text, std::string_view sought, std::string_view replacement) {
    std::string out;
    out.reserve(text.size());
    const char* pos = text.data();
    const char* end = text.data() + text.size();
    while (const void* hit = memmem(pos, static_cast<std::size_t>(end - pos), sought.data(), sought.size())) {
        const char* at = static_cast<const char*>(hit);
        out.append(pos, static_cast<std::size_t>(at - pos));
        out.append(replacement);
        pos = at + sought.size();
    }
    out.append(pos, static_cast<std::size_t>(end - pos));
    return out;
}

void BM_MemmemAbsent(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(memmemIn(page(), AbsentMarker));
    bytesProcessed(state);
}
void BM_FindTextAbsent(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(FindText(page(), AbsentMarker));
    bytesProcessed(state);
}
void BM_MemmemLate(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(memmemIn(page(), LateMarker));
    bytesProcessed(state);
}
void BM_FindTextLate(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(FindText(page(), LateMarker));
    bytesProcessed(state);
}
void BM_MemmemGbk(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(memmemIn(page(), GbkMarker));
    bytesProcessed(state);
}
void BM_FindTextGbk(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(FindText(page(), GbkMarker));
    bytesProcessed(state);
}
void BM_MemmemCopyLoop(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(memmemReplace(page(), FrequentMarker, FrequentReplacement));
    bytesProcessed(state);
}
void BM_ReplaceTextExact(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(ReplaceText(page(), FrequentMarker, FrequentReplacement));
    bytesProcessed(state);
}
void BM_ReplaceTextFolded(benchmark::State& state) {
    for (auto _ : state) {
        benchmark::DoNotOptimize(
            ReplaceText(page(), FrequentMarker, FrequentReplacement, MatchMode::AsciiCaseInsensitive));
    }
    bytesProcessed(state);
}
void BM_ReplaceTextFoldedAbsent(benchmark::State& state) {
    for (auto _ : state) {
        benchmark::DoNotOptimize(ReplaceText(page(), "PAGENO=9", "pageNo=1", MatchMode::AsciiCaseInsensitive));
    }
    bytesProcessed(state);
}
void BM_MemmemCopyLoopLines(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(memmemReplace(page(), LineDelimiter, "\n"));
    bytesProcessed(state);
}
void BM_SplitTextLines(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(SplitText(page(), LineDelimiter).Count());
    bytesProcessed(state);
}
void BM_SplitTextItems(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(SplitText(page(), FrequentMarker).Count());
    bytesProcessed(state);
}

BENCHMARK(BM_MemmemAbsent);
BENCHMARK(BM_FindTextAbsent);
BENCHMARK(BM_MemmemLate);
BENCHMARK(BM_FindTextLate);
BENCHMARK(BM_MemmemGbk);
BENCHMARK(BM_FindTextGbk);
BENCHMARK(BM_MemmemCopyLoop);
BENCHMARK(BM_ReplaceTextExact);
BENCHMARK(BM_ReplaceTextFolded);
BENCHMARK(BM_ReplaceTextFoldedAbsent);
BENCHMARK(BM_SplitTextItems);
BENCHMARK(BM_MemmemCopyLoopLines);
BENCHMARK(BM_SplitTextLines);

}  // namespace

BENCHMARK_MAIN();
