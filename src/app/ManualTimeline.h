#pragma once
// A clock that only moves when told to. While one exists, newly created
// StepTimers count on it instead of on the event loop; Advance() fires every
// tick that falls due, one at a time and each at its own moment, in time order.
#include <cstdint>
#include <vector>

namespace rongfan {

class StepTimer;

class ManualTimeline {
public:
    ManualTimeline();
    ~ManualTimeline();
    ManualTimeline(const ManualTimeline&) = delete;
    ManualTimeline& operator=(const ManualTimeline&) = delete;

    static ManualTimeline* Current();

    std::int64_t Now() const { return m_now; }
    void Advance(std::int64_t milliseconds);

private:
    friend class StepTimer;
    void attach(StepTimer* timer);
    void detach(StepTimer* timer);
    void armed(StepTimer* timer);

    std::int64_t m_now = 0;
    std::uint64_t m_armings = 0;
    std::vector<StepTimer*> m_timers;
};

}  // namespace rongfan
