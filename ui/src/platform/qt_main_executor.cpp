#include "velmora/ui/qt_main_executor.hpp"

#include <QCoreApplication>
#include <QEvent>
#include <QObject>
#include <QThread>

#include <atomic>

#if defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define VELMORA_TSAN 1
#endif
#elif defined(__SANITIZE_THREAD__)
#define VELMORA_TSAN 1
#endif
#ifdef VELMORA_TSAN
#include <sanitizer/tsan_interface.h>
#endif

namespace velmora {

namespace {

// Qt hands a posted event to the receiving thread under its own lock, which ThreadSanitizer cannot
// see in an uninstrumented Qt; these mark that hand-over so the handler's state reads as published.
void publishToReceiver([[maybe_unused]] QEvent* event) {
#ifdef VELMORA_TSAN
    __tsan_release(event);
#endif
}

void receiveFromPoster([[maybe_unused]] QEvent* event) {
#ifdef VELMORA_TSAN
    __tsan_acquire(event);
#endif
}

QEvent::Type postedHandlerEventType() {
    static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

// Owns its handler: Qt deletes a posted event it never delivers (its receiver went away), which
// destroys the handler without running it, as a stopped io_context does.
class PostedHandlerEvent final : public QEvent {
public:
    PostedHandlerEvent(std::unique_ptr<detail::QtPostedHandler> handler,
                       std::shared_ptr<std::atomic<std::size_t>> queued)
        : QEvent(postedHandlerEventType()), handler_(std::move(handler)),
          queued_(std::move(queued)) {}
    ~PostedHandlerEvent() override { queued_->fetch_sub(1, std::memory_order_acq_rel); }

    std::unique_ptr<detail::QtPostedHandler> take() { return std::move(handler_); }

private:
    std::unique_ptr<detail::QtPostedHandler> handler_;
    std::shared_ptr<std::atomic<std::size_t>> queued_;
};

class HandlerReceiver final : public QObject {
public:
    bool event(QEvent* e) override {
        receiveFromPoster(e);
        if (e->type() != postedHandlerEventType())
            return QObject::event(e);
        // Taken out first: the handler may post more work or destroy things that are queued.
        if (auto handler = static_cast<PostedHandlerEvent*>(e)->take())
            handler->invoke();
        return true;
    }
};

} // namespace

struct VelmoraQtExecutionContext::Impl {
    std::unique_ptr<HandlerReceiver> receiver = std::make_unique<HandlerReceiver>();
    std::shared_ptr<std::atomic<std::size_t>> queued =
        std::make_shared<std::atomic<std::size_t>>(0);
    std::atomic<std::size_t> trackingExecutors{0};
    std::atomic<bool> closed{false};
};

VelmoraQtExecutionContext::VelmoraQtExecutionContext() : impl_(std::make_unique<Impl>()) {
    if (auto* app = QCoreApplication::instance(); app && impl_->receiver->thread() != app->thread())
        impl_->receiver->moveToThread(app->thread());
}

VelmoraQtExecutionContext::~VelmoraQtExecutionContext() {
    impl_->closed.store(true, std::memory_order_release);
    // Queued handlers go first (Qt drops the events of a deleted receiver), while the services
    // they may still refer to (timers) exist; then the services stop as in any execution context.
    impl_->receiver.reset();
    shutdown();
    destroy();
}

bool VelmoraQtExecutionContext::runningInThisThread() const noexcept {
    return impl_->receiver && QThread::currentThread() == impl_->receiver->thread();
}

std::size_t VelmoraQtExecutionContext::outstandingWork() const noexcept {
    return impl_->queued->load(std::memory_order_acquire) +
           impl_->trackingExecutors.load(std::memory_order_acquire);
}

void VelmoraQtExecutionContext::post(std::unique_ptr<detail::QtPostedHandler> handler) {
    if (impl_->closed.load(std::memory_order_acquire))
        return; // the handler is destroyed unrun, as after io_context::stop and destruction
    impl_->queued->fetch_add(1, std::memory_order_acq_rel);
    auto event = std::make_unique<PostedHandlerEvent>(std::move(handler), impl_->queued);
    publishToReceiver(event.get());
    // Qt takes ownership of the posted event.
    QCoreApplication::postEvent(impl_->receiver.get(), event.release());
}

void VelmoraQtExecutionContext::workStarted() noexcept {
    impl_->trackingExecutors.fetch_add(1, std::memory_order_acq_rel);
}

void VelmoraQtExecutionContext::workFinished() noexcept {
    impl_->trackingExecutors.fetch_sub(1, std::memory_order_acq_rel);
}

} // namespace velmora
