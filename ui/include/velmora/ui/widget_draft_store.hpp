#pragma once

#include "velmora/error.hpp"
#include "velmora/models.hpp"

#include <boost/asio/any_io_executor.hpp>

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velmora {

class VelmoraClient;
class VelmoraWidgetClient;

/// What sending a stored draft will do.
enum class VelmoraWidgetDraftOperation {
    sessionStart, ///< "sessionStart": the first message of a conversation still to be started
    message,      ///< "message": a message into the session named by `targetSessionId`
};

std::string_view rawValue(VelmoraWidgetDraftOperation operation) noexcept;
std::optional<VelmoraWidgetDraftOperation>
velmoraWidgetDraftOperationFromRawValue(std::string_view text) noexcept;

/// One stored composer draft. A typed draft has no key; the message of a started send keeps
/// its idempotency key and start time until it is delivered.
struct VelmoraWidgetDraftState {
    std::string text;
    std::optional<std::string> idempotencyKey;
    std::optional<std::string> startedAt;
    std::vector<VelmoraAttachmentDraft> attachments;
    VelmoraWidgetDraftOperation operation = VelmoraWidgetDraftOperation::sessionStart;
    std::optional<std::string> targetSessionId;

    friend bool operator==(const VelmoraWidgetDraftState&,
                           const VelmoraWidgetDraftState&) = default;
};

/// JSON form: "text", "idempotencyKey", "startedAt", "attachments", "operation",
/// "targetSessionId" (absent optionals left out). Decoding needs "text", "attachments" and
/// "operation", ignores unknown keys and throws `VelmoraDecodingError` otherwise.
std::string encodeJSON(const VelmoraWidgetDraftState& value);
VelmoraWidgetDraftState decodeWidgetDraftState(std::string_view json);

/// Writes the whole drafts file so that it is either replaced entirely or left as it was;
/// throws on failure.
using VelmoraWidgetDraftFileWriter =
    std::function<void(const std::filesystem::path& file, std::string_view bytes)>;

namespace detail {
class WidgetDraftStoreCore;
}

/// The drafts of every conversation identity, in one JSON file ("widget-drafts.json" in the
/// "Velmora" data directory by default) that is read once and rewritten whole after each
/// change.
///
/// Threading: every call, and every completion of `saveInBackground`, runs on one thread (the
/// widget's main thread); the store has no lock. `save` and `clear` write on that thread;
/// `saveInBackground` leaves the write to a writer thread that the store owns (started on first
/// use, joined when the store goes, after it has written what is queued). Writes keep their
/// order either way: `save` and `clear` first wait for every background write.
///
/// Failures are never thrown: `save` and `clear` answer the failure of their own write, and
/// `persistenceError` holds the last failure until a later write succeeds.
/// - Nothing at the path: an empty store.
/// - A file that is there but cannot be read: "Velmora widget draft storage could not be
///   read."; the store works in memory and never writes over that file.
/// - A file that cannot be decoded: "Velmora widget draft storage is corrupt."; the file is
///   kept under a new name beside it ("widget-drafts.json.corrupt-" plus a UUID) and the store
///   starts empty, so later drafts are saved again.
/// - A failed write: "Velmora widget draft storage could not be saved."; the change is kept in
///   memory and the next change writes again.
class VelmoraWidgetDraftStore {
public:
    /// Receives the failure of a background write, or nothing.
    using WriteCompletion = std::function<void(std::optional<VelmoraError> failure)>;

    /// A store in memory only: no file is read or written.
    VelmoraWidgetDraftStore();
    /// A store over `fileURL`; nothing is read before the first use.
    explicit VelmoraWidgetDraftStore(std::filesystem::path fileURL);
    /// The same with the file written by `writeFile` instead of an atomic replace with fsync:
    /// for tests and benchmarks that stand in for a slow or failing disk. `writeFile` runs on the
    /// calling thread or on the store's writer thread.
    VelmoraWidgetDraftStore(std::filesystem::path fileURL, VelmoraWidgetDraftFileWriter writeFile);
    /// Waits for the background write, if one is queued or running.
    ~VelmoraWidgetDraftStore();
    VelmoraWidgetDraftStore(const VelmoraWidgetDraftStore&) = delete;
    VelmoraWidgetDraftStore& operator=(const VelmoraWidgetDraftStore&) = delete;

    /// The store of the process, at the default location (in memory only when the platform
    /// gives no data directory). Created on first use.
    static const std::shared_ptr<VelmoraWidgetDraftStore>& shared();

    std::optional<VelmoraWidgetDraftState> state(const VelmoraWidgetClient& client);
    std::optional<VelmoraWidgetDraftState> state(const VelmoraClient& client);

    /// Stores `state` for the client's identity; a state with empty text and no attachments
    /// clears instead. Answers this write's failure, if any.
    std::optional<VelmoraError> save(const VelmoraWidgetDraftState& state,
                                     const VelmoraWidgetClient& client);
    std::optional<VelmoraError> save(const VelmoraWidgetDraftState& state,
                                     const VelmoraClient& client);

    /// Removes the client's draft and writes the file in any case.
    std::optional<VelmoraError> clear(const VelmoraWidgetClient& client);
    std::optional<VelmoraError> clear(const VelmoraClient& client);

    /// `save` without waiting for the disk: the change is in memory at once and the file is
    /// written on the writer thread. Changes made while a write runs go into the next one, so
    /// the last change always reaches the file. `done` runs on `executor` once the write that
    /// carries this change has ended, with that write's failure; with nothing when it
    /// succeeded, when no file is written, or when a later write has ended since.
    void saveInBackground(const VelmoraWidgetDraftState& state, const VelmoraWidgetClient& client,
                          boost::asio::any_io_executor executor, WriteCompletion done);

    /// Blocks until every background write has ended.
    void waitForPendingWrites();

    /// The last failure, until a later write succeeds. A background write's outcome counts
    /// from its completion (or from `waitForPendingWrites`).
    const std::optional<VelmoraError>& persistenceError() const;

    /// The file behind the store, if any.
    const std::optional<std::filesystem::path>& fileURL() const;

private:
    std::unique_ptr<detail::WidgetDraftStoreCore> core_;
};

} // namespace velmora
