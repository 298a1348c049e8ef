#include "controller_open_widget_fixture.hpp"

#include <sys/stat.h>

#include <fstream>

namespace velmora::testing {
namespace {

class ControllerAttachmentsTest : public OpenWidgetFixture {
protected:
    std::filesystem::path file(const std::string& name, std::size_t bytes) {
        const auto path = directory.path() / name;
        std::ofstream(path, std::ios::binary) << std::string(bytes, 'x');
        return path;
    }
    static std::optional<std::string> messageOf(const VelmoraWidgetController& controller) {
        return controller.error() ? std::optional(controller.error()->message()) : std::nullopt;
    }

    TemporaryDirectory directory;
    Gate startGate;
};

TEST_F(ControllerAttachmentsTest, NamesSizesAndWhatCannotBeRead) {
    const std::string tooLarge = "Attachment is too large.";
    const std::string unreadable = "Attachment could not be read.";
    struct Case {
        const char* name;
        std::function<std::filesystem::path()> make;
        std::optional<std::string> mimeType, kind; // when accepted
        std::optional<std::string> error;
    };
    const Case cases[] = {
        {"capital PNG", [&] { return file("Photo.PNG", 10); }, "image/png", "image", {}},
        {"text", [&] { return file("notes.txt", 10); }, "text/plain", "text", {}},
        {"no extension", [&] { return file("README", 10); }, "text/plain", "text", {}},
        {"pdf", [&] { return file("invoice.pdf", 10); }, "application/pdf", "pdf", {}},
        {"webm", [&] { return file("clip.webm", 10); }, "video/webm", "video", {}},
        {"csv", [&] { return file("rows.csv", 10); }, "text/csv", "text", {}},
        {"empty", [&] { return file("empty.txt", 0); }, {}, {}, tooLarge},
        {"10 MiB exactly", [&] { return file("big.bin", 10'485'760); }, "text/plain", "text", {}},
        {"10 MiB and a byte", [&] { return file("bigger.bin", 10'485'761); }, {}, {}, tooLarge},
        {"image of 5 MiB", [&] { return file("a.jpg", 5'242'880); }, "image/jpeg", "image", {}},
        {"image of 5 MiB and a byte", [&] { return file("b.jpg", 5'242'881); }, {}, {}, tooLarge},
        // Refused by its size alone: nothing of it is read into memory.
        {"a sparse file of 4 GiB",
         [&] {
             const auto path = file("huge.bin", 0);
             std::filesystem::resize_file(path, std::uintmax_t{4} << 30);
             return path;
         },
         {},
         {},
         tooLarge},
        {"missing", [&] { return directory.path() / "missing.txt"; }, {}, {}, unreadable},
        {"a directory", [&] { return directory.path(); }, {}, {}, unreadable},
        {"a pipe",
         [&] {
             const auto path = directory.path() / "pipe.txt";
             ::mkfifo(path.c_str(), 0600);
             return path;
         },
         {},
         {},
         unreadable},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto controller = openController();
        controller->addAttachment(c.make());
        EXPECT_EQ(messageOf(*controller), c.error);
        if (c.error) {
            EXPECT_TRUE(controller->pendingAttachments().empty());
            EXPECT_EQ(controller->error()->code(), *c.error == tooLarge
                                                       ? VelmoraErrorCode::payloadTooLarge
                                                       : VelmoraErrorCode::fieldInvalid);
        } else {
            ASSERT_EQ(controller->pendingAttachments().size(), 1u);
            const auto& added = controller->pendingAttachments().front();
            EXPECT_EQ(added.mimeType, c.mimeType);
            EXPECT_EQ(added.kind, c.kind);
            EXPECT_EQ(added.id.size(), 36u);
            // The client's own rules agree with what the controller derived.
            EXPECT_NO_THROW(VelmoraClient::validateAttachments(controller->pendingAttachments()));
        }
        controller->destroy();
    }
}

TEST_F(ControllerAttachmentsTest, FiveAtMostRemovalByIdAndTheDraftKeepsThem) {
    auto controller = openController();
    const auto path = file("receipt.txt", 12);
    for (int i = 0; i < 5; ++i) {
        controller->addAttachment(path);
    }
    ASSERT_EQ(controller->pendingAttachments().size(), 5u);
    EXPECT_NE(controller->pendingAttachments()[0].id, controller->pendingAttachments()[1].id);
    controller->addAttachment(path);
    EXPECT_EQ(messageOf(*controller), "Attachment policy limits were exceeded.");
    EXPECT_EQ(controller->pendingAttachments().size(), 5u);

    const auto second = controller->pendingAttachments()[1];
    controller->removeAttachment(second);
    EXPECT_EQ(controller->pendingAttachments().size(), 4u);
    controller->removeAttachment(controller->pendingAttachments().front()); // an element itself
    EXPECT_EQ(controller->pendingAttachments().size(), 3u);
    controller->addAttachment(path);
    EXPECT_EQ(controller->pendingAttachments().size(), 4u);

    // A reopened widget shows the same files.
    const auto saved = controller->pendingAttachments();
    controller->close();
    auto reopened = makeController();
    EXPECT_EQ(reopened->pendingAttachments(), saved);
}

TEST_F(ControllerAttachmentsTest, ClosedWidgetsAddButStartedMessagesAndDestroyedOnesDoNot) {
    auto controller = makeController(); // never opened
    controller->addAttachment(file("a.txt", 3));
    EXPECT_EQ(controller->pendingAttachments().size(), 1u);

    client->onStartSession =
        [&](VelmoraSessionStartInput,
            std::vector<VelmoraAttachmentDraft>) -> asio::awaitable<VelmoraSession> {
        co_await startGate.wait();
        co_return VelmoraSession{"s-1", std::nullopt, "token"};
    };
    controller->open();
    drain(io);
    controller->updateDraft("Here is the file");
    controller->send();
    drain(io);
    ASSERT_TRUE(controller->pendingFirstDraftText());
    controller->addAttachment(file("b.txt", 3));
    EXPECT_EQ(messageOf(*controller), "Attachment policy limits were exceeded.");
    const auto before = controller->pendingAttachments();
    if (!before.empty()) {
        controller->removeAttachment(before.front());
    }
    EXPECT_EQ(controller->pendingAttachments(), before) << "they belong to the started message";

    controller->destroy();
    controller->addAttachment(file("c.txt", 3));
    EXPECT_EQ(messageOf(*controller), "Attachment policy limits were exceeded.");
}

TEST_F(ControllerAttachmentsTest, DownloadsPassTheBytesAndShowFailuresButNotCancellations) {
    auto controller = openController();
    const auto download = [&](VelmoraWidgetController& c) {
        std::optional<Data> bytes;
        std::exception_ptr failure;
        asio::co_spawn(
            io, [&]() -> asio::awaitable<void> { bytes = co_await c.downloadAttachment({}); },
            [&](std::exception_ptr e) { failure = e; });
        drain(io);
        return std::pair(bytes, failure);
    };
    client->onDownloadAttachment = [](VelmoraAttachment) -> asio::awaitable<Data> {
        co_return Data{1, 2, 3};
    };
    EXPECT_EQ(download(*controller).first, (Data{1, 2, 3}));
    EXPECT_FALSE(controller->error());

    client->onDownloadAttachment = [](VelmoraAttachment) -> asio::awaitable<Data> {
        throw velmoraError(VelmoraErrorCode::payloadTooLarge, "Attachment is too large.");
        co_return Data{};
    };
    EXPECT_TRUE(download(*controller).second);
    EXPECT_EQ(messageOf(*controller), "Attachment is too large.");

    client->onDownloadAttachment = [](VelmoraAttachment) -> asio::awaitable<Data> {
        throw std::runtime_error("x");
        co_return Data{};
    };
    EXPECT_TRUE(download(*controller).second);
    EXPECT_EQ(messageOf(*controller), "Attachment download failed.");
    EXPECT_EQ(controller->error()->code(), VelmoraErrorCode::network);

    client->onDownloadAttachment = [](VelmoraAttachment) -> asio::awaitable<Data> {
        throw boost::system::system_error(asio::error::operation_aborted);
        co_return Data{};
    };
    const auto cancelled = download(*controller).second;
    EXPECT_TRUE(isCancellation(cancelled));
    EXPECT_EQ(messageOf(*controller), "Attachment download failed.") << "left as it was";
}

} // namespace
} // namespace velmora::testing
