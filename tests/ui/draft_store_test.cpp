#include "controller_test_support.hpp"

#include "detail/store_file.hpp"
#include "velmora/decoding_error.hpp"

#include <condition_variable>
#include <fstream>
#include <mutex>
#include <stdexcept>
#include <thread>

namespace velmora::testing {
namespace {

namespace fs = std::filesystem;

std::string readFile(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void writeFile(const fs::path& file, const std::string& text) {
    fs::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << text;
}

std::vector<fs::path> setAside(const fs::path& directory) {
    std::vector<fs::path> found;
    for (const auto& entry : fs::directory_iterator(directory)) {
        if (entry.path().filename().string().starts_with("widget-drafts.json.corrupt-")) {
            found.push_back(entry.path());
        }
    }
    return found;
}

class DraftStoreTest : public ::testing::Test {
protected:
    TemporaryDirectory directory;
    fs::path file = directory.path() / "Velmora" / "widget-drafts.json";
    ScriptedWidgetClient english{"https://service\x1fint\x1f"
                                 "acct\x1f"
                                 "en"};
    ScriptedWidgetClient german{"https://service\x1fint\x1f"
                                "acct\x1f"
                                "de"};
    VelmoraWidgetDraftState typed{
        "Hello",     std::nullopt, std::nullopt, {}, VelmoraWidgetDraftOperation::sessionStart,
        std::nullopt};
};

TEST_F(DraftStoreTest, KeepsOneDraftPerIdentityThroughTheFile) {
    const VelmoraAttachmentDraft file1("F-1", "a.png", "image/png", "image", Data{0, 1, 2, 255});
    const VelmoraWidgetDraftState started{
        "Hi there", "KEY-1", "2026-01-01T00:00:00Z", {file1}, VelmoraWidgetDraftOperation::message,
        "s-1"};
    {
        VelmoraWidgetDraftStore store(file);
        EXPECT_FALSE(store.save(typed, english));
        EXPECT_FALSE(store.save(started, german));
    }
    VelmoraWidgetDraftStore reopened(file);
    EXPECT_EQ(reopened.state(english), typed);
    EXPECT_EQ(reopened.state(german), started);
    EXPECT_FALSE(reopened.persistenceError());
    // Absent optionals are left out of the file.
    EXPECT_EQ(encodeJSON(typed), R"({"text":"Hello","attachments":[],"operation":"sessionStart"})");
    EXPECT_EQ(decodeWidgetDraftState(encodeJSON(started)), started);

    // An empty draft removes the entry; blanks are kept.
    EXPECT_FALSE(reopened.save(VelmoraWidgetDraftState{}, english));
    EXPECT_FALSE(reopened.state(english));
    VelmoraWidgetDraftState blanks = typed;
    blanks.text = "  ";
    EXPECT_FALSE(reopened.save(blanks, english));
    EXPECT_EQ(VelmoraWidgetDraftStore(file).state(english), blanks);
}

TEST(DraftStateDecodingTest, AFailureNamesItsKindAndTheFieldAtFault) {
    using Kind = VelmoraDecodingError::Kind;
    struct Case {
        const char* json;
        Kind kind;
        const char* path;
    };
    const Case cases[] = {
        {R"({"attachments":[],"operation":"message"})", Kind::keyNotFound, "text"},
        {R"({"text":null,"attachments":[],"operation":"message"})", Kind::valueNotFound, "text"},
        {R"({"text":"t","attachments":{},"operation":"message"})", Kind::typeMismatch,
         "attachments"},
        // A bad file keeps its place in the list.
        {R"({"text":"t","attachments":[{"id":"d"}],"operation":"message"})", Kind::keyNotFound,
         "attachments[0].fileName"},
        {R"({"text":"t","attachments":[],"operation":"later"})", Kind::dataCorrupted, "operation"},
        {R"({"text":"t","attachments":[],"operation":"message","targetSessionId":7})",
         Kind::typeMismatch, "targetSessionId"},
        {R"(["t"])", Kind::typeMismatch, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.json);
        try {
            decodeWidgetDraftState(c.json);
            ADD_FAILURE() << "decoded";
        } catch (const VelmoraDecodingError& error) {
            EXPECT_EQ(error.kind(), c.kind);
            EXPECT_EQ(error.path(), c.path);
        }
    }
    // Unknown keys are ignored and a null optional reads as absent.
    EXPECT_EQ(decodeWidgetDraftState(
                  R"({"text":"t","startedAt":null,"attachments":[],"operation":"message","x":1})"),
              (VelmoraWidgetDraftState{"t",
                                       std::nullopt,
                                       std::nullopt,
                                       {},
                                       VelmoraWidgetDraftOperation::message,
                                       std::nullopt}));
}

TEST_F(DraftStoreTest, ClearOnAMissingFileWritesAnEmptyObjectPrivately) {
    VelmoraWidgetDraftStore store(file);
    EXPECT_FALSE(store.state(english));
    EXPECT_FALSE(store.persistenceError());
    EXPECT_FALSE(store.clear(english));
    EXPECT_EQ(readFile(file), "{}");
    EXPECT_EQ(fs::status(file).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write);
}

TEST_F(DraftStoreTest, AStoreInMemoryNeverTouchesAFile) {
    VelmoraWidgetDraftStore store;
    EXPECT_FALSE(store.save(typed, english));
    EXPECT_EQ(store.state(english), typed);
    EXPECT_FALSE(store.clear(english));
    EXPECT_FALSE(store.persistenceError());
    EXPECT_FALSE(store.fileURL());
}

TEST_F(DraftStoreTest, AFileThatIsThereButUnreadableIsAnErrorAndNeverOverwritten) {
    // A directory where the file should be: something is at the path that cannot be read.
    fs::create_directories(file);
    fs::create_directories(file / "inside");
    VelmoraWidgetDraftStore store(file);
    EXPECT_FALSE(store.state(english));
    ASSERT_TRUE(store.persistenceError());
    EXPECT_EQ(store.persistenceError()->code(), VelmoraErrorCode::outboxCorrupt);
    EXPECT_EQ(store.persistenceError()->message(),
              "Velmora widget draft storage could not be read.");
    // The store goes on in memory and leaves what is there alone.
    EXPECT_FALSE(store.save(typed, english));
    EXPECT_EQ(store.state(english), typed);
    EXPECT_TRUE(fs::is_directory(file / "inside"));
}

TEST_F(DraftStoreTest, AnUndecodableFileIsSetAsideAndTheStoreStartsEmpty) {
    const std::string cases[] = {
        "not json",
        R"({"k":{"text":"x","attachments":[],"operation":"reply"}})",
        R"({"k":{"attachments":[],"operation":"message"}})",
        R"({"k":{"text":"x","attachments":[{"id":"1"}],"operation":"message"}})",
        R"([])",
    };
    for (const auto& bytes : cases) {
        SCOPED_TRACE(bytes);
        fs::remove_all(file.parent_path());
        writeFile(file, bytes);
        VelmoraWidgetDraftStore store(file);
        EXPECT_FALSE(store.state(english));
        ASSERT_TRUE(store.persistenceError());
        EXPECT_EQ(store.persistenceError()->message(), "Velmora widget draft storage is corrupt.");
        // Kept, byte for byte, under another name.
        const auto aside = setAside(file.parent_path());
        ASSERT_EQ(aside.size(), 1u);
        EXPECT_EQ(readFile(aside.front()), bytes);
        EXPECT_FALSE(fs::exists(file));
        // The next draft is saved again and the error is over.
        EXPECT_FALSE(store.save(typed, english));
        EXPECT_FALSE(store.persistenceError());
        EXPECT_EQ(VelmoraWidgetDraftStore(file).state(english), typed);
    }
}

TEST_F(DraftStoreTest, AFailedWriteIsReportedUntilALaterWriteSucceeds) {
    // A plain file where the "Velmora" directory should be: the write cannot create it.
    writeFile(directory.path() / "blocker", "x");
    const fs::path blocked = directory.path() / "blocker" / "widget-drafts.json";
    VelmoraWidgetDraftStore store(blocked);
    const auto failure = store.save(typed, english);
    ASSERT_TRUE(failure);
    EXPECT_EQ(failure->code(), VelmoraErrorCode::outboxCorrupt);
    EXPECT_EQ(failure->message(), "Velmora widget draft storage could not be saved.");
    EXPECT_EQ(store.persistenceError(), failure);
    EXPECT_EQ(store.state(english), typed); // kept in memory

    fs::remove(directory.path() / "blocker");
    EXPECT_FALSE(store.save(typed, german));
    EXPECT_FALSE(store.persistenceError());
    VelmoraWidgetDraftStore reopened(blocked);
    EXPECT_EQ(reopened.state(english), typed);
    EXPECT_EQ(reopened.state(german), typed);
}

class ControllerDraftTest : public DraftStoreTest {
protected:
    asio::io_context io;
    std::shared_ptr<ScriptedWidgetClient> client =
        std::make_shared<ScriptedWidgetClient>(english.identity);

    std::shared_ptr<VelmoraWidgetController> make(std::shared_ptr<VelmoraWidgetDraftStore> store) {
        return VelmoraWidgetController::create(io.get_executor(), client, false, std::nullopt,
                                               std::nullopt, {}, {}, std::move(store));
    }

    /// A keystroke's write has ended and its outcome has reached the main thread.
    void settle(VelmoraWidgetDraftStore& store) {
        store.waitForPendingWrites();
        io.restart();
        io.poll();
    }
};

TEST_F(ControllerDraftTest, TypingIsSavedAndANewControllerForTheSameIdentityGetsItBack) {
    auto first = make(std::make_shared<VelmoraWidgetDraftStore>(file));
    first->updateDraft("Where is my order?");
    first->close();
    first.reset();

    auto again = make(std::make_shared<VelmoraWidgetDraftStore>(file));
    EXPECT_EQ(again->draft(), "Where is my order?");
    EXPECT_FALSE(again->pendingFirstDraftText());

    auto otherClient = std::make_shared<ScriptedWidgetClient>(german.identity);
    auto other = VelmoraWidgetController::create(io.get_executor(), otherClient, false,
                                                 std::nullopt, std::nullopt, {}, {},
                                                 std::make_shared<VelmoraWidgetDraftStore>(file));
    EXPECT_EQ(other->draft(), "");

    // Clearing removes it from the file; an outside assignment stores nothing.
    again->clearDraft();
    again->setDraft("not saved");
    EXPECT_FALSE(VelmoraWidgetDraftStore(file).state(english));
}

TEST_F(ControllerDraftTest, AStoredStartedMessageSurvivesEditsAndIsDroppedOnlyOnRequest) {
    {
        VelmoraWidgetDraftStore seed(file);
        seed.save({"First message",
                   "KEY-1",
                   "2026-01-01T00:00:00Z",
                   {},
                   VelmoraWidgetDraftOperation::sessionStart,
                   std::nullopt},
                  english);
    }
    auto store = std::make_shared<VelmoraWidgetDraftStore>(file);
    auto controller = make(store);
    controller->updateDraft("edited meanwhile");
    settle(*store);
    EXPECT_EQ(VelmoraWidgetDraftStore(file).state(english)->idempotencyKey, "KEY-1");
    EXPECT_EQ(VelmoraWidgetDraftStore(file).state(english)->text, "First message");

    controller->clearDraft(); // refused while a started message is pending
    EXPECT_EQ(controller->draft(), "edited meanwhile");
    EXPECT_TRUE(VelmoraWidgetDraftStore(file).state(english));

    controller->cancelPendingDraft();
    EXPECT_FALSE(controller->pendingFirstDraftText());
    EXPECT_EQ(controller->draft(), "edited meanwhile");
    EXPECT_FALSE(VelmoraWidgetDraftStore(file).state(english));
    controller->clearDraft();
    EXPECT_EQ(controller->draft(), "");
}

TEST_F(ControllerDraftTest, AStorageFailureIsShownOnceAndClearsWithTheNextGoodWrite) {
    writeFile(file, "{broken");
    auto store = std::make_shared<VelmoraWidgetDraftStore>(file);
    auto controller = make(store);
    ASSERT_TRUE(controller->error());
    EXPECT_EQ(controller->error()->message(), "Velmora widget draft storage is corrupt.");
    EXPECT_EQ(controller->draft(), "");

    // The next keystroke is saved: the store works again and publishes nothing new.
    NotificationLog log(*controller);
    controller->updateDraft("a");
    settle(*store);
    EXPECT_EQ(log.names, std::vector<std::string>{"draft"});
    EXPECT_FALSE(store->persistenceError());
    EXPECT_EQ(VelmoraWidgetDraftStore(file).state(english)->text, "a");

    // A write that fails is published with that keystroke, and not after a good one.
    fs::remove_all(file.parent_path());
    writeFile(file.parent_path(), "blocker");
    log.names.clear();
    controller->updateDraft("ab");
    settle(*store);
    EXPECT_EQ(log.names, (std::vector<std::string>{"draft", "error"}));
    EXPECT_EQ(controller->error()->message(), "Velmora widget draft storage could not be saved.");
    fs::remove(file.parent_path());
    log.names.clear();
    controller->updateDraft("abc");
    settle(*store);
    EXPECT_EQ(log.names, std::vector<std::string>{"draft"});
    EXPECT_EQ(VelmoraWidgetDraftStore(file).state(english)->text, "abc");
}

TEST_F(ControllerDraftTest, DiscardingForASessionResetEmptiesEverything) {
    auto store = std::make_shared<VelmoraWidgetDraftStore>(file);
    store->save({"Pending",
                 "KEY-2",
                 "2026-01-01T00:00:00Z",
                 {},
                 VelmoraWidgetDraftOperation::sessionStart,
                 std::nullopt},
                english);
    auto controller = make(store);
    controller->discardDraftForSessionReset();
    EXPECT_EQ(controller->draft(), "");
    EXPECT_FALSE(controller->pendingFirstDraftText());
    EXPECT_FALSE(VelmoraWidgetDraftStore(file).state(english));
}

/// A disk the test holds: each write records the thread it ran on and the bytes it wrote, and
/// waits while the gate is shut (except on the test's own thread, which must never wait for it).
class HeldDisk {
public:
    struct Write {
        std::thread::id thread;
        std::string bytes;
    };

    VelmoraWidgetDraftFileWriter writer() {
        return [this](const fs::path& path, std::string_view bytes) { write(path, bytes); };
    }
    void shut() {
        std::lock_guard lock(mutex_);
        open_ = false;
    }
    void open() {
        {
            std::lock_guard lock(mutex_);
            open_ = true;
        }
        changed_.notify_all();
    }
    void failWrites() {
        std::lock_guard lock(mutex_);
        failing_ = true;
    }
    void waitUntilStarted(std::size_t count) {
        std::unique_lock lock(mutex_);
        changed_.wait_for(lock, std::chrono::seconds(10), [&] { return started_ >= count; });
    }
    std::vector<Write> writes() {
        std::lock_guard lock(mutex_);
        return writes_;
    }
    const std::thread::id mainThread = std::this_thread::get_id();

private:
    void write(const fs::path& path, std::string_view bytes) {
        std::unique_lock lock(mutex_);
        ++started_;
        changed_.notify_all();
        if (std::this_thread::get_id() != mainThread) {
            changed_.wait_for(lock, std::chrono::seconds(10), [&] { return open_; });
        }
        writes_.push_back({std::this_thread::get_id(), std::string(bytes)});
        if (failing_) {
            throw std::runtime_error("disk full");
        }
        lock.unlock();
        detail::writeStoreFileAtomically(path, bytes);
    }

    std::mutex mutex_;
    std::condition_variable changed_;
    bool open_ = true;
    bool failing_ = false;
    std::size_t started_ = 0;
    std::vector<Write> writes_;
};

bool holdsText(const HeldDisk::Write& write, const std::string& text) {
    return write.bytes.find("\"text\":\"" + text + "\"") != std::string::npos;
}

class ControllerDraftWriteTest : public ControllerDraftTest {
protected:
    HeldDisk disk;
    std::shared_ptr<VelmoraWidgetDraftStore> store =
        std::make_shared<VelmoraWidgetDraftStore>(file, disk.writer());
    std::shared_ptr<VelmoraWidgetController> controller = make(store);

    void TearDown() override {
        disk.open();
        controller->destroy();
    }
};

TEST_F(ControllerDraftWriteTest, TypingNeverWaitsForTheDiskAndTheLastTextReachesTheFile) {
    disk.shut();
    controller->updateDraft("W");
    disk.waitUntilStarted(1);
    // The first write is held by the disk; the keystrokes that follow return at once.
    for (const char* text : {"Wh", "Whe", "Wher", "Where"}) {
        controller->updateDraft(text);
    }
    EXPECT_EQ(controller->draft(), "Where");
    disk.open();
    settle(*store);

    // The held write, then the burst as one write of its last text; none on this thread.
    const auto writes = disk.writes();
    ASSERT_EQ(writes.size(), 2u);
    EXPECT_TRUE(holdsText(writes[0], "W"));
    EXPECT_TRUE(holdsText(writes[1], "Where"));
    for (const auto& write : writes) {
        EXPECT_NE(write.thread, disk.mainThread);
    }
    EXPECT_EQ(VelmoraWidgetDraftStore(file).state(english)->text, "Where");
    EXPECT_FALSE(controller->error());
}

TEST_F(ControllerDraftWriteTest, AFailedWriteIsPublishedOnTheMainThreadForEachKeystroke) {
    disk.failWrites();
    NotificationLog log(*controller);
    std::vector<std::thread::id> publishedOn;
    auto errors = controller->observe(VelmoraWidgetProperty::error, [&](VelmoraWidgetProperty) {
        publishedOn.push_back(std::this_thread::get_id());
    });

    controller->updateDraft("a");
    EXPECT_EQ(log.names, std::vector<std::string>{"draft"}); // the disk has not answered yet
    settle(*store);
    EXPECT_EQ(log.names, (std::vector<std::string>{"draft", "error"}));
    ASSERT_TRUE(controller->error());
    EXPECT_EQ(controller->error()->message(), "Velmora widget draft storage could not be saved.");
    EXPECT_EQ(store->persistenceError(), controller->error());

    // The next keystroke's write fails again and is published again.
    controller->updateDraft("ab");
    settle(*store);
    EXPECT_EQ(log.names, (std::vector<std::string>{"draft", "error", "draft", "error"}));
    EXPECT_EQ(publishedOn, std::vector<std::thread::id>(2, disk.mainThread));
    EXPECT_EQ(store->state(english)->text, "ab"); // kept in memory
}

TEST_F(ControllerDraftWriteTest, ClosingWaitsForTheTypedDraftBeforeItWritesItself) {
    disk.shut();
    controller->updateDraft("Are you");
    disk.waitUntilStarted(1);
    controller->updateDraft("Are you there?"); // queued behind the held write
    std::thread opener([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        disk.open();
    });
    controller->close();
    opener.join();

    // Both background writes ended before the closing write, which comes last.
    const auto writes = disk.writes();
    ASSERT_EQ(writes.size(), 3u);
    EXPECT_TRUE(holdsText(writes[0], "Are you"));
    EXPECT_TRUE(holdsText(writes[1], "Are you there?"));
    EXPECT_NE(writes[1].thread, disk.mainThread);
    EXPECT_TRUE(holdsText(writes[2], "Are you there?"));
    EXPECT_EQ(writes[2].thread, disk.mainThread);
    EXPECT_EQ(VelmoraWidgetDraftStore(file).state(english)->text, "Are you there?");
}

} // namespace
} // namespace velmora::testing
