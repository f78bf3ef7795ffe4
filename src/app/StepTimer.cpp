#include "app/StepTimer.h"

#include "app/ManualTimeline.h"

namespace rongfan {

StepTimer::StepTimer(QObject* parent) : QObject(parent), m_timeline(ManualTimeline::Current()) {
    // A coarse timer may come up to 5 % early or late; the chain's one-second
    // steps and 100 ms polls should come when written.
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &StepTimer::fire);
    if (m_timeline) m_timeline->attach(this);
}

StepTimer::~StepTimer() {
    if (m_timeline) m_timeline->detach(this);
}

void StepTimer::SetPeriod(int milliseconds) {
    milliseconds = std::max(0, milliseconds);
    if (milliseconds == m_period) return;
    m_period = milliseconds;
    if (m_timeline) {
        if (m_period > 0) m_timeline->armed(this);
        return;
    }
    if (m_period == 0)
        m_timer.stop();
    else
        m_timer.start(m_period);
}

void StepTimer::fire() {
    if (m_period == 0) return;
    emit Tick();
}

}  // namespace rongfan
