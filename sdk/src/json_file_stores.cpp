#include "velmora/json_file_stores.hpp"

#include "detail/durable_record_codecs.hpp"
#include "detail/json_file_store.hpp"
#include "detail/model_codecs.hpp"
#include "detail/outbox_order.hpp"

#include <algorithm>
#include <map>
#include <memory>
#include <string_view>
#include <unordered_set>
#include <utility>

namespace velmora {
namespace {

using detail::json::value;

/// The outbox's entries in the order they were first saved, each beside its JSON text, so that
/// a save encodes only the entry it changes. Copies share the entries, so the store's copy of
/// the table before a change costs a pointer per entry.
class OutboxTable {
public:
    void upsert(VelmoraOutboxEntry entry) {
        auto item = std::make_shared<const Item>(Item{
            detail::writeJSON(detail::Codec<VelmoraOutboxEntry>::encode(entry)), std::move(entry)});
        auto found = std::find_if(items_.begin(), items_.end(),
                                  [&](const auto& e) { return e->entry.id == item->entry.id; });
        if (found != items_.end()) {
            *found = std::move(item);
        } else {
            items_.push_back(std::move(item));
        }
    }

    void erase(std::string_view id) {
        std::erase_if(items_, [&](const auto& e) { return e->entry.id == id; });
    }

    std::vector<VelmoraOutboxEntry> entries() const {
        std::vector<VelmoraOutboxEntry> result;
        result.reserve(items_.size());
        for (const auto& item : items_) {
            result.push_back(item->entry);
        }
        return result;
    }

    /// The bytes the JSON writer gives for the array of entries.
    void write(std::string& out) const {
        std::size_t size = 2 + items_.size();
        for (const auto& item : items_) {
            size += item->json.size();
        }
        out.reserve(out.size() + size);
        out += '[';
        for (std::size_t i = 0; i < items_.size(); ++i) {
            if (i != 0) {
                out += ',';
            }
            out += items_[i]->json;
        }
        out += ']';
    }

private:
    struct Item {
        std::string json;
        VelmoraOutboxEntry entry;
    };
    std::vector<std::shared_ptr<const Item>> items_;
};

/// The outbox file: an array of entries in the order they were first saved, so that entries
/// sharing a `createdAt` second load back in that order.
struct OutboxFormat {
    using Table = OutboxTable;
    static constexpr std::string_view fileName = "outbox.json";
    static constexpr std::string_view corruptMessage =
        "Velmora pending message storage is corrupt.";
    static constexpr std::string_view saveFailedMessage =
        "Velmora pending message storage could not be saved.";

