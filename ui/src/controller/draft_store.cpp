#include "velmora/ui/widget_draft_store.hpp"

#include "controller/draft_file_writes.hpp"

#include "detail/enum_text.hpp"
#include "detail/model_codecs.hpp"
#include "detail/record_codec.hpp"
#include "detail/store_file.hpp"
#include "detail/uuid.hpp"
#include "velmora/client.hpp"
#include "velmora/ui/widget_client.hpp"

#include <boost/asio/post.hpp>
#include <boost/describe/class.hpp>

#include <array>
#include <map>
#include <system_error>

namespace velmora {

BOOST_DESCRIBE_STRUCT(VelmoraWidgetDraftState, (),
                      (text, idempotencyKey, startedAt, attachments, operation, targetSessionId))

} // namespace velmora

namespace velmora::detail {

template <> struct Codec<VelmoraWidgetDraftOperation> {
    static json::value encode(const VelmoraWidgetDraftOperation& value) {
        return json::string(rawValue(value));
    }
    static VelmoraWidgetDraftOperation decode(const json::value& json, const std::string& path) {
        return decodeEnumText(json, path, &velmoraWidgetDraftOperationFromRawValue);
    }
};

} // namespace velmora::detail

namespace velmora {
namespace {

constexpr std::array<std::string_view, 2> kDraftOperationTexts = {"sessionStart", "message"};

constexpr std::string_view kFileName = "widget-drafts.json";
constexpr std::string_view kUnreadableMessage = "Velmora widget draft storage could not be read.";
constexpr std::string_view kCorruptMessage = "Velmora widget draft storage is corrupt.";
constexpr std::string_view kSaveFailedMessage = "Velmora widget draft storage could not be saved.";

VelmoraError storageError(std::string_view message) {
    return VelmoraError(VelmoraErrorCode::outboxCorrupt, std::nullopt, std::nullopt,
                        std::string(message));
}

using DraftFile = std::map<std::string, VelmoraWidgetDraftState>;

DraftFile decodeFile(std::string_view bytes) {
    return detail::Codec<DraftFile>::decode(detail::parseJSON(bytes), "");
}

std::string encodeFile(const detail::DraftFileWrites::States& states) {
    detail::json::object file;
    file.reserve(states.size());
    for (const auto& [identity, state] : states) {
        file.emplace(identity, detail::Codec<VelmoraWidgetDraftState>::encode(*state));
    }
    return detail::writeJSON(file);
}

// Encodes and writes the whole file; touches nothing but its arguments, so it runs on either
// thread.
detail::DraftFileWrites::WriteStates fileWriter(std::optional<std::filesystem::path> file,
                                                VelmoraWidgetDraftFileWriter writeFile) {
    return [file = std::move(file), writeFile = std::move(writeFile)](
               const detail::DraftFileWrites::States& states) -> std::optional<VelmoraError> {
        if (!file) {
            return std::nullopt;
        }
        try {
            writeFile(*file, encodeFile(states));
        } catch (const std::exception&) {
            return storageError(kSaveFailedMessage);
        }
        return std::nullopt;
    };
}

} // namespace

std::string_view rawValue(VelmoraWidgetDraftOperation operation) noexcept {
    return kDraftOperationTexts[static_cast<std::size_t>(operation)];
}

std::optional<VelmoraWidgetDraftOperation>
velmoraWidgetDraftOperationFromRawValue(std::string_view text) noexcept {
    return detail::enumFromText<VelmoraWidgetDraftOperation>(kDraftOperationTexts, text);
}

std::string encodeJSON(const VelmoraWidgetDraftState& value) {
    return detail::encodeRecord(value);
}

VelmoraWidgetDraftState decodeWidgetDraftState(std::string_view json) {
    return detail::decodeRecord<VelmoraWidgetDraftState>(json);
}

namespace detail {

// The store's state and steps, kept out of the installed header.
class WidgetDraftStoreCore {
public:
    using States = std::map<std::string, std::shared_ptr<const VelmoraWidgetDraftState>>;

