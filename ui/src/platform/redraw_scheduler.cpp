#include "platform/redraw_scheduler.hpp"

#include <QMetaObject>

namespace velmora::detail {

RedrawScheduler::RedrawScheduler(QObject* owner, std::function<void()> redraw)
    : owner_(owner), redraw_(std::move(redraw)) {}

RedrawScheduler::~RedrawScheduler() {
    // A call still queued on the owner finds the flag cleared and this scheduler gone.
    *pending_ = false;
}

void RedrawScheduler::request() {
    if (*pending_)
        return;
    *pending_ = true;
    std::weak_ptr<bool> alive = pending_;
    QMetaObject::invokeMethod(
        owner_,
        [this, alive] {
            const auto pending = alive.lock();
            if (!pending || !*pending)
                return;
            *pending = false;
            ++redraws_;
            redraw_();
        },
        Qt::QueuedConnection);
}

} // namespace velmora::detail
