#include "velmora/error.hpp"
#include "velmora/json_file_stores.hpp"
#include "velmora/stores.hpp"

#include "detail/json.hpp"
#include "detail/json_file_store.hpp"
#include "detail/uuid.hpp"

#include <boost/asio/co_spawn.hpp>
#include <boost/asio/detached.hpp>
#include <boost/asio/io_context.hpp>
#include <boost/asio/use_future.hpp>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <limits>
#include <map>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <thread>
#include <type_traits>
#include <vector>

#include <sys/stat.h>

namespace velmora {
namespace {

namespace asio = boost::asio;
namespace fs = std::filesystem;

/// Runs one operation to completion on an io_context of its own.
template <class T> T run(asio::awaitable<T> operation) {
    asio::io_context io;
    auto future = asio::co_spawn(io, std::move(operation), asio::use_future);
    io.run();
    return future.get();
}

/// The error an operation threw, or nothing when it succeeded.
template <class T> std::optional<VelmoraError> failure(asio::awaitable<T> operation) {
    try {
        run(std::move(operation));
        return std::nullopt;
    } catch (const VelmoraError& error) {
        return error;
    }
}

VelmoraError storageError(std::string_view message) {
    return VelmoraError(VelmoraErrorCode::outboxCorrupt, std::nullopt, std::nullopt,
                        std::string(message));
}

/// A fresh directory under the system's temporary directory, removed with everything in it.
class TemporaryDirectory {
public:
    TemporaryDirectory()
        : path_(fs::temp_directory_path() / ("velmora-stores-" + detail::uuidString())) {
        fs::create_directories(path_);
    }
    ~TemporaryDirectory() {
        std::error_code ignored;
        fs::remove_all(path_, ignored);
    }
    TemporaryDirectory(const TemporaryDirectory&) = delete;
    TemporaryDirectory& operator=(const TemporaryDirectory&) = delete;

