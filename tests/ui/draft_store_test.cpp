#include "controller_test_support.hpp"

#include "velmora/decoding_error.hpp"
#include "velmora/platform_services.hpp"

#include <fstream>

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
    auto controller = make(std::make_shared<VelmoraWidgetDraftStore>(file));
    controller->updateDraft("edited meanwhile");
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
    EXPECT_EQ(log.names, std::vector<std::string>{"draft"});
    EXPECT_FALSE(store->persistenceError());
    EXPECT_EQ(VelmoraWidgetDraftStore(file).state(english)->text, "a");

    // A write that fails is published with that keystroke, and not after a good one.
    fs::remove_all(file.parent_path());
    writeFile(file.parent_path(), "blocker");
    log.names.clear();
    controller->updateDraft("ab");
    EXPECT_EQ(log.names, (std::vector<std::string>{"draft", "error"}));
    EXPECT_EQ(controller->error()->message(), "Velmora widget draft storage could not be saved.");
    fs::remove(file.parent_path());
    log.names.clear();
    controller->updateDraft("abc");
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

} // namespace
} // namespace velmora::testing
