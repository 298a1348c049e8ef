#pragma once

#include "velmora/types.hpp"

#include <boost/asio/awaitable.hpp>

#include <chrono>
#include <cstddef>
#include <memory>

namespace velmora {
namespace detail {
class ManualWidgetClockCore;
}

/// Where the widget controller reads the time and waits. Tests install
/// `VelmoraManualWidgetClock` and move time by hand, so long time-outs run without waiting.
class VelmoraWidgetClock {
public:
    using Duration = std::chrono::steady_clock::duration;

    virtual ~VelmoraWidgetClock() = default;

    /// The wall-clock time (for the start times written into drafts).
    virtual Date now() const = 0;

    /// Completes once `duration` has passed, on the awaiting coroutine's executor. Supports
    /// terminal, partial and total cancellation: a cancelled sleep fails with
    /// `boost::asio::error::operation_aborted`.
    virtual boost::asio::awaitable<void> sleep(Duration duration) = 0;
};

/// The real time: `system_clock` and an Asio steady timer.
class VelmoraSystemWidgetClock final : public VelmoraWidgetClock {
public:
    Date now() const override;
    boost::asio::awaitable<void> sleep(Duration duration) override;
};

/// A clock that moves only when told. Every member must be called on the executor the sleepers
/// run on (the controller's main executor).
class VelmoraManualWidgetClock final : public VelmoraWidgetClock {
public:
    explicit VelmoraManualWidgetClock(Date start = Date{} + std::chrono::hours(24 * 365 * 56));
    ~VelmoraManualWidgetClock() override;

    Date now() const override;
    boost::asio::awaitable<void> sleep(Duration duration) override;

    /// Moves the time forward; every sleep whose end has been reached completes (through the
    /// executor, never inside this call).
    void advance(Duration duration);

    /// How many sleeps are waiting.
    std::size_t pendingSleeps() const;

private:
    std::unique_ptr<detail::ManualWidgetClockCore> core_;
};

} // namespace velmora
