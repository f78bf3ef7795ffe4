#pragma once
// A marketplace for walker tests: answers fetches from a table, and records
// every fetch, cache clearing and pause in one ordered list of events.
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "support/RecorderWindow.h"
#include "walkers/SearchState.h"

namespace rongfan::testing {

class FakeMarket {
public:
    // Answers for `address`, given out in order; the last one repeats. An
    // address with no answers reads as a failed fetch (empty).
    void Answer(const std::string& address, std::vector<std::string> answers) {
        std::lock_guard l(m_mutex);
        m_answers[address] = {std::move(answers), 0};
    }

    std::vector<std::string> Events() const {
        std::lock_guard l(m_mutex);
        return m_events;
    }
    std::vector<std::string> Fetches() const {
        std::lock_guard l(m_mutex);
        std::vector<std::string> out;
        for (const std::string& e : m_events) {
            if (e.rfind("GET ", 0) == 0) out.push_back(e.substr(4));
        }
        return out;
    }
    int FetchCount(const std::string& address) const {
        int n = 0;
        for (const std::string& a : Fetches())
            n += a == address ? 1 : 0;
        return n;
    }

    // A context whose host services are this marketplace, over a fresh state
    // and a recorder window holding `shopAddress` and `capturedPage`.
    SearchContext Context(const std::string& shopAddress, const std::string& capturedPage) {
        SearchContext context;
        context.state = std::make_shared<SearchState>();
        context.state->SetCapturedPage(capturedPage);
        auto window = std::make_shared<RecorderWindow>();
        window->shopAddress = shopAddress;
        context.window = window;
        context.fetch = [this](std::string_view address) { return fetch(std::string(address)); };
        context.sleep = [this](std::chrono::milliseconds pause) { record("sleep " + std::to_string(pause.count())); };
        context.clearBrowserCache = [this](CacheMode mode) {
            record(mode == CacheMode::TemporaryFiles ? "clear temporary" : "clear cookies");
        };
        return context;
    }

private:
    Bytes fetch(const std::string& address) {
        std::lock_guard l(m_mutex);
        m_events.push_back("GET " + address);
        auto it = m_answers.find(address);
        if (it == m_answers.end() || it->second.answers.empty()) return {};
        Queue& q = it->second;
        const std::string& answer = q.answers[std::min(q.next, q.answers.size() - 1)];
        ++q.next;
        return answer;
    }
    void record(std::string event) {
        std::lock_guard l(m_mutex);
        m_events.push_back(std::move(event));
    }

    struct Queue {
        std::vector<std::string> answers;
        std::size_t next = 0;
    };
    mutable std::mutex m_mutex;
    std::map<std::string, Queue> m_answers;
    std::vector<std::string> m_events;
};

inline RecorderWindow& Recorder(const SearchContext& context) {
    return static_cast<RecorderWindow&>(*context.window);
}

}  // namespace rongfan::testing
