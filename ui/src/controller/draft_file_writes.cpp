#include "controller/draft_file_writes.hpp"

#include <boost/asio/execution/outstanding_work.hpp>
#include <boost/asio/post.hpp>
#include <boost/asio/prefer.hpp>

namespace velmora::detail {

namespace asio = boost::asio;

DraftFileWrites::DraftFileWrites(WriteStates writeStates) : writeStates_(std::move(writeStates)) {}

DraftFileWrites::~DraftFileWrites() {
    stop();
}

void DraftFileWrites::enqueue(States states, asio::any_io_executor executor, Completion done) {
    // Like any pending asynchronous operation, an unfinished write keeps its executor busy.
    Waiter waiter{asio::prefer(std::move(executor), asio::execution::outstanding_work.tracked),
                  std::move(done)};
    {
        std::lock_guard lock(mutex_);
        if (!queued_) {
            queued_.emplace(Job{{}, 0, {}});
        }
        // A write that has not started yet simply takes the newer states.
        queued_->states = std::move(states);
        queued_->sequence = ++nextSequence_;
        queued_->waiters.push_back(std::move(waiter));
    }
    if (!thread_.joinable()) {
        thread_ = std::thread([this] { run(); });
    }
    wake_.notify_one();
}

std::optional<VelmoraError> DraftFileWrites::write(const States& states) {
    waitForPendingWrites();
    const std::uint64_t sequence = ++nextSequence_;
    auto failure = writeStates_(states);
    record(sequence, failure);
    return failure;
}

void DraftFileWrites::waitForPendingWrites() {
    std::unique_lock lock(mutex_);
    idle_.wait(lock, [this] { return !queued_ && !busy_; });
    const std::uint64_t sequence = finishedSequence_;
    auto failure = finishedFailure_;
    lock.unlock();
    record(sequence, failure);
}

void DraftFileWrites::stop() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_one();
    if (thread_.joinable()) {
        thread_.join();
    }
}

bool DraftFileWrites::record(std::uint64_t sequence, const std::optional<VelmoraError>& failure) {
    if (sequence > recordedSequence_) {
        recordedSequence_ = sequence;
        persistenceError_ = failure;
    }
    return sequence == recordedSequence_;
}

void DraftFileWrites::run() {
    for (;;) {
        Job job{{}, 0, {}};
        {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [this] { return queued_ || stopping_; });
            if (!queued_) {
                return; // stopping, and everything asked for is written
            }
            job = std::move(*queued_);
            queued_.reset();
            busy_ = true;
        }
        auto failure = writeStates_(job.states);
        job.states.clear();
        // The outcomes are on their way before anyone waiting is told the write has ended, so
        // a thread that waited and then runs its executor sees them.
        for (auto& waiter : job.waiters) {
            auto executor = waiter.executor;
            asio::post(executor, [self = shared_from_this(), sequence = job.sequence, failure,
                                  waiter = std::move(waiter)]() mutable {
                const bool latest = self->record(sequence, failure);
                waiter.done(latest ? failure : std::nullopt);
            });
        }
        {
            std::lock_guard lock(mutex_);
            busy_ = false;
            finishedSequence_ = job.sequence;
            finishedFailure_ = failure;
        }
        idle_.notify_all();
    }
}

} // namespace velmora::detail
