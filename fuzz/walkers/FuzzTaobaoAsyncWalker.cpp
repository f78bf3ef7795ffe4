// The asynchronous Taobao walker on arbitrary result pages.
#include "FuzzWalker.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto walk =
        rongfan::fuzz::FuzzWalk(data, size, [](const rongfan::SearchContext& c) { rongfan::TaobaoAsyncWalker(c); });
    FUZZ_CHECK(walk.window->captures == 0);
    return 0;
}