    const fs::path& path() const { return path_; }

private:
    fs::path path_;
};

std::string readFile(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void writeFile(const fs::path& file, std::string_view bytes) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

/// What stands at a path, to tell that nothing touched it: its type and contents or target.
std::string fingerprint(const fs::path& path) {
    const auto status = fs::symlink_status(path);
    if (fs::is_symlink(status)) {
        return "link to " + fs::read_symlink(path).string();
    }
    if (fs::is_directory(status)) {
        return "directory of " + std::to_string(std::distance(fs::directory_iterator(path),
                                                              fs::directory_iterator()));
    }
    if (fs::is_regular_file(status)) {
        return "file " + readFile(path);
    }
    return "nothing";
}

// Bytes that are not UTF-8 text, whose Base64 form holds a "/".
const Data kBinaryBody{0xfb, 0xff, 0x00, 0xc3, 0x28};

VelmoraAttachmentDraft draft(std::uint8_t variant) {
    return VelmoraAttachmentDraft("att-1", "photo.png", "image/png", "image",
                                  Data{0x89, 0x50, 0xff, 0x00, variant});
}

VelmoraOutboxEntry outboxEntry(std::string id, std::string createdAt, int variant = 0,
                               std::string accountScope = "acct") {
    Data body = kBinaryBody;
    body.push_back(static_cast<std::uint8_t>(variant));
    return {std::move(id),     std::move(accountScope), "s1", std::move(body),
            {.text = "Hello"}, std::move(createdAt),    0};
}

// Adapters that give every store the same shape for the shared tests: `make` builds a store
// on a file path (the in-memory stores ignore it), `sample(key, variant)` builds a record kept
// under `key`, and `save`, `load` and `remove` work by key.

struct OutboxOps {
    using Record = VelmoraOutboxEntry;
    static Record sample(const std::string& key, int variant) {
        return outboxEntry(key, "2026-01-02T03:04:05Z", variant);
    }
    static asio::awaitable<void> save(VelmoraOutboxStore& store, std::string key, int variant) {
        co_await store.save(sample(key, variant));
    }
    static asio::awaitable<std::optional<Record>> load(VelmoraOutboxStore& store, std::string key) {
        for (auto& entry : co_await store.load()) {
            if (entry.id == key) {
                co_return entry;
            }
        }
        co_return std::nullopt;
    }
    static asio::awaitable<void> remove(VelmoraOutboxStore& store, std::string key) {
        co_await store.remove(key);
    }
};

struct SessionOps {
    using Record = VelmoraSession;
    static Record sample(const std::string& key, int variant) {
        return {"session-" + key, std::nullopt, "token/" + std::to_string(variant)};
    }
    static asio::awaitable<void> save(VelmoraSessionStore& store, std::string key, int variant) {
        co_await store.save(sample(key, variant), key);
    }
    static asio::awaitable<std::optional<Record>> load(VelmoraSessionStore& store,
                                                       std::string key) {
        co_return co_await store.load(key);
    }
    static asio::awaitable<void> remove(VelmoraSessionStore& store, std::string key) {
        co_await store.remove(key);
    }
};

/// The three pending stores, keyed by the record's own scope.
template <class Derived, class Record> struct PendingOps {
    template <class Store>
    static asio::awaitable<void> save(Store& store, std::string key, int variant) {
        co_await store.save(Derived::sample(key, variant));
    }
    template <class Store>
    static asio::awaitable<std::optional<Record>> load(Store& store, std::string key) {
        co_return co_await store.load(key);
    }
    template <class Store> static asio::awaitable<void> remove(Store& store, std::string key) {
        co_await store.remove(key);
    }
};

struct PendingSessionStartOps : PendingOps<PendingSessionStartOps, VelmoraPendingSessionStart> {
    using Record = VelmoraPendingSessionStart;
    static Record sample(const std::string& key, int variant) {
        Data body = kBinaryBody;
        body.push_back(static_cast<std::uint8_t>(variant));
        return {key, "key-1", std::move(body), {.message = "Hello"}, "2026-01-02T03:04:05Z"};
    }
};

struct PendingAttachmentOps : PendingOps<PendingAttachmentOps, VelmoraPendingAttachmentSend> {
    using Record = VelmoraPendingAttachmentSend;
    static Record sample(const std::string& key, int variant) {
        return {key,
                "s1",
                "msg-1",
                {draft(static_cast<std::uint8_t>(variant))},
                {{"att-1", std::nullopt, false}},
                "2026-01-02T03:04:05Z"};
    }
};

struct PendingAttachmentOperationOps
    : PendingOps<PendingAttachmentOperationOps, VelmoraPendingAttachmentOperation> {
    using Record = VelmoraPendingAttachmentOperation;
    static Record sample(const std::string& key, int variant) {
        return {key,
                VelmoraPendingAttachmentOperationKind::message,
                "key-1",
                kBinaryBody,
                std::nullopt,
                VelmoraMessageInput{.text = "Hello"},
                {draft(static_cast<std::uint8_t>(variant))},
                "s1",
                std::nullopt,
                "2026-01-02T03:04:05Z"};
    }
};

template <class StoreType, class Ops> struct MemoryCase : Ops {
    using Store = StoreType;
    static std::unique_ptr<Store> make(const fs::path&) { return std::make_unique<Store>(); }
};

template <class StoreType, class Ops> struct FileCase : Ops {
    using Store = StoreType;
    static std::unique_ptr<Store> make(const fs::path& file) {
        return std::make_unique<Store>(file);
    }
};

struct OutboxFile : FileCase<VelmoraJSONFileOutboxStore, OutboxOps> {
    static constexpr std::string_view fileName = "outbox.json";
    static constexpr std::string_view corrupt = "Velmora pending message storage is corrupt.";
    static constexpr std::string_view saveFailed =
        "Velmora pending message storage could not be saved.";
    static constexpr std::string_view emptyFile = "[]";
    static constexpr std::string_view wrongTopLevel = "{}";
    static constexpr std::string_view badRecord = R"([{"id":"m1"}])";
};

struct SessionFile : FileCase<VelmoraJSONSessionStore, SessionOps> {
    static constexpr std::string_view fileName = "sessions.json";
    static constexpr std::string_view corrupt = "Velmora session storage is corrupt.";
    static constexpr std::string_view saveFailed = "Velmora session storage could not be saved.";
    static constexpr std::string_view emptyFile = "{}";
    static constexpr std::string_view wrongTopLevel = "[]";
    static constexpr std::string_view badRecord = R"({"a":{"sessionId":"s1"}})";
};

struct PendingSessionStartFile
    : FileCase<VelmoraJSONPendingSessionStartStore, PendingSessionStartOps> {
    static constexpr std::string_view fileName = "pending-sessions.json";
    static constexpr std::string_view corrupt = "Velmora pending session storage is corrupt.";
    static constexpr std::string_view saveFailed =
        "Velmora pending session storage could not be saved.";
    static constexpr std::string_view emptyFile = "{}";
    static constexpr std::string_view wrongTopLevel = "[]";
    static constexpr std::string_view badRecord =
        R"({"a":{"accountScope":"a","idempotencyKey":"k","requestBody":"%%%%","input":{"message":"x"},"createdAt":"t"}})";
};

struct PendingAttachmentFile : FileCase<VelmoraJSONPendingAttachmentStore, PendingAttachmentOps> {
    static constexpr std::string_view fileName = "pending-attachments.json";
    static constexpr std::string_view corrupt = "Velmora pending attachment storage is corrupt.";
    static constexpr std::string_view saveFailed =
        "Velmora pending attachment storage could not be saved.";
    static constexpr std::string_view emptyFile = "{}";
    static constexpr std::string_view wrongTopLevel = "[]";
    static constexpr std::string_view badRecord = R"({"a":[]})";
};

struct PendingAttachmentOperationFile
    : FileCase<VelmoraJSONPendingAttachmentOperationStore, PendingAttachmentOperationOps> {
    static constexpr std::string_view fileName = "pending-attachment-operations.json";
    static constexpr std::string_view corrupt =
        "Velmora pending attachment operation storage is corrupt.";
    static constexpr std::string_view saveFailed =
        "Velmora pending attachment operation storage could not be saved.";
    static constexpr std::string_view emptyFile = "{}";
    static constexpr std::string_view wrongTopLevel = "[]";
    static constexpr std::string_view badRecord =
        R"({"a":{"accountScope":"a","kind":"Message","idempotencyKey":"k","requestBody":"","attachments":[],"createdAt":"t"}})";
};

// --- What every store does, in memory and in files ---------------------------------------------

template <class Case> class StoreContractTest : public ::testing::Test {
protected:
    TemporaryDirectory directory;
    std::unique_ptr<typename Case::Store> store = Case::make(directory.path() / "store.json");
};

using AllStores = ::testing::Types<
    MemoryCase<VelmoraMemoryOutbox, OutboxOps>, MemoryCase<VelmoraMemorySessionStore, SessionOps>,
    MemoryCase<VelmoraMemoryPendingSessionStartStore, PendingSessionStartOps>,
    MemoryCase<VelmoraMemoryPendingAttachmentStore, PendingAttachmentOps>,
    MemoryCase<VelmoraMemoryPendingAttachmentOperationStore, PendingAttachmentOperationOps>,
    OutboxFile, SessionFile, PendingSessionStartFile, PendingAttachmentFile,
    PendingAttachmentOperationFile>;
TYPED_TEST_SUITE(StoreContractTest, AllStores);

TYPED_TEST(StoreContractTest, KeepsOneRecordPerKeyAndForgetsRemovedOnes) {
    using C = TypeParam;
    auto& store = *this->store;
    EXPECT_EQ(run(C::load(store, "a")), std::nullopt);
    run(C::remove(store, "never-saved"));

    run(C::save(store, "a", 1));
    EXPECT_EQ(run(C::load(store, "a")), C::sample("a", 1));
    EXPECT_EQ(run(C::load(store, "b")), std::nullopt);

    run(C::save(store, "b", 1));
    run(C::save(store, "a", 2));
    EXPECT_EQ(run(C::load(store, "a")), C::sample("a", 2));
    EXPECT_EQ(run(C::load(store, "b")), C::sample("b", 1));

    run(C::remove(store, "a"));
    EXPECT_EQ(run(C::load(store, "a")), std::nullopt);
    EXPECT_EQ(run(C::load(store, "b")), C::sample("b", 1));
}

// --- The outbox's order ----------------------------------------------------------------------

template <class Case> class OutboxOrderTest : public ::testing::Test {
protected:
    std::vector<std::string> loadedIds(VelmoraOutboxStore& outbox) {
        std::vector<std::string> ids;
        for (const auto& entry : run(outbox.load())) {
            ids.push_back(entry.id);
        }
        return ids;
    }

    TemporaryDirectory directory;
    fs::path file = directory.path() / "outbox.json";
    std::unique_ptr<typename Case::Store> outbox = Case::make(file);
};

using Outboxes = ::testing::Types<MemoryCase<VelmoraMemoryOutbox, OutboxOps>, OutboxFile>;
TYPED_TEST_SUITE(OutboxOrderTest, Outboxes);

TYPED_TEST(OutboxOrderTest, LoadsByCreatedAtThenInTheOrderFirstSaved) {
    auto& outbox = *this->outbox;
    run(outbox.save(outboxEntry("late", "2026-01-02T10:00:02Z")));
    run(outbox.save(outboxEntry("early", "2026-01-02T10:00:00Z")));
    run(outbox.save(outboxEntry("middle", "2026-01-02T10:00:01Z", 0, "other-scope")));
    // Three messages queued within one second, in an order no key sorts them into.
    for (const char* id : {"z", "a", "m"}) {
        run(outbox.save(outboxEntry(id, "2026-01-02T10:00:01Z")));
    }
    const std::vector<std::string> expected{"early", "middle", "z", "a", "m", "late"};
    EXPECT_EQ(this->loadedIds(outbox), expected);

    // Saving an entry again replaces it where it stands.
    run(outbox.save(outboxEntry("z", "2026-01-02T10:00:01Z", 7)));
    EXPECT_EQ(this->loadedIds(outbox), expected);
    EXPECT_EQ(run(OutboxOps::load(outbox, "z")), outboxEntry("z", "2026-01-02T10:00:01Z", 7));

    run(outbox.remove("a"));
    run(outbox.save(outboxEntry("a", "2026-01-02T10:00:01Z")));
    EXPECT_EQ(this->loadedIds(outbox),
              (std::vector<std::string>{"early", "middle", "z", "m", "a", "late"}));

    // An accepted entry is gone at once, whenever its removal reaches the disk.
    run(outbox.removeAccepted("z"));
    EXPECT_EQ(this->loadedIds(outbox),
              (std::vector<std::string>{"early", "middle", "m", "a", "late"}));
}

TEST(JSONFileOutboxTest, FileHoldsEntriesInTheOrderFirstSavedAndANewStoreKeepsIt) {
    TemporaryDirectory directory;
    const auto file = directory.path() / "outbox.json";
    {
        VelmoraJSONFileOutboxStore outbox(file);
        for (const char* id : {"z", "a", "m"}) {
            run(outbox.save(outboxEntry(id, "2026-01-02T10:00:01Z")));
        }
        run(outbox.save(outboxEntry("a", "2026-01-02T10:00:01Z", 3)));
    }
    std::vector<std::string> idsInFile;
    const auto written = detail::parseJSON(readFile(file));
    for (const auto& entry : written.as_array()) {
        idsInFile.emplace_back(entry.as_object().at("id").as_string());
    }
    EXPECT_EQ(idsInFile, (std::vector<std::string>{"z", "a", "m"}));

    // The JSON writer's bytes for the array, though only the changed entry is encoded anew.
    EXPECT_EQ(readFile(file), "[" + encodeJSON(outboxEntry("z", "2026-01-02T10:00:01Z")) + "," +
                                  encodeJSON(outboxEntry("a", "2026-01-02T10:00:01Z", 3)) + "," +
                                  encodeJSON(outboxEntry("m", "2026-01-02T10:00:01Z")) + "]");

    VelmoraJSONFileOutboxStore reopened(file);
    const auto entries = run(reopened.load());
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0].id, "z");
    EXPECT_EQ(entries[1], outboxEntry("a", "2026-01-02T10:00:01Z", 3));
    EXPECT_EQ(entries[2].id, "m");
}

TEST(JSONFileOutboxTest, AFileOverTheSizeLimitIsRefusedUnreadAndNeverTouched) {
    TemporaryDirectory directory;
    const auto file = directory.path() / "outbox.json";
    // Valid JSON either way: an entry padded with white space to the size wanted.
    const std::string entry = "[" + encodeJSON(outboxEntry("m1", "2026-01-02T10:00:00Z")) + "]";
    const auto place = [&](std::size_t size) {
        writeFile(file, entry + std::string(size - entry.size(), ' '));
    };

    place(detail::kMaxStoreFileBytes);
    EXPECT_EQ(run(VelmoraJSONFileOutboxStore(file).load()).size(), 1u);

    place(detail::kMaxStoreFileBytes + 1);
    const auto before = fs::last_write_time(file);
    VelmoraJSONFileOutboxStore outbox(file);
    EXPECT_EQ(failure(outbox.load()), storageError(OutboxFile::corrupt));
    EXPECT_EQ(failure(outbox.save(outboxEntry("m2", "2026-01-02T10:00:01Z"))),
              storageError(OutboxFile::corrupt));
    EXPECT_EQ(fs::file_size(file), detail::kMaxStoreFileBytes + 1);
    EXPECT_EQ(fs::last_write_time(file), before);
}

TEST(JSONFileOutboxTest, ASaveThatWouldOutgrowTheSizeLimitFailsAndChangesNothing) {
    TemporaryDirectory directory;
    const auto file = directory.path() / "outbox.json";
    VelmoraJSONFileOutboxStore outbox(file);
    const auto kept = outboxEntry("kept", "2026-01-02T10:00:00Z");
    run(outbox.save(kept));
    const std::string before = readFile(file);

    // Base64 alone makes this body's text longer than the limit: written, the file would read
    // back as corrupt and take every other entry with it.
    auto huge = outboxEntry("huge", "2026-01-02T10:00:01Z");
    huge.requestBody.assign(detail::kMaxStoreFileBytes / 4 * 3 + 3, 0x41);
    EXPECT_EQ(failure(outbox.save(huge)), storageError(OutboxFile::saveFailed));
    EXPECT_EQ(readFile(file), before);
    EXPECT_EQ(run(outbox.load()), std::vector{kept});
    EXPECT_EQ(run(VelmoraJSONFileOutboxStore(file).load()), std::vector{kept});
}

TEST(JSONFileOutboxTest, AFileInAnotherLayoutLoadsAndTheNextSaveWritesItCompactly) {
    TemporaryDirectory directory;
    const auto file = directory.path() / "outbox.json";
    const auto kept = outboxEntry("kept", "2026-01-02T10:00:00Z");
    // White space and members out of order, as another writer might leave them.
    writeFile(file, R"([
  {"attempts": 2, "createdAt": "2026-01-02T10:00:00Z", "input": {"text": "Hello"},
   "requestBody": "+\/8Awyg=", "sessionId": "s1", "accountScope": "acct", "id": "kept"}
])");
    VelmoraJSONFileOutboxStore outbox(file);
    auto stored = kept;
    stored.attempts = 2;
    stored.requestBody.pop_back();
    EXPECT_EQ(run(outbox.load()), std::vector<VelmoraOutboxEntry>{stored});

