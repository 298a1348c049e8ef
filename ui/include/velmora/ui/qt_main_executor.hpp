#pragma once

#include <boost/asio/execution.hpp>
#include <boost/asio/execution_context.hpp>

#include <cstddef>
#include <memory>
#include <type_traits>
#include <utility>

namespace velmora {

namespace detail {

/// A handler waiting in the Qt event queue; move-only, type-erased.
class QtPostedHandler {
public:
    virtual ~QtPostedHandler() = default;
    virtual void invoke() = 0;
};

template <class F> class QtPostedHandlerOf final : public QtPostedHandler {
public:
    explicit QtPostedHandlerOf(F&& f) : f_(std::move(f)) {}
    explicit QtPostedHandlerOf(const F& f) : f_(f) {}
    void invoke() override { std::move(f_)(); }

private:
    F f_;
};

} // namespace detail

class VelmoraQtMainExecutor;

/// The widget's "main" execution context in a Qt application: every handler submitted through
/// its executor runs later, on the thread of the Qt event loop that owns the context (the GUI
/// thread), one per posted event, in submission order. Nothing ever runs inline from the caller.
///
/// Create it on the GUI thread once the QCoreApplication exists, and keep it alive as long as
/// anything may submit work to it; destroying it destroys the handlers still queued without
/// running them. Submitting work is safe from any thread. Asio timers and I/O objects built on
/// its executor complete through the Qt event loop too (their reactor runs on a thread Asio
/// owns, which the context joins when it is destroyed).
class VelmoraQtExecutionContext : public boost::asio::execution_context {
public:
    using executor_type = VelmoraQtMainExecutor;

    VelmoraQtExecutionContext();
    ~VelmoraQtExecutionContext();
    VelmoraQtExecutionContext(const VelmoraQtExecutionContext&) = delete;
    VelmoraQtExecutionContext& operator=(const VelmoraQtExecutionContext&) = delete;

    executor_type get_executor() noexcept;

    /// True on the thread whose event loop runs this context's handlers.
    bool runningInThisThread() const noexcept;

    /// Handlers queued and not yet run, plus executors that track outstanding work.
    std::size_t outstandingWork() const noexcept;

    // Used by the executor.
    void post(std::unique_ptr<detail::QtPostedHandler> handler);
    void workStarted() noexcept;
    void workFinished() noexcept;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

/// A standard Asio executor (usable in `boost::asio::any_io_executor`, with `co_spawn`, `post`,
/// `dispatch`, `defer` and timers) that posts onto the Qt event loop of its context.
/// Its blocking property is always `never`, so even `dispatch` queues the handler.
class VelmoraQtMainExecutor {
public:
    explicit VelmoraQtMainExecutor(VelmoraQtExecutionContext& context,
                                   bool tracksWork = false) noexcept
        : context_(&context), tracksWork_(tracksWork) {
        if (tracksWork_)
            context_->workStarted();
    }
    VelmoraQtMainExecutor(const VelmoraQtMainExecutor& other) noexcept
        : context_(other.context_), tracksWork_(other.tracksWork_) {
        if (tracksWork_)
            context_->workStarted();
    }
    VelmoraQtMainExecutor(VelmoraQtMainExecutor&& other) noexcept
        : context_(other.context_), tracksWork_(std::exchange(other.tracksWork_, false)) {}
    VelmoraQtMainExecutor& operator=(const VelmoraQtMainExecutor& other) noexcept {
        if (this != &other) {
            VelmoraQtMainExecutor copy(other);
            swap(copy);
        }
        return *this;
    }
    VelmoraQtMainExecutor& operator=(VelmoraQtMainExecutor&& other) noexcept {
        if (this != &other) {
            VelmoraQtMainExecutor moved(std::move(other));
            swap(moved);
        }
        return *this;
    }
    ~VelmoraQtMainExecutor() {
        if (tracksWork_)
            context_->workFinished();
    }

    VelmoraQtExecutionContext& context() const noexcept { return *context_; }
    bool runningInThisThread() const noexcept { return context_->runningInThisThread(); }

    // Properties.
    VelmoraQtExecutionContext& query(boost::asio::execution::context_t) const noexcept {
        return *context_;
    }
    static constexpr boost::asio::execution::blocking_t
    query(boost::asio::execution::blocking_t) noexcept {
        return boost::asio::execution::blocking.never;
    }
    VelmoraQtMainExecutor require(boost::asio::execution::blocking_t::never_t) const noexcept {
        return *this;
    }
    static constexpr boost::asio::execution::relationship_t
    query(boost::asio::execution::relationship_t) noexcept {
        return boost::asio::execution::relationship.fork;
    }
    boost::asio::execution::outstanding_work_t
    query(boost::asio::execution::outstanding_work_t) const noexcept {
        return tracksWork_ ? boost::asio::execution::outstanding_work_t(
                                 boost::asio::execution::outstanding_work.tracked)
                           : boost::asio::execution::outstanding_work_t(
                                 boost::asio::execution::outstanding_work.untracked);
    }
    VelmoraQtMainExecutor
    require(boost::asio::execution::outstanding_work_t::tracked_t) const noexcept {
        return VelmoraQtMainExecutor(*context_, true);
    }
    VelmoraQtMainExecutor
    require(boost::asio::execution::outstanding_work_t::untracked_t) const noexcept {
        return VelmoraQtMainExecutor(*context_, false);
    }

    template <class F> void execute(F&& f) const {
        using Handler = std::decay_t<F>;
        context_->post(std::make_unique<detail::QtPostedHandlerOf<Handler>>(std::forward<F>(f)));
    }

    friend bool operator==(const VelmoraQtMainExecutor& a,
                           const VelmoraQtMainExecutor& b) noexcept {
        return a.context_ == b.context_ && a.tracksWork_ == b.tracksWork_;
    }
    friend bool operator!=(const VelmoraQtMainExecutor& a,
                           const VelmoraQtMainExecutor& b) noexcept {
        return !(a == b);
    }

private:
    void swap(VelmoraQtMainExecutor& other) noexcept {
        std::swap(context_, other.context_);
        std::swap(tracksWork_, other.tracksWork_);
    }

    VelmoraQtExecutionContext* context_;
    bool tracksWork_;
};

inline VelmoraQtMainExecutor VelmoraQtExecutionContext::get_executor() noexcept {
    return VelmoraQtMainExecutor(*this);
}

} // namespace velmora
