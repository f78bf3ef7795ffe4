#pragma once
// A marketplace in memory for harvester tests: every address answers from a
// table, and every fetch and pause is recorded in one list, in order.
#include <algorithm>
#include <chrono>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "../support/RecorderWindow.h"
#include "walkers/SearchState.h"

namespace rongfan::testing {

class FakeMarket {
public:
    // The answers of `address`, one per request in turn; the last one repeats.
    void Answer(const std::string& address, std::vector<std::string> answers) {
        m_answers[address] = std::move(answers);
    }
    void Answer(const std::string& address, std::string answer) { m_answers[address] = {std::move(answer)}; }

    // A context over this market and a fresh window; `lines` are appended to
    // the item buffer in order, and the shop address is set.
    SearchContext Context(const std::vector<std::string>& lines, const std::string& shopAddress = "") {
        auto state = std::make_shared<SearchState>();
        for (const auto& line : lines)
            state->ItemIds().AppendUnique(line);
        window = std::make_shared<RecorderWindow>();
        window->shopAddress = shopAddress;
        SearchContext context;
        context.state = state;
        context.window = window;
        context.fetch = [this](std::string_view address) { return fetch(std::string(address)); };
        context.sleep = [this](std::chrono::milliseconds pause) {
            events.push_back("sleep " + std::to_string(pause.count()));
        };
        context.clearBrowserCache = [this](CacheMode) { events.push_back("clear cache"); };
        return context;
    }

    // The fetched addresses in order.
    std::vector<std::string> Fetches() const {
        std::vector<std::string> out;
        for (const auto& e : events)
            if (e.rfind("fetch ", 0) == 0) out.push_back(e.substr(6));
        return out;
    }
    int CountFetches(const std::string& address) const {
        int n = 0;
        for (const auto& e : events)
            n += e == "fetch " + address;
        return n;
    }

    // The window calls that wrote cells, "cell:<row>:<column>", in order.
    std::vector<std::string> CellWrites() const {
        std::vector<std::string> out;
        for (const auto& call : window->calls)
            if (call.rfind("cell:", 0) == 0) out.push_back(call);
        return out;
    }

    std::shared_ptr<RecorderWindow> window;
    std::vector<std::string> events;  // "fetch <address>" and "sleep <milliseconds>"

private:
    std::string fetch(const std::string& address) {
        events.push_back("fetch " + address);
        const auto it = m_answers.find(address);
        if (it == m_answers.end() || it->second.empty()) return {};
        const std::size_t served = m_served[address]++;
        return it->second[std::min(served, it->second.size() - 1)];
    }

    std::map<std::string, std::vector<std::string>> m_answers;
    std::map<std::string, std::size_t> m_served;
};

}  // namespace rongfan::testing
