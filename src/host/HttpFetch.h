#pragma once
// GET over HTTP/1.0 with libcurl, sharing the process-wide cookie store.
// A failure yields empty bytes; after a read error, the bytes received so far.
#include <chrono>
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace rongfan {

using Bytes = std::string;

struct FetchLimits {
    // A dead server must not hang a search for ever.
    static constexpr std::chrono::seconds ConnectTimeout{30};
    // No byte for this long ends the transfer with what has arrived.
    static constexpr std::chrono::seconds StallTimeout{60};
    // A body larger than this counts as a failed fetch.
    static constexpr std::size_t MaxBodyBytes = std::size_t{64} * 1024 * 1024;
    // More hops than this is a redirect loop: a failed fetch.
    static constexpr int MaxRedirects = 20;
};

inline constexpr std::string_view FetchUserAgent = "Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0)";

// Call once from main() before any thread starts (curl_global_init). HttpFetch
// calls it too, guarded, for programs that forget.
void InitHttp();

Bytes HttpFetch(std::string_view address);

// For tests only: shorten the stall limit so a stalled server ends a fetch quickly,
// and lower the body cap so an oversize body needs no 64 MiB. Pass the FetchLimits
// values to restore them.
void SetStallTimeoutForTesting(std::chrono::milliseconds stall);
void SetMaxBodyForTesting(std::size_t bytes);

// Walkers and harvesters fetch through this, so tests can answer from fixtures.
using FetchFunction = std::function<Bytes(std::string_view address)>;

} // namespace rongfan
