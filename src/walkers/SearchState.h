#pragma once
// The state of one search that the window (or the CLI) owns and the worker
// routines share: SearchUrl, CapturedPage and ItemIdBuffer.
#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "capture/SearchWindow.h"
#include "host/Host.h"
#include "host/HttpFetch.h"
#include "walkers/ItemIdBuffer.h"

namespace rongfan {

class SearchState {
public:
    std::string SearchUrl() const;
    void SetSearchUrl(std::string url);
    std::string CapturedPage() const;
    void SetCapturedPage(std::string page);

    ItemIdBuffer& ItemIds() { return m_itemIds; }
    const ItemIdBuffer& ItemIds() const { return m_itemIds; }

private:
    mutable std::mutex m_mutex;
    std::string m_searchUrl;
    std::string m_capturedPage;
    ItemIdBuffer m_itemIds;
};

// What a worker routine runs with. Copied into the worker, so everything it
// points at stays alive for as long as the worker runs.
struct SearchContext {
    std::shared_ptr<SearchState> state;
    std::shared_ptr<SearchWindow> window;
    FetchFunction fetch;                                     // HttpFetch unless a test answers
    std::function<void(std::chrono::milliseconds)> sleep;    // std::this_thread::sleep_for unless a test counts
    std::function<void(CacheMode)> clearBrowserCache;        // ClearBrowserCache unless a test records

    // A context over the real host services.
    static SearchContext Make(std::shared_ptr<SearchState> state, std::shared_ptr<SearchWindow> window);
};

}  // namespace rongfan
