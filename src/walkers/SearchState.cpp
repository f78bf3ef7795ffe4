#include "walkers/SearchState.h"

#include <thread>

namespace rongfan {

std::string SearchState::SearchUrl() const {
    std::lock_guard lock(m_mutex);
    return m_searchUrl;
}

void SearchState::SetSearchUrl(std::string url) {
    std::lock_guard lock(m_mutex);
    m_searchUrl = std::move(url);
}

std::string SearchState::CapturedPage() const {
    std::lock_guard lock(m_mutex);
    return m_capturedPage;
}

void SearchState::SetCapturedPage(std::string page) {
    std::lock_guard lock(m_mutex);
    m_capturedPage = std::move(page);
}

SearchContext SearchContext::Make(std::shared_ptr<SearchState> state, std::shared_ptr<SearchWindow> window) {
    SearchContext context;
    context.state = std::move(state);
    context.window = std::move(window);
    context.fetch = [](std::string_view address) { return HttpFetch(address); };
    context.sleep = [](std::chrono::milliseconds pause) { std::this_thread::sleep_for(pause); };
    context.clearBrowserCache = [](CacheMode mode) { ClearBrowserCache(mode); };
    return context;
}

}  // namespace rongfan
