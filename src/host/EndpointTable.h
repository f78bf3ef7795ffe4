#pragma once
// The marketplace host names and domain markers every address is built from.
#include <string_view>

namespace rongfan {

struct EndpointTable {
    static constexpr std::string_view TaobaoDomain = "taobao.com";
    static constexpr std::string_view TmallMarker = "tmall.";
    static constexpr std::string_view TmallDomain = "tmall.com";
    static constexpr std::string_view TmallItemHost = "detail.tmall.com";
    static constexpr std::string_view TmallAltItemHost = "detail.tmall.hk";
    static constexpr std::string_view ItemPageHost = "item.taobao.com";
    static constexpr std::string_view CounterHost = "count.taobao.com";
    static constexpr std::string_view DetailSkipHost = "detailskip.taobao.com";
    static constexpr std::string_view TmallRateHost = "dsr-rate.tmall.com";
};

}  // namespace rongfan
