// The plain Taobao walker on arbitrary result pages, page 1 being the captured one.
#include "FuzzWalker.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto walk =
        rongfan::fuzz::FuzzWalk(data, size, [](const rongfan::SearchContext& c) { rongfan::TaobaoPlainWalker(c); });
    FUZZ_CHECK(walk.window->captures == 0);
    return 0;
}
