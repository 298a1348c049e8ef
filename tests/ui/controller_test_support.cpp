#include "controller_test_support.hpp"

#include "detail/uuid.hpp"

#include <boost/asio/bind_cancellation_slot.hpp>
#include <boost/asio/redirect_error.hpp>
#include <boost/asio/this_coro.hpp>
#include <boost/asio/use_awaitable.hpp>
#include <boost/system/system_error.hpp>

namespace velmora::testing {

asio::awaitable<void> Gate::park(bool throughCancellation) {
    if (open_) {
        co_return;
    }
    auto timer = std::make_shared<asio::steady_timer>(co_await asio::this_coro::executor,
                                                      asio::steady_timer::time_point::max());
    timers_.push_back(timer);
    boost::system::error_code ec;
    if (throughCancellation) {
        // A slot of its own, connected to nothing: the task's cancellation never reaches the wait.
        co_await timer->async_wait(asio::bind_cancellation_slot(
            asio::cancellation_slot(), asio::redirect_error(asio::use_awaitable, ec)));
    } else {
        co_await timer->async_wait(asio::redirect_error(asio::use_awaitable, ec));
    }
    std::erase(timers_, timer);
}

asio::awaitable<void> Gate::wait() {
    co_await park(false);
    if (!open_) {
        throw boost::system::system_error(asio::error::operation_aborted);
    }
}

asio::awaitable<void> Gate::waitThroughCancellation() {
    co_await park(true);
}

void Gate::open() {
    open_ = true;
    for (const auto& timer : timers_) {
        timer->cancel();
    }
}

TemporaryDirectory::TemporaryDirectory()
    : path_(std::filesystem::temp_directory_path() /
            ("velmora-controller-" + detail::uuidString())) {
    std::filesystem::create_directories(path_);
}

TemporaryDirectory::~TemporaryDirectory() {
    std::error_code ec;
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(path_, ec);
}

void runUntil(asio::io_context& io, const std::function<bool()>& done) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) {
            FAIL() << "the condition did not come true";
        }
        io.restart();
        io.run_one_for(std::chrono::milliseconds(50));
    }
}

void drain(asio::io_context& io) {
    io.restart();
    while (io.poll() > 0) {
        io.restart();
    }
}

VelmoraSnapshot snapshotWithMessages(std::size_t count, const std::string& sessionId) {
    VelmoraSnapshot snapshot;
    snapshot.sessionId = sessionId;
    snapshot.conversationId = "c-1";
    for (std::size_t i = 0; i < count; ++i) {
        VelmoraMessage message;
        message.id = "m-" + std::to_string(i);
        message.conversationId = "c-1";
        message.direction = i % 2 == 0 ? "outbound" : "inbound";
        message.bodyText = "Message number " + std::to_string(i) + " of the conversation.";
        message.sentAt = "2026-01-01T00:00:00Z";
        message.deliveryStatus = "delivered";
        snapshot.messages.push_back(std::move(message));
    }
    return snapshot;
}

} // namespace velmora::testing
