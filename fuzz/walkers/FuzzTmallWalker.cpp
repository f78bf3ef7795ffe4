// The Tmall walker on arbitrary shop, asynchronous and ordinary result pages.
#include "FuzzWalker.h"
#include "host/EndpointTable.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace rongfan;
    const auto walk = fuzz::FuzzWalk(data, size, [](const SearchContext& c) { TmallWalker(c); });
    // Every line is a whole item address on the item host the shop address chose.
    const std::string base = ContainsText(walk.shop, EndpointTable::TmallDomain)
                                 ? std::string(EndpointTable::TmallItemHost)
                                 : std::string(EndpointTable::TmallAltItemHost) + "/hk";
    const std::string prefix = "http://" + base + "/item.htm?id=";
    for (const std::string& line : walk.state->ItemIds().Lines()) {
        FUZZ_CHECK(line.size() > prefix.size() && line.compare(0, prefix.size(), prefix) == 0);
        FUZZ_CHECK(line.find_first_of("\" \t\r\n<>", prefix.size()) == std::string::npos);
    }
    // The redirect branch empties the captured page and names a new search address.
    if (walk.window->captures == 1) {
        FUZZ_CHECK(walk.state->CapturedPage().empty());
        FUZZ_CHECK(!walk.state->SearchUrl().empty());
    }
    return 0;
}
