#pragma once

#include "velmora/durable_records.hpp"
#include "velmora/models.hpp"

#include <boost/asio/awaitable.hpp>

#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace velmora {

// Where the client keeps its durable state. The host picks an implementation of each (in
// memory, JSON files, or its own) and hands it to the client, which reaches it only through
// these interfaces. Every operation may suspend and may throw `VelmoraError` for a storage
// failure (code `outboxCorrupt`); a missing key is never an error. Each store serialises its
// own operations; sequences of calls (load, decide, save) are made exclusive by the client.

/// The messages waiting for the service's acceptance, of every account scope and session,
/// keyed by the entry's `id`.
class VelmoraOutboxStore {
public:
    virtual ~VelmoraOutboxStore() = default;

    /// Every entry, sorted by `createdAt` (compared as text); entries with the same `createdAt`
    /// keep the order in which they were first saved.
    virtual boost::asio::awaitable<std::vector<VelmoraOutboxEntry>> load() = 0;
    /// Inserts the entry, or replaces the one with the same `id` (which keeps its place).
    virtual boost::asio::awaitable<void> save(VelmoraOutboxEntry entry) = 0;
    virtual boost::asio::awaitable<void> remove(std::string id) = 0;
    /// Removes an entry the service has accepted. Unlike `remove`, it may return before the
    /// removal is durable: an entry that comes back after a crash is sent again under its own
    /// idempotency key, which the service recognises. By default it is `remove`.
    virtual boost::asio::awaitable<void> removeAccepted(std::string id) {
        return remove(std::move(id));
    }
};

/// The current session per account scope.
class VelmoraSessionStore {
public:
    virtual ~VelmoraSessionStore() = default;

    virtual boost::asio::awaitable<std::optional<VelmoraSession>>
    load(std::string accountScope) = 0;
    virtual boost::asio::awaitable<void> save(VelmoraSession session, std::string accountScope) = 0;
    virtual boost::asio::awaitable<void> remove(std::string accountScope) = 0;
};

/// The pending session start per account scope, keyed by the record's own `accountScope`.
class VelmoraPendingSessionStartStore {
public:
    virtual ~VelmoraPendingSessionStartStore() = default;

    virtual boost::asio::awaitable<std::optional<VelmoraPendingSessionStart>>
    load(std::string accountScope) = 0;
    virtual boost::asio::awaitable<void> save(VelmoraPendingSessionStart pending) = 0;
    virtual boost::asio::awaitable<void> remove(std::string accountScope) = 0;
};

/// The pending attachment send per account scope, keyed by the record's own `accountScope`.
class VelmoraPendingAttachmentStore {
public:
    virtual ~VelmoraPendingAttachmentStore() = default;

    virtual boost::asio::awaitable<std::optional<VelmoraPendingAttachmentSend>>
    load(std::string accountScope) = 0;
    virtual boost::asio::awaitable<void> save(VelmoraPendingAttachmentSend pending) = 0;
    virtual boost::asio::awaitable<void> remove(std::string accountScope) = 0;
};

/// The pending attachment operation per account scope, keyed by the record's own
/// `accountScope`.
class VelmoraPendingAttachmentOperationStore {
public:
    virtual ~VelmoraPendingAttachmentOperationStore() = default;

    virtual boost::asio::awaitable<std::optional<VelmoraPendingAttachmentOperation>>
    load(std::string accountScope) = 0;
    virtual boost::asio::awaitable<void> save(VelmoraPendingAttachmentOperation operation) = 0;
    virtual boost::asio::awaitable<void> remove(std::string accountScope) = 0;
};

// In-memory stores: forget everything when the process ends; never throw. Their operations
// never suspend, so a mutex around the table keeps each one whole.

class VelmoraMemoryOutbox : public VelmoraOutboxStore {
public:
    boost::asio::awaitable<std::vector<VelmoraOutboxEntry>> load() override;
    boost::asio::awaitable<void> save(VelmoraOutboxEntry entry) override;
    boost::asio::awaitable<void> remove(std::string id) override;

private:
    std::mutex mutex_;
    /// In the order entries were first saved.
    std::vector<VelmoraOutboxEntry> values_;
};

class VelmoraMemorySessionStore : public VelmoraSessionStore {
public:
    boost::asio::awaitable<std::optional<VelmoraSession>> load(std::string accountScope) override;
    boost::asio::awaitable<void> save(VelmoraSession session, std::string accountScope) override;
    boost::asio::awaitable<void> remove(std::string accountScope) override;

private:
    std::mutex mutex_;
    std::map<std::string, VelmoraSession> values_;
};

class VelmoraMemoryPendingSessionStartStore : public VelmoraPendingSessionStartStore {
public:
    boost::asio::awaitable<std::optional<VelmoraPendingSessionStart>>
    load(std::string accountScope) override;
    boost::asio::awaitable<void> save(VelmoraPendingSessionStart pending) override;
    boost::asio::awaitable<void> remove(std::string accountScope) override;

private:
    std::mutex mutex_;
    std::map<std::string, VelmoraPendingSessionStart> values_;
};

class VelmoraMemoryPendingAttachmentStore : public VelmoraPendingAttachmentStore {
public:
    boost::asio::awaitable<std::optional<VelmoraPendingAttachmentSend>>
    load(std::string accountScope) override;
    boost::asio::awaitable<void> save(VelmoraPendingAttachmentSend pending) override;
    boost::asio::awaitable<void> remove(std::string accountScope) override;

private:
    std::mutex mutex_;
    std::map<std::string, VelmoraPendingAttachmentSend> values_;
};

class VelmoraMemoryPendingAttachmentOperationStore : public VelmoraPendingAttachmentOperationStore {
public:
    boost::asio::awaitable<std::optional<VelmoraPendingAttachmentOperation>>
    load(std::string accountScope) override;
    boost::asio::awaitable<void> save(VelmoraPendingAttachmentOperation operation) override;
    boost::asio::awaitable<void> remove(std::string accountScope) override;

private:
    std::mutex mutex_;
    std::map<std::string, VelmoraPendingAttachmentOperation> values_;
};

} // namespace velmora
