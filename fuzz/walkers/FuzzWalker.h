#pragma once
// One walker on arbitrary pages. Input: the shop's base address, the captured
// page (normalised here as the capture does), then the answer to every fetch in
// order, pages separated by "@@" lines. Pauses cost nothing; cache clearing is
// counted. After the walk: it ended within a bounded number of requests once the
// input ran dry, every request went to the shop's own host, and the item buffer
// holds only lines the harvesters can take.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "capture/CaptureRules.h"
#include "support/FuzzInput.h"
#include "support/RecorderWindow.h"
#include "text/Text.h"
#include "walkers/WalkLimits.h"
#include "walkers/Walkers.h"

namespace rongfan::fuzz {

// A walk whose every fetch fails still ends: at most the Tmall walker's shop-page
// attempts, its first answer, then a run of barren pages each asked for the
// most times any walker asks for one page.
inline constexpr std::size_t MaxFetchesAfterEnd =
    WalkLimits::TmallShopPageAttempts + 1 +
    static_cast<std::size_t>(WalkLimits::MaxPagesWithoutNewItems) * WalkLimits::TmallAsyncPageAttempts;

struct WalkOutcome {
    std::shared_ptr<SearchState> state;
    std::shared_ptr<testing::RecorderWindow> window;
    std::string shop;
};

template <typename Walker> WalkOutcome FuzzWalk(const std::uint8_t* data, std::size_t size, Walker&& walker) {
    std::vector<std::string> pieces = SplitPages(data, size);
    WalkOutcome out;
    out.shop = pieces[0];
    // The capture keeps a text: the page up to its first zero byte, normalised.
    const std::string captured = NormaliseCapturedPage(BytesToText(pieces.size() > 1 ? pieces[1] : std::string()));
    PageFeed feed(std::move(pieces), 2);

    out.state = std::make_shared<SearchState>();
    out.state->SetCapturedPage(captured);
    out.window = std::make_shared<testing::RecorderWindow>();
    out.window->shopAddress = out.shop;

    SearchContext context;
    context.state = out.state;
    context.window = out.window;
    // The page names paths and queries, never the host: every request goes to the
    // shop's base address. (A "host" typed with "pageNo=1" in it gets the page
    // number like the query does; such an address names no server anyway.)
    bool foreignHost = false;
    const std::string ownPrefix = out.shop + "/";
    const bool hostHoldsPageKey = ReplaceText(out.shop, "pageNo=", "", MatchMode::AsciiCaseInsensitive) != out.shop;
    context.fetch = [&](std::string_view address) {
        if (!hostHoldsPageKey && address.substr(0, ownPrefix.size()) != ownPrefix) foreignHost = true;
        return feed.Next();
    };
    context.sleep = [](std::chrono::milliseconds) {};
    context.clearBrowserCache = [](CacheMode) {};

    walker(context);

    FUZZ_CHECK(!foreignHost);
    FUZZ_CHECK(feed.FetchesAfterEnd() <= MaxFetchesAfterEnd);
    FUZZ_CHECK(out.window->harvestArmed <= 1);
    FUZZ_CHECK(out.window->captures <= 1);
    // A walk hands over to the harvest or to a new capture, never to both.
    FUZZ_CHECK(out.window->harvestArmed + out.window->captures <= 1);
    FUZZ_CHECK(out.window->rows.empty());
    for (const std::string& line : out.state->ItemIds().Lines()) {
        FUZZ_CHECK(!line.empty());
        // The harvesters split the buffer at CR LF: a line holding one would become two items.
        FUZZ_CHECK(!ContainsText(line, "\r\n"));
    }
    // ... and splitting the whole text gives back exactly the lines the walk appended.
    const TextList split = SplitText(out.state->ItemIds().Text(), "\r\n");
    FUZZ_CHECK(static_cast<std::size_t>(split.Count()) == out.state->ItemIds().LineCount());
    return out;
}

}  // namespace rongfan::fuzz
