#pragma once
// What the page-handling fuzz targets share: a check that aborts (so libFuzzer
// keeps the input), an input cut into pages at a separator line, and a fetch
// that answers each request with the next page.
//
// The pages of an input are separated by a line holding only "@@", so a seed
// is a readable file of real-looking pages one after the other.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#define FUZZ_CHECK(condition)                                                                                          \
    do {                                                                                                               \
        if (!(condition)) {                                                                                            \
            std::fprintf(stderr, "check failed at %s:%d: %s\n", __FILE__, __LINE__, #condition);                       \
            std::abort();                                                                                              \
        }                                                                                                              \
    } while (0)

namespace rongfan::fuzz {

inline constexpr std::string_view PageSeparator = "\n@@\n";

inline std::vector<std::string> SplitPages(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    std::vector<std::string> pages;
    std::size_t from = 0;
    for (;;) {
        const std::size_t at = input.find(PageSeparator, from);
        if (at == std::string_view::npos) {
            pages.emplace_back(input.substr(from));
            return pages;
        }
        pages.emplace_back(input.substr(from, at - from));
        from = at + PageSeparator.size();
    }
}

// Answers fetches in order with the pages it was given; once they are used up
// every fetch fails (empty bytes), as a marketplace that stopped answering.
class PageFeed {
public:
    explicit PageFeed(std::vector<std::string> pages, std::size_t first = 0)
        : m_pages(std::move(pages)), m_next(first) {}

    std::string Next() {
        ++m_fetches;
        if (m_next < m_pages.size()) return m_pages[m_next++];
        ++m_fetchesAfterEnd;
        return {};
    }
    std::string Take(std::size_t index) const { return index < m_pages.size() ? m_pages[index] : std::string(); }

    std::size_t Fetches() const { return m_fetches; }
    // Fetches answered with nothing because the input had no page left.
    std::size_t FetchesAfterEnd() const { return m_fetchesAfterEnd; }

private:
    std::vector<std::string> m_pages;
    std::size_t m_next;
    std::size_t m_fetches = 0;
    std::size_t m_fetchesAfterEnd = 0;
};

}  // namespace rongfan::fuzz
