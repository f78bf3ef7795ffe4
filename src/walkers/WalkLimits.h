#pragma once
// The bounds and pauses of the three walkers, named so that tests and the
// benchmarks can refer to them.
#include <chrono>

namespace rongfan {

struct WalkLimits {
    // The plain Taobao walker rests this long after every page, the last one
    // included, so the shop's search does not see a burst of requests.
    static constexpr std::chrono::milliseconds PlainPagePause{1000};

    // A Tmall asynchronous result page (page 2 onward) that comes back empty is
    // asked for again, this many attempts in all.
    static constexpr int TmallAsyncPageAttempts = 5;

    // Fetches of the Tmall shop's search page while the page in hand names no
    // shop number. Each attempt clears the browser's cache and cookies first;
    // a search page that still names none after this many is a failure, not a
    // reason to keep a worker spinning.
    static constexpr int TmallShopPageAttempts = 5;

    // A page counter can claim far more pages than a shop has (999999 on a page
    // that lists nothing). The walk ends after this many pages in a row that add
    // no new line to the item buffer; a real shop's page always adds some, and a
    // run of failed fetches this long means the marketplace is not answering.
    static constexpr int MaxPagesWithoutNewItems = 20;
};

}  // namespace rongfan
