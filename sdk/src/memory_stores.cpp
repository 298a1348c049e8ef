#include "velmora/stores.hpp"

#include "detail/outbox_order.hpp"

#include <utility>

namespace velmora {
namespace {

template <class Record>
std::optional<Record> find(std::mutex& mutex, const std::map<std::string, Record>& values,
                           const std::string& accountScope) {
    std::lock_guard guard(mutex);
    auto found = values.find(accountScope);
    if (found == values.end()) {
        return std::nullopt;
    }
    return found->second;
}

template <class Record>
void put(std::mutex& mutex, std::map<std::string, Record>& values, std::string accountScope,
         Record record) {
    std::lock_guard guard(mutex);
    values.insert_or_assign(std::move(accountScope), std::move(record));
}

template <class Record>
void erase(std::mutex& mutex, std::map<std::string, Record>& values,
           const std::string& accountScope) {
    std::lock_guard guard(mutex);
    values.erase(accountScope);
}

} // namespace

boost::asio::awaitable<std::vector<VelmoraOutboxEntry>> VelmoraMemoryOutbox::load() {
    std::vector<VelmoraOutboxEntry> copy;
    {
        std::lock_guard guard(mutex_);
        copy = values_;
    }
    co_return detail::sortedByCreatedAt(std::move(copy));
}

boost::asio::awaitable<void> VelmoraMemoryOutbox::save(VelmoraOutboxEntry entry) {
    {
        std::lock_guard guard(mutex_);
        detail::upsertOutboxEntry(values_, std::move(entry));
    }
    co_return;
}

boost::asio::awaitable<void> VelmoraMemoryOutbox::remove(std::string id) {
    {
        std::lock_guard guard(mutex_);
        detail::eraseOutboxEntry(values_, id);
    }
    co_return;
}

boost::asio::awaitable<std::optional<VelmoraSession>>
VelmoraMemorySessionStore::load(std::string accountScope) {
    co_return find(mutex_, values_, accountScope);
}

boost::asio::awaitable<void> VelmoraMemorySessionStore::save(VelmoraSession session,
                                                             std::string accountScope) {
    put(mutex_, values_, std::move(accountScope), std::move(session));
    co_return;
}

boost::asio::awaitable<void> VelmoraMemorySessionStore::remove(std::string accountScope) {
    erase(mutex_, values_, accountScope);
    co_return;
}

boost::asio::awaitable<std::optional<VelmoraPendingSessionStart>>
VelmoraMemoryPendingSessionStartStore::load(std::string accountScope) {
    co_return find(mutex_, values_, accountScope);
}

boost::asio::awaitable<void>
VelmoraMemoryPendingSessionStartStore::save(VelmoraPendingSessionStart pending) {
    auto key = pending.accountScope;
    put(mutex_, values_, std::move(key), std::move(pending));
    co_return;
}

boost::asio::awaitable<void>
VelmoraMemoryPendingSessionStartStore::remove(std::string accountScope) {
    erase(mutex_, values_, accountScope);
    co_return;
}

boost::asio::awaitable<std::optional<VelmoraPendingAttachmentSend>>
VelmoraMemoryPendingAttachmentStore::load(std::string accountScope) {
    co_return find(mutex_, values_, accountScope);
}

boost::asio::awaitable<void>
VelmoraMemoryPendingAttachmentStore::save(VelmoraPendingAttachmentSend pending) {
    auto key = pending.accountScope;
    put(mutex_, values_, std::move(key), std::move(pending));
    co_return;
}

boost::asio::awaitable<void> VelmoraMemoryPendingAttachmentStore::remove(std::string accountScope) {
    erase(mutex_, values_, accountScope);
    co_return;
}

boost::asio::awaitable<std::optional<VelmoraPendingAttachmentOperation>>
VelmoraMemoryPendingAttachmentOperationStore::load(std::string accountScope) {
    co_return find(mutex_, values_, accountScope);
}

boost::asio::awaitable<void>
VelmoraMemoryPendingAttachmentOperationStore::save(VelmoraPendingAttachmentOperation operation) {
    auto key = operation.accountScope;
    put(mutex_, values_, std::move(key), std::move(operation));
    co_return;
}

boost::asio::awaitable<void>
VelmoraMemoryPendingAttachmentOperationStore::remove(std::string accountScope) {
    erase(mutex_, values_, accountScope);
    co_return;
}

} // namespace velmora
