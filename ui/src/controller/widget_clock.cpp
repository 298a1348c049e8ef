#include "velmora/ui/widget_clock.hpp"

#include <boost/asio/redirect_error.hpp>
#include <boost/asio/steady_timer.hpp>
#include <boost/asio/this_coro.hpp>
#include <boost/asio/use_awaitable.hpp>
#include <boost/system/system_error.hpp>

#include <map>

namespace velmora {

namespace asio = boost::asio;

Date VelmoraSystemWidgetClock::now() const {
    return std::chrono::system_clock::now();
}

asio::awaitable<void> VelmoraSystemWidgetClock::sleep(Duration duration) {
    asio::steady_timer timer(co_await asio::this_coro::executor, duration);
    co_await timer.async_wait(asio::use_awaitable);
}

namespace detail {

// The manual clock's state, kept out of the installed header.
class ManualWidgetClockCore {
public:
    using Duration = VelmoraWidgetClock::Duration;

    explicit ManualWidgetClockCore(Date start);
    ~ManualWidgetClockCore();
    ManualWidgetClockCore(const ManualWidgetClockCore&) = delete;
    ManualWidgetClockCore& operator=(const ManualWidgetClockCore&) = delete;

    Date now() const;
    asio::awaitable<void> sleep(Duration duration);
    void advance(Duration duration);
    std::size_t pendingSleeps() const;

private:
    struct Sleeper;
    Date now_;
    Duration elapsed_{};
    std::uint64_t nextId_ = 0;
    std::map<std::uint64_t, std::shared_ptr<Sleeper>> sleepers_;
};

} // namespace detail

// A sleeper waits on a timer that never expires by itself: `advance` cancels it once its end
// is reached, and `reached` tells that wake-up from a cancellation of the sleep itself.
struct detail::ManualWidgetClockCore::Sleeper {
    Duration end;
    asio::steady_timer timer;
    bool reached = false;
};

detail::ManualWidgetClockCore::ManualWidgetClockCore(Date start) : now_(start) {}

detail::ManualWidgetClockCore::~ManualWidgetClockCore() {
    for (auto& [id, sleeper] : sleepers_) {
        sleeper->timer.cancel();
    }
}

Date detail::ManualWidgetClockCore::now() const {
    return now_ + std::chrono::duration_cast<Date::duration>(elapsed_);
}

asio::awaitable<void> detail::ManualWidgetClockCore::sleep(Duration duration) {
    const std::uint64_t id = ++nextId_;
    auto sleeper =
        std::make_shared<Sleeper>(Sleeper{elapsed_ + duration,
                                          asio::steady_timer(co_await asio::this_coro::executor,
                                                             asio::steady_timer::time_point::max()),
                                          duration <= Duration::zero()});
    if (!sleeper->reached) {
        sleepers_.emplace(id, sleeper);
        boost::system::error_code ec;
        co_await sleeper->timer.async_wait(asio::redirect_error(asio::use_awaitable, ec));
        sleepers_.erase(id);
    }
    if (!sleeper->reached) {
        throw boost::system::system_error(asio::error::operation_aborted);
    }
}

void detail::ManualWidgetClockCore::advance(Duration duration) {
    elapsed_ += duration;
    for (auto& [id, sleeper] : sleepers_) {
        if (!sleeper->reached && sleeper->end <= elapsed_) {
            sleeper->reached = true;
            sleeper->timer.cancel();
        }
    }
}

std::size_t detail::ManualWidgetClockCore::pendingSleeps() const {
    std::size_t count = 0;
    for (const auto& [id, sleeper] : sleepers_) {
        count += sleeper->reached ? 0 : 1;
    }
    return count;
}

VelmoraManualWidgetClock::VelmoraManualWidgetClock(Date start)
    : core_(std::make_unique<detail::ManualWidgetClockCore>(start)) {}

VelmoraManualWidgetClock::~VelmoraManualWidgetClock() = default;

Date VelmoraManualWidgetClock::now() const {
    return core_->now();
}

asio::awaitable<void> VelmoraManualWidgetClock::sleep(Duration duration) {
    return core_->sleep(duration);
}

void VelmoraManualWidgetClock::advance(Duration duration) {
    core_->advance(duration);
}

std::size_t VelmoraManualWidgetClock::pendingSleeps() const {
    return core_->pendingSleeps();
}

} // namespace velmora