    static Table decode(const value& json) {
        auto entries = detail::Codec<std::vector<VelmoraOutboxEntry>>::decode(json, "");
        std::unordered_set<std::string_view> ids;
        for (const auto& entry : entries) {
            if (!ids.insert(entry.id).second) {
                detail::throwDecoding(VelmoraDecodingError::Kind::dataCorrupted, "",
                                      "Two outbox entries share the id \"" + entry.id + "\".");
            }
        }
        Table table;
        for (auto& entry : entries) {
            table.upsert(std::move(entry));
        }
        return table;
    }
    static void write(const Table& table, std::string& out) { table.write(out); }
};

/// The other files: an object from account scope to the one record kept for it.
template <class Record> struct ScopedFormat {
    using Table = std::map<std::string, Record>;
    static Table decode(const value& json) { return detail::Codec<Table>::decode(json, ""); }
    static void write(const Table& table, std::string& out) {
        detail::writeJSON(out, detail::Codec<Table>::encode(table));
    }
};

struct SessionFormat : ScopedFormat<VelmoraSession> {
    static constexpr std::string_view fileName = "sessions.json";
    static constexpr std::string_view corruptMessage = "Velmora session storage is corrupt.";
    static constexpr std::string_view saveFailedMessage =
        "Velmora session storage could not be saved.";
};

struct PendingSessionStartFormat : ScopedFormat<VelmoraPendingSessionStart> {
    static constexpr std::string_view fileName = "pending-sessions.json";
    static constexpr std::string_view corruptMessage =
        "Velmora pending session storage is corrupt.";
    static constexpr std::string_view saveFailedMessage =
        "Velmora pending session storage could not be saved.";
};

struct PendingAttachmentFormat : ScopedFormat<VelmoraPendingAttachmentSend> {
    static constexpr std::string_view fileName = "pending-attachments.json";
    static constexpr std::string_view corruptMessage =
        "Velmora pending attachment storage is corrupt.";
    static constexpr std::string_view saveFailedMessage =
        "Velmora pending attachment storage could not be saved.";
};

struct PendingAttachmentOperationFormat : ScopedFormat<VelmoraPendingAttachmentOperation> {
    static constexpr std::string_view fileName = "pending-attachment-operations.json";
    static constexpr std::string_view corruptMessage =
        "Velmora pending attachment operation storage is corrupt.";
    static constexpr std::string_view saveFailedMessage =
        "Velmora pending attachment operation storage could not be saved.";
};

template <class Table> auto lookup(std::string accountScope) {
    return [accountScope = std::move(accountScope)](const Table& table) {
        auto found = table.find(accountScope);
        return found == table.end() ? std::nullopt : std::optional(found->second);
    };
}

template <class Table, class Record> auto assign(std::string accountScope, Record record) {
    return [accountScope = std::move(accountScope), record = std::move(record)](Table& table) {
        table.insert_or_assign(accountScope, record);
    };
}

template <class Table> auto erase(std::string accountScope) {
    return [accountScope = std::move(accountScope)](Table& table) { table.erase(accountScope); };
}

} // namespace

// Each public store is a thin face over the one generic file store.

class VelmoraJSONFileOutboxStore::Impl : public detail::JSONFileStore<OutboxFormat> {
    using JSONFileStore::JSONFileStore;
};

VelmoraJSONFileOutboxStore::VelmoraJSONFileOutboxStore(std::optional<std::filesystem::path> fileURL)
    : impl_(std::make_unique<Impl>(std::move(fileURL))) {}

VelmoraJSONFileOutboxStore::~VelmoraJSONFileOutboxStore() = default;

boost::asio::awaitable<std::vector<VelmoraOutboxEntry>> VelmoraJSONFileOutboxStore::load() {
    return impl_->read(
        [](const OutboxTable& table) { return detail::sortedByCreatedAt(table.entries()); });
}

boost::asio::awaitable<void> VelmoraJSONFileOutboxStore::save(VelmoraOutboxEntry entry) {
    return impl_->change(
        [entry = std::move(entry)](OutboxTable& table) mutable { table.upsert(std::move(entry)); });
}

boost::asio::awaitable<void> VelmoraJSONFileOutboxStore::remove(std::string id) {
    return impl_->change([id = std::move(id)](OutboxTable& table) { table.erase(id); });
}

boost::asio::awaitable<void> VelmoraJSONFileOutboxStore::removeAccepted(std::string id) {
    return impl_->changeLater([id = std::move(id)](OutboxTable& table) { table.erase(id); });
}

class VelmoraJSONSessionStore::Impl : public detail::JSONFileStore<SessionFormat> {
    using JSONFileStore::JSONFileStore;
};

VelmoraJSONSessionStore::VelmoraJSONSessionStore(std::optional<std::filesystem::path> fileURL)
    : impl_(std::make_unique<Impl>(std::move(fileURL))) {}

VelmoraJSONSessionStore::~VelmoraJSONSessionStore() = default;

boost::asio::awaitable<std::optional<VelmoraSession>>
VelmoraJSONSessionStore::load(std::string accountScope) {
    return impl_->read(lookup<SessionFormat::Table>(std::move(accountScope)));
}

boost::asio::awaitable<void> VelmoraJSONSessionStore::save(VelmoraSession session,
                                                           std::string accountScope) {
    return impl_->change(assign<SessionFormat::Table>(std::move(accountScope), std::move(session)));
}

boost::asio::awaitable<void> VelmoraJSONSessionStore::remove(std::string accountScope) {
    return impl_->change(erase<SessionFormat::Table>(std::move(accountScope)));
}

class VelmoraJSONPendingSessionStartStore::Impl
    : public detail::JSONFileStore<PendingSessionStartFormat> {
    using JSONFileStore::JSONFileStore;
};

VelmoraJSONPendingSessionStartStore::VelmoraJSONPendingSessionStartStore(
    std::optional<std::filesystem::path> fileURL)
    : impl_(std::make_unique<Impl>(std::move(fileURL))) {}

VelmoraJSONPendingSessionStartStore::~VelmoraJSONPendingSessionStartStore() = default;

boost::asio::awaitable<std::optional<VelmoraPendingSessionStart>>
VelmoraJSONPendingSessionStartStore::load(std::string accountScope) {
    return impl_->read(lookup<PendingSessionStartFormat::Table>(std::move(accountScope)));
}

boost::asio::awaitable<void>
VelmoraJSONPendingSessionStartStore::save(VelmoraPendingSessionStart pending) {
    auto key = pending.accountScope;
    return impl_->change(
        assign<PendingSessionStartFormat::Table>(std::move(key), std::move(pending)));
}

boost::asio::awaitable<void> VelmoraJSONPendingSessionStartStore::remove(std::string accountScope) {
    return impl_->change(erase<PendingSessionStartFormat::Table>(std::move(accountScope)));
}

class VelmoraJSONPendingAttachmentStore::Impl
    : public detail::JSONFileStore<PendingAttachmentFormat> {
    using JSONFileStore::JSONFileStore;
};

VelmoraJSONPendingAttachmentStore::VelmoraJSONPendingAttachmentStore(
    std::optional<std::filesystem::path> fileURL)
    : impl_(std::make_unique<Impl>(std::move(fileURL))) {}

VelmoraJSONPendingAttachmentStore::~VelmoraJSONPendingAttachmentStore() = default;

boost::asio::awaitable<std::optional<VelmoraPendingAttachmentSend>>
VelmoraJSONPendingAttachmentStore::load(std::string accountScope) {
    return impl_->read(lookup<PendingAttachmentFormat::Table>(std::move(accountScope)));
}

boost::asio::awaitable<void>
VelmoraJSONPendingAttachmentStore::save(VelmoraPendingAttachmentSend pending) {
    auto key = pending.accountScope;
    return impl_->change(
        assign<PendingAttachmentFormat::Table>(std::move(key), std::move(pending)));
}

boost::asio::awaitable<void> VelmoraJSONPendingAttachmentStore::remove(std::string accountScope) {
    return impl_->change(erase<PendingAttachmentFormat::Table>(std::move(accountScope)));
}

class VelmoraJSONPendingAttachmentOperationStore::Impl
    : public detail::JSONFileStore<PendingAttachmentOperationFormat> {
    using JSONFileStore::JSONFileStore;
};

VelmoraJSONPendingAttachmentOperationStore::VelmoraJSONPendingAttachmentOperationStore(
    std::optional<std::filesystem::path> fileURL)
    : impl_(std::make_unique<Impl>(std::move(fileURL))) {}

VelmoraJSONPendingAttachmentOperationStore::~VelmoraJSONPendingAttachmentOperationStore() = default;

boost::asio::awaitable<std::optional<VelmoraPendingAttachmentOperation>>
VelmoraJSONPendingAttachmentOperationStore::load(std::string accountScope) {
    return impl_->read(lookup<PendingAttachmentOperationFormat::Table>(std::move(accountScope)));
}

boost::asio::awaitable<void>
VelmoraJSONPendingAttachmentOperationStore::save(VelmoraPendingAttachmentOperation operation) {
    auto key = operation.accountScope;
    return impl_->change(
        assign<PendingAttachmentOperationFormat::Table>(std::move(key), std::move(operation)));
}

boost::asio::awaitable<void>
VelmoraJSONPendingAttachmentOperationStore::remove(std::string accountScope) {
    return impl_->change(erase<PendingAttachmentOperationFormat::Table>(std::move(accountScope)));
}

} // namespace velmora
