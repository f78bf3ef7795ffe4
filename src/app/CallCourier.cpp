#include "app/CallCourier.h"

#include <QCoreApplication>
#include <QEvent>

#include "app/HandOver.h"

namespace rongfan {
namespace {

QEvent::Type CallEventType() {
    static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

}  // namespace

// One posted call. Qt deletes it after delivering it, or when it drops it
// unrun; either way the destructor settles the completion.
class CallCourier::Event final : public QEvent {
public:
    Event(std::function<void()> call, std::shared_ptr<Completion> completion)
        : QEvent(CallEventType()), m_call(std::move(call)), m_completion(std::move(completion)) {}
    Event(const Event&) = delete;
    Event& operator=(const Event&) = delete;
    ~Event() override {
        // A discarded call is destroyed without having run: its captures and
        // the event's memory were still last written by the poster.
        HandOverAcquire(static_cast<QEvent*>(this));
        // Whatever the call holds goes before its poster may carry on.
        m_call = nullptr;
        m_completion->settle(m_ran);
    }

    void Run() {
        m_call();
        m_ran = true;
    }

private:
    std::function<void()> m_call;
    std::shared_ptr<Completion> m_completion;
    bool m_ran = false;
};

bool CallCourier::Completion::Wait() {
    std::unique_lock lock(m_mutex);
    m_settledChanged.wait(lock, [this] { return m_settled; });
    return m_ran;
}

void CallCourier::Completion::settle(bool ran) {
    {
        std::lock_guard lock(m_mutex);
        m_settled = true;
        m_ran = ran;
    }
    m_settledChanged.notify_all();
}

CallCourier::CallCourier(QObject* parent) : QObject(parent) {}

// QObject's destructor drops whatever is still queued; doing it here already
// settles those calls while this object is still whole.
CallCourier::~CallCourier() { DiscardPending(); }

std::shared_ptr<CallCourier::Completion> CallCourier::Post(std::function<void()> call) {
    auto completion = std::make_shared<Completion>();
    auto* posted = new Event(std::move(call), completion);
    // Everything the call will read has been written by now, the event itself
    // included; after postEvent the event belongs to the receiving thread.
    HandOverRelease(static_cast<QEvent*>(posted));
    QCoreApplication::postEvent(this, posted);
    return completion;
}

void CallCourier::DiscardPending() { QCoreApplication::removePostedEvents(this, CallEventType()); }

bool CallCourier::event(QEvent* event) {
    // Even the event's type was written by the poster. Acquiring on an address
    // nobody released on (an event that is not ours) does nothing.
    HandOverAcquire(event);
    if (event->type() != CallEventType()) return QObject::event(event);
    static_cast<Event*>(event)->Run();
    return true;
}

}  // namespace rongfan
