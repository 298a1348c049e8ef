#pragma once

#include "velmora/stores.hpp"

#include <boost/asio/awaitable.hpp>

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace velmora {

// Durable stores: each keeps its whole table in one JSON file, read once on first use and
// rewritten whole, atomically and with mode 0600, on every change. A change reaches memory only
// after its file is written; a failed write throws the store's "could not be saved." error and
// leaves the store as it was. The one exception is the outbox's `removeAccepted`: it changes
// memory at once and its file write follows with the store's next change or load, within a
// second at the latest, or when the store is destroyed. A file that is there but cannot be read or
// decoded is never overwritten: the store object fails that call and every later one with its "is
// corrupt." error (code `outboxCorrupt`); a new object reads the file afresh. Only nothing at the
// path is an empty store, and that creates no file until the first change. A file of more than
// 64 MiB (64 * 1024 * 1024 bytes, far more than any real store holds) counts as unreadable: it is
// refused without being read into memory, with the same "is corrupt." error; a change that
// would make the file larger fails with the "could not be saved." error and changes nothing.
//
// Each store is an actor on a thread of its own: file I/O never blocks the caller's executor,
// and callers resume on their own executor. A store must outlive the calls made on it. Nothing
// coordinates two store objects on one file: make one per file.
//
// Without an explicit `fileURL`, the file lies in "Velmora" inside the per-user data directory:
// $XDG_DATA_HOME when it is an absolute path, else $HOME/.local/share. Construction touches no
// file and throws `VelmoraError` (`invalidConfig`) when neither variable gives a location.

/// "outbox.json": a JSON array of entries, in the order they were first saved.
class VelmoraJSONFileOutboxStore : public VelmoraOutboxStore {
public:
    explicit VelmoraJSONFileOutboxStore(std::optional<std::filesystem::path> fileURL = {});
    ~VelmoraJSONFileOutboxStore() override;
    VelmoraJSONFileOutboxStore(const VelmoraJSONFileOutboxStore&) = delete;
    VelmoraJSONFileOutboxStore& operator=(const VelmoraJSONFileOutboxStore&) = delete;

    boost::asio::awaitable<std::vector<VelmoraOutboxEntry>> load() override;
    boost::asio::awaitable<void> save(VelmoraOutboxEntry entry) override;
    boost::asio::awaitable<void> remove(std::string id) override;
    boost::asio::awaitable<void> removeAccepted(std::string id) override;

private:
    class Impl;
    std::unique_ptr<Impl> impl_;
};

/// "sessions.json": a JSON object from account scope to session.
class VelmoraJSONSessionStore : public VelmoraSessionStore {
public:
    explicit VelmoraJSONSessionStore(std::optional<std::filesystem::path> fileURL = {});
    ~VelmoraJSONSessionStore() override;
    VelmoraJSONSessionStore(const VelmoraJSONSessionStore&) = delete;
    VelmoraJSONSessionStore& operator=(const VelmoraJSONSessionStore&) = delete;

    boost::asio::awaitable<std::optional<VelmoraSession>> load(std::string accountScope) override;
    boost::asio::awaitable<void> save(VelmoraSession session, std::string accountScope) override;
    boost::asio::awaitable<void> remove(std::string accountScope) override;

private:
    class Impl;
    std::unique_ptr<Impl> impl_;
};

/// "pending-sessions.json": a JSON object from account scope to pending session start.
class VelmoraJSONPendingSessionStartStore : public VelmoraPendingSessionStartStore {
public:
    explicit VelmoraJSONPendingSessionStartStore(std::optional<std::filesystem::path> fileURL = {});
    ~VelmoraJSONPendingSessionStartStore() override;
    VelmoraJSONPendingSessionStartStore(const VelmoraJSONPendingSessionStartStore&) = delete;
    VelmoraJSONPendingSessionStartStore&
    operator=(const VelmoraJSONPendingSessionStartStore&) = delete;

    boost::asio::awaitable<std::optional<VelmoraPendingSessionStart>>
    load(std::string accountScope) override;
    boost::asio::awaitable<void> save(VelmoraPendingSessionStart pending) override;
    boost::asio::awaitable<void> remove(std::string accountScope) override;

private:
    class Impl;
    std::unique_ptr<Impl> impl_;
};

/// "pending-attachments.json": a JSON object from account scope to pending attachment send.
class VelmoraJSONPendingAttachmentStore : public VelmoraPendingAttachmentStore {
public:
    explicit VelmoraJSONPendingAttachmentStore(std::optional<std::filesystem::path> fileURL = {});
    ~VelmoraJSONPendingAttachmentStore() override;
    VelmoraJSONPendingAttachmentStore(const VelmoraJSONPendingAttachmentStore&) = delete;
    VelmoraJSONPendingAttachmentStore& operator=(const VelmoraJSONPendingAttachmentStore&) = delete;

    boost::asio::awaitable<std::optional<VelmoraPendingAttachmentSend>>
    load(std::string accountScope) override;
    boost::asio::awaitable<void> save(VelmoraPendingAttachmentSend pending) override;
    boost::asio::awaitable<void> remove(std::string accountScope) override;

private:
    class Impl;
    std::unique_ptr<Impl> impl_;
};

/// "pending-attachment-operations.json": a JSON object from account scope to pending attachment
/// operation.
class VelmoraJSONPendingAttachmentOperationStore : public VelmoraPendingAttachmentOperationStore {
public:
    explicit VelmoraJSONPendingAttachmentOperationStore(
        std::optional<std::filesystem::path> fileURL = {});
    ~VelmoraJSONPendingAttachmentOperationStore() override;
    VelmoraJSONPendingAttachmentOperationStore(const VelmoraJSONPendingAttachmentOperationStore&) =
        delete;
    VelmoraJSONPendingAttachmentOperationStore&
    operator=(const VelmoraJSONPendingAttachmentOperationStore&) = delete;

    boost::asio::awaitable<std::optional<VelmoraPendingAttachmentOperation>>
    load(std::string accountScope) override;
    boost::asio::awaitable<void> save(VelmoraPendingAttachmentOperation operation) override;
    boost::asio::awaitable<void> remove(std::string accountScope) override;

private:
    class Impl;
    std::unique_ptr<Impl> impl_;
};

} // namespace velmora
