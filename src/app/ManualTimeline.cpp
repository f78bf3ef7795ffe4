#include "app/ManualTimeline.h"

#include <algorithm>
#include <cassert>

#include "app/StepTimer.h"

namespace rongfan {
namespace {
ManualTimeline* current = nullptr;
}

ManualTimeline::ManualTimeline() {
    assert(current == nullptr);
    current = this;
}

ManualTimeline::~ManualTimeline() {
    for (StepTimer* timer : m_timers) timer->m_timeline = nullptr;
    current = nullptr;
}

ManualTimeline* ManualTimeline::Current() { return current; }

void ManualTimeline::attach(StepTimer* timer) { m_timers.push_back(timer); }

void ManualTimeline::detach(StepTimer* timer) { std::erase(m_timers, timer); }

void ManualTimeline::armed(StepTimer* timer) {
    timer->m_due = m_now + timer->m_period;
    timer->m_armedAt = ++m_armings;
}

void ManualTimeline::Advance(std::int64_t milliseconds) {
    const std::int64_t target = m_now + std::max<std::int64_t>(0, milliseconds);
    for (;;) {
        StepTimer* next = nullptr;
        for (StepTimer* timer : m_timers) {
            if (timer->m_period == 0 || timer->m_due > target) continue;
            if (!next || timer->m_due < next->m_due ||
                (timer->m_due == next->m_due && timer->m_armedAt < next->m_armedAt))
                next = timer;
        }
        if (!next) break;
        m_now = next->m_due;
        // Like a periodic system timer: without a new period written, it comes
        // round again one period later.
        next->m_due += next->m_period;
        next->fire();  // may destroy `next` or other timers; the list is searched afresh
    }
    m_now = target;
}

}  // namespace rongfan
