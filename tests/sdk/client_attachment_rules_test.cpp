#include "client/attachment_rules.hpp"
#include "detail/date_time.hpp"
#include "velmora/attachment_file.hpp"
#include "velmora/error.hpp"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace velmora::testing {
namespace {

using detail::attachmentKind;
using detail::validateAttachments;

VelmoraAttachmentDraft draft(std::string id, std::string mime, std::string kind, std::size_t bytes,
                             std::string name = "file.bin") {
    return VelmoraAttachmentDraft(std::move(id), std::move(name), std::move(mime), std::move(kind),
                                  Data(bytes, 0x41));
}

std::optional<std::pair<VelmoraErrorCode, std::string>>
failureOf(const std::vector<VelmoraAttachmentDraft>& drafts) {
    try {
        validateAttachments(drafts);
        return std::nullopt;
    } catch (const VelmoraError& e) {
        return std::pair{e.code(), e.message()};
    }
}

TEST(AttachmentRulesTest, DraftSetsAgainstTheLimits) {
    const auto policy = std::pair{VelmoraErrorCode::payloadTooLarge,
                                  std::string("Attachment policy limits were exceeded.")};
    const auto metadata =
        std::pair{VelmoraErrorCode::fieldInvalid, std::string("Attachment metadata is invalid.")};
    const auto image =
        std::pair{VelmoraErrorCode::payloadTooLarge, std::string("Image attachment is too large.")};
    const std::size_t twoMiB = 2'097'152;
    struct Case {
        const char* name;
        std::vector<VelmoraAttachmentDraft> drafts;
        std::optional<std::pair<VelmoraErrorCode, std::string>> failure;
    };
    std::vector<VelmoraAttachmentDraft> six, fiveFull, fiveOver;
    for (int i = 0; i < 6; ++i)
        six.push_back(draft("d" + std::to_string(i), "text/plain", "text", 1));
    for (int i = 0; i < 5; ++i) {
        fiveFull.push_back(draft("d" + std::to_string(i), "video/mp4", "video", twoMiB));
        // The last one oversized alone would be a metadata fault; the total is checked first.
        fiveOver.push_back(draft("d" + std::to_string(i), "video/mp4", "video", twoMiB + (i == 4)));
    }
    const Case cases[] = {
        {"empty", {}, std::nullopt},
        {"six tiny", six, policy},
        {"ten MiB in five", fiveFull, std::nullopt},
        {"one byte over in all", fiveOver, policy},
        {"capital image type", {draft("a", "IMAGE/PNG", "image", 10)}, std::nullopt},
        {"image kind for text", {draft("a", "text/plain", "image", 10)}, metadata},
        {"unknown kind", {draft("a", "text/plain", "file", 10)}, metadata},
        {"pdf must be pdf", {draft("a", "application/pdf", "text", 10)}, metadata},
        {"svg is text", {draft("a", "image/svg+xml", "text", 10)}, std::nullopt},
        {"image at 5 MiB", {draft("a", "image/png", "image", 5'242'880)}, std::nullopt},
        {"image over 5 MiB", {draft("a", "image/png", "image", 5'242'881)}, image},
        {"video of 8 MiB", {draft("a", "video/mp4", "video", 8'388'608)}, std::nullopt},
        {"empty file", {draft("a", "text/plain", "text", 0)}, metadata},
        {"180 characters",
         {draft("a", "text/plain", "text", 1, std::string(180, 'n'))},
         std::nullopt},
        {"181 characters", {draft("a", "text/plain", "text", 1, std::string(181, 'n'))}, metadata},
        {"slash", {draft("a", "text/plain", "text", 1, "a/b")}, metadata},
        {"backslash", {draft("a", "text/plain", "text", 1, "a\\b")}, metadata},
        {"empty name", {draft("a", "text/plain", "text", 1, "")}, metadata},
        {"repeated id",
         {draft("a", "text/plain", "text", 1), draft("a", "video/mp4", "video", 9, "x.mp4")},
         metadata},
        // The type goes into the upload's Content-Type header.
        {"type with LF", {draft("a", "text/plain\nX-Evil: 1", "text", 1)}, metadata},
        {"type with CR", {draft("a", "text/plain\r", "text", 1)}, metadata},
        {"type with NUL", {draft("a", std::string("text/plain\0x", 12), "text", 1)}, metadata},
    };
    for (const auto& c : cases)
        EXPECT_EQ(failureOf(c.drafts), c.failure) << c.name;
}

TEST(AttachmentRulesTest, KindsAndTypesByName) {
    EXPECT_EQ(attachmentKind("image/webp", "x"), "image");
    EXPECT_EQ(attachmentKind("image/heic", "x.heic"), "text");
    EXPECT_EQ(attachmentKind("VIDEO/WEBM", "x"), "video");
    EXPECT_EQ(attachmentKind("", "x.pdf"), "text");
    const std::pair<const char*, const char*> names[] = {
        {"a.png", "image/png"},   {"a.apng", "image/png"},  {"a.JPG", "image/jpeg"},
        {"a.jpeg", "image/jpeg"}, {"a.gif", "image/gif"},   {"a.webp", "image/webp"},
        {"a.mp4", "video/mp4"},   {"a.webm", "video/webm"}, {"a.pdf", "application/pdf"},
        {"a.csv", "text/csv"},    {"a.txt", "text/plain"},  {"notes.md", "text/plain"},
        {"README", "text/plain"}};
    for (const auto& [name, type] : names)
        EXPECT_EQ(detail::mimeTypeForFileName(name), type) << name;
}

VelmoraAttachmentUploadIntent intent(std::string clientId) {
    return {clientId, "att-" + clientId, "u", "t", "2030-01-01T00:00:00Z"};
}

TEST(AttachmentRulesTest, GrantedIntentsMatchTheAnnouncedFiles) {
    auto table = detail::validateAttachmentIntents({intent("a"), intent("b")}, {"a", "b"});
    EXPECT_EQ(table.at("b").attachmentId, "att-b");
    const struct {
        std::vector<VelmoraAttachmentUploadIntent> intents;
        std::string message;
    } cases[] = {
        {{intent("a"), intent("b")}, "Velmora returned incomplete attachment intents."},
        {{intent("a"), intent("a"), intent("b")}, "Velmora returned duplicate attachment intents."},
        {{intent("a"), intent("b"), intent("c"), intent("d")},
         "Velmora returned incomplete attachment intents."},
    };
    for (const auto& c : cases) {
        try {
            detail::validateAttachmentIntents(c.intents, {"a", "b", "c"});
            ADD_FAILURE() << c.message;
        } catch (const VelmoraError& e) {
            EXPECT_EQ(e.code(), VelmoraErrorCode::http);
            EXPECT_EQ(e.message(), c.message);
            EXPECT_EQ(e.status(), std::nullopt);
        }
    }
}

TEST(AttachmentRulesTest, IntentExpiry) {
    const auto now = std::chrono::system_clock::now();
    EXPECT_FALSE(detail::isAttachmentIntentExpired("2030-01-01T00:00:00Z", now));
    EXPECT_FALSE(detail::isAttachmentIntentExpired("2030-01-01T00:00:00.123Z", now));
    EXPECT_TRUE(detail::isAttachmentIntentExpired("2020-01-01T00:00:00Z", now));
    EXPECT_TRUE(detail::isAttachmentIntentExpired("soon", now));
    EXPECT_TRUE(detail::isAttachmentIntentExpired("", now));
    // A year no Date can hold is no expiry at all, however far ahead it seems.
    EXPECT_TRUE(detail::isAttachmentIntentExpired("1013-01-01T09:00:00Z", now));
    EXPECT_TRUE(detail::isAttachmentIntentExpired("9999-01-01T00:00:00Z", now));
    // Expiring exactly now counts as expired.
    const auto whole = std::chrono::floor<std::chrono::seconds>(now);
    EXPECT_TRUE(
        detail::isAttachmentIntentExpired("1970-01-01T00:00:00Z", Date(std::chrono::seconds(0))));
    EXPECT_TRUE(detail::isAttachmentIntentExpired(detail::formatInternetDateTime(whole), whole));
}

TEST(AttachmentRulesTest, HostDescriptorsAreReadStrictly) {
    const JSONValue::Object good{{"clientId", JSONValue("c1")},
                                 {"fileName", JSONValue("a.PDF")},
                                 {"mimeType", JSONValue("Application/PDF")},
                                 {"sizeBytes", JSONValue(12.0)},
                                 {"kind", JSONValue("pdf")}};
    auto decoded = detail::decodeAttachmentDescriptor(good);
    EXPECT_EQ(decoded,
              (detail::VelmoraAttachmentDescriptor{"c1", "a.PDF", "application/pdf", 12, "pdf"}));
    auto with = [&](std::string key, JSONValue value) {
        auto copy = good;
        copy.insert_or_assign(std::move(key), std::move(value));
        return copy;
    };
    auto without = [&](const std::string& key) {
        auto copy = good;
        copy.erase(key);
        return copy;
    };
    const JSONValue::Object bad[] = {with("extra", JSONValue(true)),
                                     without("kind"),
                                     with("sizeBytes", JSONValue(1.5)),
                                     with("sizeBytes", JSONValue(0.0)),
                                     with("sizeBytes", JSONValue(10'485'761.0)),
                                     with("sizeBytes", JSONValue("12")),
                                     with("kind", JSONValue("text")),
                                     with("fileName", JSONValue("a/b.pdf")),
                                     with("clientId", JSONValue("")),
                                     with("clientId", JSONValue("a\tb")),
                                     with("mimeType", JSONValue(std::string(129, 'x')))};
    for (const auto& object : bad) {
        try {
            detail::decodeAttachmentDescriptor(object);
            ADD_FAILURE() << "accepted";
        } catch (const VelmoraError& e) {
            EXPECT_EQ(e.message(), "Attachment descriptor is invalid.");
        }
    }
}

/// A scratch directory standing for the home directory, with a sibling outside it.
class LocalFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        root = std::filesystem::temp_directory_path() /
               ("velmora-local-file-" + std::to_string(::getpid()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(root);
        home = root / "home";
        std::filesystem::create_directories(home / "docs");
        std::filesystem::create_directories(root / "outside");
    }
    void TearDown() override { std::filesystem::remove_all(root); }

    static void write(const std::filesystem::path& path, std::string_view bytes) {
        std::ofstream(path, std::ios::binary) << bytes;
    }
    std::string uri(const std::string& path) const { return "file://" + path; }

    std::optional<std::string> failure(const std::string& fileUri,
                                       const std::function<void(int)>& afterOpen = {}) {
        try {
            detail::readLocalFile(fileUri, home.string(), afterOpen);
            return std::nullopt;
        } catch (const VelmoraError& e) {
            return e.message();
        }
    }

    std::filesystem::path root;
    std::filesystem::path home;
};

TEST_F(LocalFileTest, ReadsARegularFileInsideHome) {
    write(home / "docs" / "Report.PDF", "%PDF-1");
    auto file = detail::readLocalFile(uri((home / "docs" / "Report.PDF").string()), home.string());
    EXPECT_EQ(file.data, (Data{'%', 'P', 'D', 'F', '-', '1'}));
    EXPECT_EQ(file.fileName, "Report.PDF");
    EXPECT_EQ(file.mimeType, "application/pdf");
    // Dot-dot segments that lead back inside are fine.
    auto back = detail::readLocalFile(uri((home / "docs" / ".." / "docs" / "Report.PDF").string()),
                                      home.string());
    EXPECT_EQ(back.data, file.data);
}

TEST_F(LocalFileTest, RefusesWhatIsNotASafeRegularFileInsideHome) {
    const std::string unreadable = "Attachment fileUri is unreadable or outside the app container.";
    const std::string notFile = "Attachment fileUri must be a local file URL.";
    write(root / "outside" / "secret.txt", "secret");
    write(home / "empty.txt", "");
    write(home / "ok.txt", "ok");
    std::filesystem::create_symlink(root / "outside" / "secret.txt", home / "escape.txt");
    std::filesystem::create_directory(home / "folder");
    std::filesystem::create_symlink(root / "outside", home / "linkdir");
    write(home / "big.bin", std::string(10'485'761, 'x'));

    const std::pair<std::string, std::string> cases[] = {
        {uri((home / "escape.txt").string()), unreadable},
        {uri((home / "linkdir" / "secret.txt").string()), unreadable},
        {uri((home / ".." / "outside" / "secret.txt").string()), unreadable},
        {uri((home / "empty.txt").string()), unreadable},
        {uri((home / "folder").string()), unreadable},
        {uri((home / "missing.txt").string()), unreadable},
        {uri((home / "big.bin").string()), unreadable},
        {uri(home.string()), unreadable},
        {"https://example.com/ok.txt", notFile},
        {"not a url", notFile},
        {"file://other-host" + (home / "ok.txt").string(), notFile},
    };
    for (const auto& [fileUri, message] : cases)
        EXPECT_EQ(failure(fileUri), message) << fileUri;
}

TEST_F(LocalFileTest, AFileThatChangesWhileReadIsAnErrorNotACrash) {
    write(home / "shrinks.txt", std::string(4096, 'a'));
    write(home / "grows.txt", std::string(10, 'a'));
    const std::string changed = "Attachment changed while it was being read.";
    EXPECT_EQ(failure(uri((home / "shrinks.txt").string()),
                      [&](int) { std::filesystem::resize_file(home / "shrinks.txt", 100); }),
              changed);
    EXPECT_EQ(failure(uri((home / "grows.txt").string()),
                      [&](int) { write(home / "grows.txt", std::string(50, 'b')); }),
              changed);
}

// A host's own file by path: no home container, the same safe open and size rules.
TEST_F(LocalFileTest, ReadsAHostFileByPathIntoADraft) {
    write(root / "outside" / "Photo.JPG", "jpeg-bytes");
    std::filesystem::create_symlink(root / "outside" / "Photo.JPG", home / "latest");
    for (const auto& path : {root / "outside" / "Photo.JPG", home / "latest"}) {
        auto draft = readAttachmentFile(path);
        EXPECT_EQ(draft.fileName, "Photo.JPG") << path;
        EXPECT_EQ(draft.mimeType, "image/jpeg");
        EXPECT_EQ(draft.kind, "image");
        EXPECT_EQ(draft.data, (Data{'j', 'p', 'e', 'g', '-', 'b', 'y', 't', 'e', 's'}));
        EXPECT_NO_THROW(validateAttachments({draft}));
    }
    // Each read is a file of its own to the service.
    EXPECT_NE(readAttachmentFile(home / "latest").id, readAttachmentFile(home / "latest").id);
}

TEST_F(LocalFileTest, RefusesAHostPathThatIsNotANonEmptyRegularFileUpTo10MiB) {
    write(home / "empty.txt", "");
    write(home / "big.bin", std::string(10'485'761, 'x'));
    std::filesystem::create_symlink(home / "missing.txt", home / "dangling");
    const std::filesystem::path cases[] = {home / "missing.txt",
                                           home / "empty.txt",
                                           home / "big.bin",
                                           home / "dangling",
                                           home / "docs",
                                           std::filesystem::path(),
                                           std::filesystem::path(std::string("a\0b", 3))};
    for (const auto& path : cases) {
        try {
            readAttachmentFile(path);
            ADD_FAILURE() << path << " was read";
        } catch (const VelmoraError& e) {
            EXPECT_EQ(e.code(), VelmoraErrorCode::fieldInvalid) << path;
            EXPECT_EQ(e.message(), "Attachment file is unreadable, empty or over 10 MiB.") << path;
        }
    }
    write(home / "shrinks.txt", std::string(4096, 'a'));
    try {
        detail::readHostFile(home / "shrinks.txt",
                             [&](int) { std::filesystem::resize_file(home / "shrinks.txt", 1); });
        ADD_FAILURE() << "a file that shrank was read";
    } catch (const VelmoraError& e) {
        EXPECT_EQ(e.code(), VelmoraErrorCode::network);
        EXPECT_EQ(e.message(), "Attachment changed while it was being read.");
    }
}

} // namespace
} // namespace velmora::testing