    const auto added = outboxEntry("added", "2026-01-02T10:00:01Z");
    run(outbox.save(added));
    EXPECT_EQ(readFile(file), "[" + encodeJSON(stored) + "," + encodeJSON(added) + "]");
}

TEST(JSONFileOutboxTest, AnAcceptedRemovalReachesTheFileWithTheNextWriteOrReadOrLater) {
    struct Case {
        const char* name;
        std::function<void(std::unique_ptr<VelmoraJSONFileOutboxStore>&)> then;
    };
    const std::vector<Case> cases{
        {"the next save",
         [](auto& outbox) { run(outbox->save(outboxEntry("next", "2026-01-02T10:00:02Z"))); }},
        {"a load", [](auto& outbox) { run(outbox->load()); }},
        {"the store's end", [](auto& outbox) { outbox.reset(); }},
        {"nothing at all", [](auto&) {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TemporaryDirectory directory;
        const auto file = directory.path() / "outbox.json";
        auto outbox = std::make_unique<VelmoraJSONFileOutboxStore>(file);
        run(outbox->save(outboxEntry("sent", "2026-01-02T10:00:00Z")));
        run(outbox->save(outboxEntry("kept", "2026-01-02T10:00:01Z")));
        run(outbox->removeAccepted("sent"));
        c.then(outbox);

        // With nothing else to carry it, the removal is written on its own shortly after.
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (readFile(file).find("\"sent\"") != std::string::npos &&
               std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        const auto ids = [](const std::vector<VelmoraOutboxEntry>& entries) {
            std::vector<std::string> result;
            for (const auto& entry : entries) {
                result.push_back(entry.id);
            }
            return result;
        };
        const auto expected = std::string(c.name) == "the next save"
                                  ? std::vector<std::string>{"kept", "next"}
                                  : std::vector<std::string>{"kept"};
        EXPECT_EQ(ids(run(VelmoraJSONFileOutboxStore(file).load())), expected);
    }
}

TEST(JSONFileOutboxTest, AFailedWriteKeepsAnAcceptedRemovalForTheNextOne) {
    TemporaryDirectory directory;
    const auto velmora = directory.path() / "Velmora";
    const auto file = velmora / "outbox.json";
    VelmoraJSONFileOutboxStore outbox(file);
    run(outbox.save(outboxEntry("sent", "2026-01-02T10:00:00Z")));
    run(outbox.save(outboxEntry("kept", "2026-01-02T10:00:01Z")));

    // A plain file where the store's directory should be: every write fails.
    fs::remove_all(velmora);
    writeFile(velmora, "obstacle");
    run(outbox.removeAccepted("sent"));
    EXPECT_EQ(failure(outbox.save(outboxEntry("new", "2026-01-02T10:00:02Z"))),
              storageError(OutboxFile::saveFailed));
    EXPECT_EQ(run(outbox.load()), std::vector{outboxEntry("kept", "2026-01-02T10:00:01Z")});
    EXPECT_EQ(readFile(velmora), "obstacle");

    fs::remove(velmora);
    run(outbox.save(outboxEntry("new", "2026-01-02T10:00:02Z")));
    EXPECT_EQ(run(VelmoraJSONFileOutboxStore(file).load()),
              (std::vector{outboxEntry("kept", "2026-01-02T10:00:01Z"),
                           outboxEntry("new", "2026-01-02T10:00:02Z")}));
}

TEST(JSONFileOutboxTest, AnEntryThatCannotBeWrittenFailsTheSaveAndChangesNothing) {
    TemporaryDirectory directory;
    const auto file = directory.path() / "outbox.json";
    VelmoraJSONFileOutboxStore outbox(file);
    const auto kept = outboxEntry("kept", "2026-01-02T10:00:00Z");
    run(outbox.save(kept));
    const std::string before = readFile(file);

    auto unwritable = outboxEntry("nan", "2026-01-02T10:00:01Z");
    unwritable.input.metadata = std::map<std::string, JSONValue>{
        {"ratio", JSONValue(std::numeric_limits<double>::quiet_NaN())}};
    EXPECT_EQ(failure(outbox.save(unwritable)), storageError(OutboxFile::saveFailed));
    EXPECT_EQ(run(outbox.load()), std::vector{kept});
    EXPECT_EQ(readFile(file), before);
}

// --- What the file stores add ----------------------------------------------------------------

template <class Case> class JSONFileStoreTest : public ::testing::Test {
protected:
    TemporaryDirectory directory;
    fs::path velmoraDirectory = directory.path() / "nested" / "Velmora";
    fs::path file = velmoraDirectory / std::string(Case::fileName);
};

using FileStores = ::testing::Types<OutboxFile, SessionFile, PendingSessionStartFile,
                                    PendingAttachmentFile, PendingAttachmentOperationFile>;
TYPED_TEST_SUITE(JSONFileStoreTest, FileStores);

TYPED_TEST(JSONFileStoreTest, NothingAtThePathIsAnEmptyStoreAndCreatesNothingUntilAChange) {
    using C = TypeParam;
    auto store = C::make(this->file);
    EXPECT_EQ(run(C::load(*store, "a")), std::nullopt);
    EXPECT_FALSE(fs::exists(this->directory.path() / "nested"));

    run(C::save(*store, "a", 1));
    EXPECT_TRUE(fs::is_directory(this->velmoraDirectory));
    EXPECT_EQ(fs::status(this->file).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write);
    // Only the file itself: no temporary file is left beside it.
    EXPECT_EQ(fingerprint(this->velmoraDirectory), "directory of 1");

    // Removing from a store whose file is missing writes the empty table.
    auto other = C::make(this->directory.path() / "elsewhere" / std::string(C::fileName));
    run(C::remove(*other, "a"));
    EXPECT_EQ(readFile(this->directory.path() / "elsewhere" / std::string(C::fileName)),
              C::emptyFile);
}

TYPED_TEST(JSONFileStoreTest, ANewStoreObjectReadsBackEveryRecordByteForByte) {
    using C = TypeParam;
    {
        auto store = C::make(this->file);
        run(C::save(*store, "a", 1));
        run(C::save(*store, "b", 2));
        run(C::save(*store, "gone", 3));
        run(C::remove(*store, "gone"));
    }
    const std::string written = readFile(this->file);
    EXPECT_EQ(written.find('\n'), std::string::npos) << written;
    // Every sample holds a "/" (in Base64 or a token), always written escaped.
    EXPECT_NE(written.find("\\/"), std::string::npos) << written;
    for (std::size_t at = written.find('/'); at != std::string::npos;
         at = written.find('/', at + 1)) {
        EXPECT_EQ(written[at - 1], '\\') << written;
    }

    auto reopened = C::make(this->file);
    // Records with bytes that are not UTF-8 come back identical.
    EXPECT_EQ(run(C::load(*reopened, "a")), C::sample("a", 1));
    EXPECT_EQ(run(C::load(*reopened, "b")), C::sample("b", 2));
    EXPECT_EQ(run(C::load(*reopened, "gone")), std::nullopt);

    // An empty table on file loads as an empty store.
    writeFile(this->file, C::emptyFile);
    EXPECT_EQ(run(C::load(*C::make(this->file), "a")), std::nullopt);
}

TYPED_TEST(JSONFileStoreTest, AFileThatCannotBeReadOrDecodedIsRefusedForeverAndNeverTouched) {
    using C = TypeParam;
    struct Case {
        const char* name;
        std::function<void(const fs::path&)> place;
    };
    const auto contents = [](std::string_view bytes) {
        return [bytes](const fs::path& file) { writeFile(file, bytes); };
    };
    std::vector<Case> cases{
        {"zero bytes", contents("")},
        {"null", contents("null")},
        {"not JSON", contents("{\"a\":")},
        {"wrong top level", contents(C::wrongTopLevel)},
        {"bad record", contents(C::badRecord)},
        {"a directory at the path",
         [](const fs::path& file) {
             fs::create_directory(file);
             writeFile(file / "inside", "x");
         }},
        {"a link to nowhere",
         [](const fs::path& file) { fs::create_symlink(file.parent_path() / "missing", file); }},
    };
    if constexpr (std::is_same_v<C, OutboxFile>) {
        const std::string entry = encodeJSON(outboxEntry("m1", "2026-01-02T10:00:00Z"));
        cases.push_back({"two entries with one id", [entry](const fs::path& file) {
                             writeFile(file, "[" + entry + "," + entry + "]");
                         }});
    }

    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(this->velmoraDirectory);
        fs::create_directories(this->velmoraDirectory);
        c.place(this->file);
        const std::string before = fingerprint(this->file);

        auto store = C::make(this->file);
        // The first call is a save: it reports the corruption, not a failed write.
        EXPECT_EQ(failure(C::save(*store, "a", 1)), storageError(C::corrupt));
        EXPECT_EQ(failure(C::load(*store, "a")), storageError(C::corrupt));
        EXPECT_EQ(failure(C::remove(*store, "a")), storageError(C::corrupt));
        EXPECT_EQ(failure(C::save(*store, "a", 1)), storageError(C::corrupt));
        EXPECT_EQ(fingerprint(this->file), before);
        EXPECT_EQ(fingerprint(this->velmoraDirectory), "directory of 1");

        // A new object reads the file afresh: a repaired file is accepted.
        fs::remove_all(this->file);
        writeFile(this->file, C::emptyFile);
        EXPECT_EQ(failure(C::load(*store, "a")), storageError(C::corrupt));
        EXPECT_EQ(run(C::load(*C::make(this->file), "a")), std::nullopt);
    }
}

TYPED_TEST(JSONFileStoreTest, AFailedWriteLeavesTheStoreAsItWasAndALaterSaveWorks) {
    using C = TypeParam;
    auto store = C::make(this->file);
    run(C::save(*store, "a", 1));

    // A plain file where the store's directory should be.
    fs::remove_all(this->velmoraDirectory);
    writeFile(this->velmoraDirectory, "obstacle");
    EXPECT_EQ(failure(C::save(*store, "b", 1)), storageError(C::saveFailed));
    EXPECT_EQ(failure(C::remove(*store, "a")), storageError(C::saveFailed));
    EXPECT_EQ(run(C::load(*store, "a")), C::sample("a", 1));
    EXPECT_EQ(run(C::load(*store, "b")), std::nullopt);
    EXPECT_EQ(readFile(this->velmoraDirectory), "obstacle");

    // A fresh store meeting the obstacle first finds nothing to read, so its save fails as a
    // write, not as corruption.
    auto fresh = C::make(this->file);
    EXPECT_EQ(failure(C::save(*fresh, "c", 1)), storageError(C::saveFailed));

    fs::remove(this->velmoraDirectory);
    run(C::save(*store, "b", 1));
    run(C::save(*fresh, "c", 1));
    auto reopened = C::make(this->file);
    EXPECT_EQ(run(C::load(*reopened, "c")), C::sample("c", 1));

    // The store's own view was kept whole through the failures.
    EXPECT_EQ(run(C::load(*store, "a")), C::sample("a", 1));
    EXPECT_EQ(run(C::load(*store, "b")), C::sample("b", 1));
}

TEST(JSONFileStoreTest, TwoScopesShareOneFile) {
    TemporaryDirectory directory;
    const auto file = directory.path() / "pending-sessions.json";
    VelmoraJSONPendingSessionStartStore store(file);
    run(store.save(PendingSessionStartOps::sample("a", 0)));
    run(store.save(PendingSessionStartOps::sample("b", 0)));
    const auto table = detail::parseJSON(readFile(file)).as_object();
    EXPECT_EQ(table.size(), 2u);
    EXPECT_TRUE(table.contains("a"));
    EXPECT_TRUE(table.contains("b"));
}

/// Sets an environment variable (or unsets it, given nothing) for one scope.
class ScopedEnvironment {
public:
    ScopedEnvironment(const char* name, std::optional<std::string> value) : name_(name) {
        if (const char* old = std::getenv(name)) {
            old_ = old;
        }
        set(value);
    }
    ~ScopedEnvironment() { set(old_); }
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

private:
    void set(const std::optional<std::string>& value) {
        if (value) {
            ::setenv(name_, value->c_str(), 1);
        } else {
            ::unsetenv(name_);
        }
    }
    const char* name_;
    std::optional<std::string> old_;
};

TEST(JSONFileStoreTest, DefaultLocationIsVelmoraInTheUserDataDirectory) {
    TemporaryDirectory directory;
    {
        ScopedEnvironment data("XDG_DATA_HOME", directory.path().string());
        VelmoraJSONFileOutboxStore outbox;
        EXPECT_FALSE(fs::exists(directory.path() / "Velmora"));
        run(outbox.save(outboxEntry("m1", "2026-01-02T10:00:00Z")));
        EXPECT_TRUE(fs::is_regular_file(directory.path() / "Velmora" / "outbox.json"));
    }
    {
        // A relative data directory is ignored in favour of the home directory.
        ScopedEnvironment data("XDG_DATA_HOME", "relative/data");
        ScopedEnvironment home("HOME", directory.path().string());
        VelmoraJSONSessionStore sessions;
        run(sessions.save(VelmoraSession{"s1", std::nullopt, "t"}, "a"));
        EXPECT_TRUE(fs::is_regular_file(directory.path() / ".local" / "share" / "Velmora" /
                                        "sessions.json"));
    }
    {
        ScopedEnvironment data("XDG_DATA_HOME", std::nullopt);
        ScopedEnvironment home("HOME", "");
        try {
            VelmoraJSONPendingAttachmentStore store;
            FAIL() << "constructed without a location";
        } catch (const VelmoraError& error) {
            EXPECT_EQ(error.code(), VelmoraErrorCode::invalidConfig);
            EXPECT_FALSE(error.message().empty());
        }
        // An explicit path needs no environment.
        VelmoraJSONPendingAttachmentStore explicitStore(directory.path() / "p.json");
    }
}

// --- The file stores as actors -----------------------------------------------------------------

TEST(JSONFileStoreActorTest, ConcurrentCallersAreSerialisedAndResumeOnTheirOwnExecutor) {
    TemporaryDirectory directory;
    const auto file = directory.path() / "outbox.json";
    VelmoraJSONFileOutboxStore outbox(file);

    constexpr int threads = 4;
    constexpr int perThread = 10;
    std::vector<std::thread> workers;
    std::vector<int> resumedElsewhere(threads, 0);
    for (int t = 0; t < threads; ++t) {
        workers.emplace_back([&, t] {
            asio::io_context io;
            for (int i = 0; i < perThread; ++i) {
                asio::co_spawn(
                    io,
                    [&, t, i]() -> asio::awaitable<void> {
                        const auto id = std::to_string(t) + "-" + std::to_string(i);
                        co_await outbox.save(outboxEntry(id, "2026-01-02T10:00:00Z"));
                        resumedElsewhere[t] += io.get_executor().running_in_this_thread() ? 0 : 1;
                        const auto seen = co_await outbox.load();
                        resumedElsewhere[t] += io.get_executor().running_in_this_thread() ? 0 : 1;
                        EXPECT_GE(seen.size(), 1u);
                    },
                    asio::detached);
            }
            io.run();
        });
    }
    for (auto& worker : workers) {
        worker.join();
    }
    EXPECT_EQ(resumedElsewhere, std::vector<int>(threads, 0));
    EXPECT_EQ(run(outbox.load()).size(), static_cast<std::size_t>(threads * perThread));
    VelmoraJSONFileOutboxStore reopened(file);
    EXPECT_EQ(run(reopened.load()).size(), static_cast<std::size_t>(threads * perThread));
}

} // namespace
} // namespace velmora
