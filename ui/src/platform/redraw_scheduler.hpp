#pragma once

#include <QObject>

#include <functional>
#include <memory>

namespace velmora::detail {

/// Coalesces a view's redraw requests into one redraw on the next turn of the event loop.
///
/// State changes only ask for a redraw; the view rebuilds itself later, from a posted call,
/// never from inside the signal or callback that asked. So a control whose own click removes it
/// (a retry button) is never deleted while its click handler is still on the stack, and a burst
/// of changes in one turn redraws once. Belongs to the thread of `owner`; when `owner` (or this
/// scheduler) is destroyed first, the pending redraw is dropped.
class RedrawScheduler {
public:
    RedrawScheduler(QObject* owner, std::function<void()> redraw);
    ~RedrawScheduler();
    RedrawScheduler(const RedrawScheduler&) = delete;
    RedrawScheduler& operator=(const RedrawScheduler&) = delete;

    /// Asks for one redraw; further requests before it runs are merged into it.
    void request();
    /// True while a redraw is queued and has not run.
    bool pending() const noexcept { return *pending_; }
    /// Redraws that have run so far.
    int redrawCount() const noexcept { return redraws_; }

private:
    QObject* owner_;
    std::function<void()> redraw_;
    std::shared_ptr<bool> pending_ = std::make_shared<bool>(false);
    int redraws_ = 0;
};

} // namespace velmora::detail
