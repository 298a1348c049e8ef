#pragma once

#include "velmora/error.hpp"
#include "velmora/ui/widget_draft_store.hpp"

#include <boost/asio/any_io_executor.hpp>

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace velmora::detail {

/// The writes of one drafts file, one at a time and in the order they were asked for: either on
/// the caller's thread (`write`, after every earlier write has ended) or on a writer thread of
/// its own (`enqueue`). Writes asked for while one runs are folded into the next, which carries
/// the newest states, so the file always ends up with the last of them.
///
/// Every member is called on the one thread that owns the store (the widget's main thread); only
/// the writer thread's loop runs elsewhere, and it shares nothing with the caller but the queue
/// under the lock and the immutable states it was handed.
class DraftFileWrites : public std::enable_shared_from_this<DraftFileWrites> {
public:
    using States = std::map<std::string, std::shared_ptr<const VelmoraWidgetDraftState>>;
    /// Writes the whole file from `states`; answers its failure. Called on either thread.
    using WriteStates = std::function<std::optional<VelmoraError>(const States&)>;
    using Completion = VelmoraWidgetDraftStore::WriteCompletion;

    explicit DraftFileWrites(WriteStates writeStates);
    /// Finishes what is queued, then joins the writer thread.
    ~DraftFileWrites();
    DraftFileWrites(const DraftFileWrites&) = delete;
    DraftFileWrites& operator=(const DraftFileWrites&) = delete;

    /// Queues a write of `states` on the writer thread. `done` runs on `executor` once the write
    /// carrying these states has ended, with its failure; with nothing when a later write has
    /// ended since (its outcome is the one that counts).
    void enqueue(States states, boost::asio::any_io_executor executor, Completion done);

    /// Writes `states` on this thread, after every queued write.
    std::optional<VelmoraError> write(const States& states);

    /// Blocks until every queued write has ended.
    void waitForPendingWrites();

    /// Ends the writer thread once it has written what is queued. Idempotent.
    void stop();

    /// The last failure, until a later write succeeds (a queued write's outcome counts once it
    /// has been delivered or waited for).
    const std::optional<VelmoraError>& persistenceError() const { return persistenceError_; }
    void setPersistenceError(std::optional<VelmoraError> error) {
        persistenceError_ = std::move(error);
    }

private:
    struct Waiter {
        boost::asio::any_io_executor executor; // tracks work until the completion has run
        Completion done;
    };
    // No default member initialisers: `std::optional<Job>` needs it default-constructible
    // while this class is still incomplete.
    struct Job {
        States states;
        std::uint64_t sequence;
        std::vector<Waiter> waiters;
    };

    void run();
    /// Records the outcome of write `sequence` unless a later one is already recorded; answers
    /// whether `sequence` is the latest recorded write.
    bool record(std::uint64_t sequence, const std::optional<VelmoraError>& failure);

    const WriteStates writeStates_;

    // The owning thread's own.
    std::uint64_t nextSequence_ = 0;
    std::uint64_t recordedSequence_ = 0;
    std::optional<VelmoraError> persistenceError_;
    std::thread thread_;

    // Shared with the writer thread, under `mutex_`.
    std::mutex mutex_;
    std::condition_variable wake_; // a job is queued, or stopping
    std::condition_variable idle_; // a job has ended
    std::optional<Job> queued_;
    bool busy_ = false;
    bool stopping_ = false;
    std::uint64_t finishedSequence_ = 0;
    std::optional<VelmoraError> finishedFailure_;
};

} // namespace velmora::detail
