#pragma once
// Steps the three walkers share: turning a fetch into page text, reading a page
// counter, making the address of page n, and ending a walk that finds nothing.
#include <cstdint>
#include <string>
#include <string_view>

#include "walkers/SearchState.h"

namespace rongfan::walk {

// The fetched bytes as a text (up to the first zero byte), without a second copy.
std::string FetchPage(const SearchContext& context, std::string_view address);

// The page count behind `marker`: the second piece after it, of that the first
// piece before `end`, of that the second piece after "/", read as a number.
// A count that reads as 0 (missing, empty or not a number) is 1; a negative
// count stays negative, and then no page is walked.
std::int32_t ReadPageCount(std::string_view page, std::string_view marker, std::string_view end);

// `firstPageAddress` with every "pageNo=1" (any letter case) made "pageNo=<n>".
std::string PageAddress(std::string_view firstPageAddress, std::int64_t pageNumber);

// Counts the pages in a row that added nothing to the item buffer.
class BarrenPages {
public:
    // Returns true when the walk should stop after this page.
    bool Note(std::size_t added);

private:
    int m_run = 0;
};

}  // namespace rongfan::walk