    WidgetDraftStoreCore(std::optional<std::filesystem::path> fileURL,
                         VelmoraWidgetDraftFileWriter writeFile);
    ~WidgetDraftStoreCore();
    WidgetDraftStoreCore(const WidgetDraftStoreCore&) = delete;
    WidgetDraftStoreCore& operator=(const WidgetDraftStoreCore&) = delete;

    void saveInBackground(const VelmoraWidgetDraftState& state, const VelmoraWidgetClient& client,
                          boost::asio::any_io_executor executor,
                          VelmoraWidgetDraftStore::WriteCompletion done);
    std::optional<VelmoraWidgetDraftState> stateFor(const std::string& identity);
    std::optional<VelmoraError> saveFor(const VelmoraWidgetDraftState& state,
                                        const std::string& identity);
    std::optional<VelmoraError> clearFor(const std::string& identity);
    /// Applies `state` to memory; answers whether the file is to be written.
    bool change(const VelmoraWidgetDraftState& state, const std::string& identity);
    void loadIfNeeded();
    std::optional<VelmoraError> persist();

    // Shared with the background writes, which never change a state once handed over.
    States states_;
    std::optional<std::filesystem::path> fileURL_;
    bool loaded_ = false;
    bool persistenceUnavailable_ = false;
    std::shared_ptr<DraftFileWrites> writes_;
};

} // namespace detail

detail::WidgetDraftStoreCore::WidgetDraftStoreCore(std::optional<std::filesystem::path> fileURL,
                                                   VelmoraWidgetDraftFileWriter writeFile)
    : fileURL_(std::move(fileURL)), writes_(std::make_shared<detail::DraftFileWrites>(
                                        fileWriter(fileURL_, std::move(writeFile)))) {}

detail::WidgetDraftStoreCore::~WidgetDraftStoreCore() {
    // What was typed last reaches the file before the store goes.
    writes_->stop();
}

VelmoraWidgetDraftStore::VelmoraWidgetDraftStore()
    : core_(std::make_unique<detail::WidgetDraftStoreCore>(std::nullopt,
                                                           VelmoraWidgetDraftFileWriter{})) {}

VelmoraWidgetDraftStore::VelmoraWidgetDraftStore(std::filesystem::path fileURL)
    : VelmoraWidgetDraftStore(std::move(fileURL), &detail::writeStoreFileAtomically) {}

VelmoraWidgetDraftStore::VelmoraWidgetDraftStore(std::filesystem::path fileURL,
                                                 VelmoraWidgetDraftFileWriter writeFile)
    : core_(std::make_unique<detail::WidgetDraftStoreCore>(std::move(fileURL),
                                                           std::move(writeFile))) {}

VelmoraWidgetDraftStore::~VelmoraWidgetDraftStore() = default;

const std::optional<VelmoraError>& VelmoraWidgetDraftStore::persistenceError() const {
    return core_->writes_->persistenceError();
}

void VelmoraWidgetDraftStore::waitForPendingWrites() {
    core_->writes_->waitForPendingWrites();
}

const std::optional<std::filesystem::path>& VelmoraWidgetDraftStore::fileURL() const {
    return core_->fileURL_;
}

void VelmoraWidgetDraftStore::saveInBackground(const VelmoraWidgetDraftState& state,
                                               const VelmoraWidgetClient& client,
                                               boost::asio::any_io_executor executor,
                                               WriteCompletion done) {
    core_->saveInBackground(state, client, std::move(executor), std::move(done));
}

void detail::WidgetDraftStoreCore::saveInBackground(const VelmoraWidgetDraftState& state,
                                                    const VelmoraWidgetClient& client,
                                                    boost::asio::any_io_executor executor,
                                                    VelmoraWidgetDraftStore::WriteCompletion done) {
    if (!change(state, client.widgetDraftIdentity())) {
        boost::asio::post(std::move(executor), [done = std::move(done)] { done(std::nullopt); });
        return;
    }
    writes_->enqueue(states_, std::move(executor), std::move(done));
}

const std::shared_ptr<VelmoraWidgetDraftStore>& VelmoraWidgetDraftStore::shared() {
    static const std::shared_ptr<VelmoraWidgetDraftStore> store = [] {
        try {
            return std::make_shared<VelmoraWidgetDraftStore>(
                detail::defaultStoreFileURL(kFileName));
        } catch (const VelmoraError&) {
            // No data directory on this system: drafts live as long as the process.
            return std::make_shared<VelmoraWidgetDraftStore>();
        }
    }();
    return store;
}

std::optional<VelmoraWidgetDraftState>
VelmoraWidgetDraftStore::state(const VelmoraWidgetClient& client) {
    return core_->stateFor(client.widgetDraftIdentity());
}
std::optional<VelmoraWidgetDraftState> VelmoraWidgetDraftStore::state(const VelmoraClient& client) {
    return core_->stateFor(client.widgetDraftIdentity());
}
std::optional<VelmoraError> VelmoraWidgetDraftStore::save(const VelmoraWidgetDraftState& state,
                                                          const VelmoraWidgetClient& client) {
    return core_->saveFor(state, client.widgetDraftIdentity());
}
std::optional<VelmoraError> VelmoraWidgetDraftStore::save(const VelmoraWidgetDraftState& state,
                                                          const VelmoraClient& client) {
    return core_->saveFor(state, client.widgetDraftIdentity());
}
std::optional<VelmoraError> VelmoraWidgetDraftStore::clear(const VelmoraWidgetClient& client) {
    return core_->clearFor(client.widgetDraftIdentity());
}
std::optional<VelmoraError> VelmoraWidgetDraftStore::clear(const VelmoraClient& client) {
    return core_->clearFor(client.widgetDraftIdentity());
}

std::optional<VelmoraWidgetDraftState>
detail::WidgetDraftStoreCore::stateFor(const std::string& identity) {
    loadIfNeeded();
    const auto it = states_.find(identity);
    if (it == states_.end()) {
        return std::nullopt;
    }
    return *it->second;
}

bool detail::WidgetDraftStoreCore::change(const VelmoraWidgetDraftState& state,
                                          const std::string& identity) {
    loadIfNeeded();
    if (state.text.empty() && state.attachments.empty()) {
        states_.erase(identity);
    } else {
        // A new state object: a background write may still be reading the old one.
        states_.insert_or_assign(identity, std::make_shared<const VelmoraWidgetDraftState>(state));
    }
    return fileURL_ && !persistenceUnavailable_;
}

std::optional<VelmoraError>
detail::WidgetDraftStoreCore::saveFor(const VelmoraWidgetDraftState& state,
                                      const std::string& identity) {
    change(state, identity);
    return persist();
}

std::optional<VelmoraError> detail::WidgetDraftStoreCore::clearFor(const std::string& identity) {
    loadIfNeeded();
    states_.erase(identity);
    return persist();
}

void detail::WidgetDraftStoreCore::loadIfNeeded() {
    if (loaded_) {
        return;
    }
    loaded_ = true;
    if (!fileURL_) {
        return;
    }
    std::optional<std::string> bytes;
    try {
        bytes = detail::readStoreFile(*fileURL_);
    } catch (const std::exception&) {
        // Something is there that cannot be read: never guessed at, never written over.
        persistenceUnavailable_ = true;
        writes_->setPersistenceError(storageError(kUnreadableMessage));
        return;
    }
    if (!bytes) {
        return;
    }
    try {
        for (auto& [identity, state] : decodeFile(*bytes)) {
            states_.emplace(identity,
                            std::make_shared<const VelmoraWidgetDraftState>(std::move(state)));
        }
    } catch (const std::exception&) {
        states_.clear();
        writes_->setPersistenceError(storageError(kCorruptMessage));
        // The undecodable file is kept beside the new one, for a person to look at.
        std::error_code ec;
        auto aside = *fileURL_;
        aside += ".corrupt-" + detail::uuidString();
        std::filesystem::rename(*fileURL_, aside, ec);
        if (ec) {
            persistenceUnavailable_ = true;
        }
    }
}

std::optional<VelmoraError> detail::WidgetDraftStoreCore::persist() {
    if (!fileURL_ || persistenceUnavailable_) {
        return std::nullopt;
    }
    // After every background write, so the file never goes back to an older state.
    return writes_->write(states_);
}

} // namespace velmora
