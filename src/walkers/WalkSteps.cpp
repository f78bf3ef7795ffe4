#include "walkers/WalkSteps.h"

#include <cstring>

#include "text/Text.h"
#include "walkers/WalkLimits.h"

namespace rongfan::walk {

std::string FetchPage(const SearchContext& context, std::string_view address) {
    Bytes bytes = context.fetch(address);
    // Same result as BytesToText, but a page of several hundred kilobytes is
    // cut in place instead of copied.
    if (const void* zero = std::memchr(bytes.data(), 0, bytes.size())) {
        bytes.resize(static_cast<std::size_t>(static_cast<const char*>(zero) - bytes.data()));
    }
    return bytes;
}

std::int32_t ReadPageCount(std::string_view page, std::string_view marker, std::string_view end) {
    const std::string_view counter = SplitPiece(SplitPiece(SplitPiece(page, marker, 2), end, 1), "/", 2);
    const std::int32_t count = ToInteger(ToNumber(counter));
    return count == 0 ? 1 : count;
}

std::string PageAddress(std::string_view firstPageAddress, std::int64_t pageNumber) {
    return ReplaceText(firstPageAddress, "pageNo=1", "pageNo=" + NumberToText(static_cast<std::int32_t>(pageNumber)),
                       MatchMode::AsciiCaseInsensitive);
}

bool BarrenPages::Note(std::size_t added) {
    m_run = added > 0 ? 0 : m_run + 1;
    return m_run >= WalkLimits::MaxPagesWithoutNewItems;
}

}  // namespace rongfan::walk
