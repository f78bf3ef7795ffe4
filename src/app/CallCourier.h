#pragma once
// Carries routines from any thread to the thread a QObject lives on (the GUI
// thread for everything in this program) and runs them there from its event
// loop, in the order they were posted. Each call travels as an event of ours
// that the poster builds completely before it posts it, so the hand-over can be
// annotated for ThreadSanitizer (see HandOver.h): what the poster wrote before
// posting is seen by the call, and what the call wrote is seen by a poster that
// waited for it.
//
// A call that never runs (DiscardPending, or the courier destroyed with calls
// still queued) is still settled, so a poster waiting on it always wakes up.
#include <QObject>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>

namespace rongfan {

class CallCourier final : public QObject {
public:
    // Settled once its call has run or has been thrown away.
    class Completion {
    public:
        // Blocks until settled; true when the call ran.
        bool Wait();

    private:
        friend class CallCourier;
        void settle(bool ran);

        std::mutex m_mutex;
        std::condition_variable m_settledChanged;
        bool m_settled = false;
        bool m_ran = false;
    };

    // Lives on the thread that creates it, like any QObject.
    explicit CallCourier(QObject* parent = nullptr);
    ~CallCourier() override;

    // Any thread. The caller may ignore the completion when it need not wait.
    std::shared_ptr<Completion> Post(std::function<void()> call);

    // On the courier's thread: calls still queued are settled without running.
    void DiscardPending();

protected:
    bool event(QEvent* event) override;

private:
    class Event;
};

}  // namespace rongfan
