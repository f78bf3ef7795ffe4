#pragma once
// The one-shot timer protocol of a search. A step is armed by writing a period;
// writing the period the timer already has changes nothing, so a running
// countdown is not restarted; writing another period starts counting afresh
// from that moment; 0 stops it. Each tick first writes 0 itself.
//
// The countdown runs on the Qt event loop, or on a ManualTimeline when one
// exists at construction, so tests can step time and observe tick order.
#include <QObject>
#include <QTimer>
#include <cstdint>

namespace rongfan {

class ManualTimeline;

class StepTimer : public QObject {
    Q_OBJECT
public:
    explicit StepTimer(QObject* parent = nullptr);
    ~StepTimer() override;

    int Period() const { return m_period; }
    void SetPeriod(int milliseconds);

signals:
    void Tick();

private:
    friend class ManualTimeline;
    void fire();

    int m_period = 0;
    QTimer m_timer;
    ManualTimeline* m_timeline = nullptr;
    std::int64_t m_due = 0;      // on the manual timeline
    std::uint64_t m_armedAt = 0; // arming order, for ticks due at the same moment
};

}  // namespace rongfan
