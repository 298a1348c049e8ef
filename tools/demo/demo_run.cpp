#include "demo_run.hpp"

#include "transcript.hpp"
#include "velmora/attachment_file.hpp"
#include "velmora/client.hpp"
#include "velmora/json_file_stores.hpp"
#include "widget_service.hpp"

#include <boost/asio/as_tuple.hpp>
#include <boost/asio/bind_cancellation_slot.hpp>
#include <boost/asio/cancellation_signal.hpp>
#include <boost/asio/co_spawn.hpp>
#include <boost/asio/io_context.hpp>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <optional>
#include <system_error>
#include <utility>
#include <vector>

namespace velmora::demo {
namespace {

namespace asio = boost::asio;
namespace fs = std::filesystem;

constexpr double kAssistantTimeout = 30;
constexpr double kPollInterval = 0.5;

/// A directory of our own for the stores, removed again when the demo ends.
class TemporaryDirectory {
public:
    TemporaryDirectory() {
        std::string pattern = (fs::temp_directory_path() / "velmora-demo-XXXXXX").string();
        if (!::mkdtemp(pattern.data()))
            throw std::system_error(errno, std::generic_category(), "mkdtemp");
        path_ = pattern;
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

/// Whether the assistant or a teammate has already answered the customer's last message.
bool hasReply(const VelmoraSnapshot& snapshot) {
    bool replied = false;
    for (const auto& message : snapshot.messages) {
        if (message.authorKind == "customer")
            replied = false;
        else if (message.authorKind == "ai" || message.authorKind == "teammate")
            replied = true;
    }
    return replied;
}

asio::awaitable<void> followEvents(AsyncStream<VelmoraEvent> events, Transcript& transcript) {
    for (;;) {
        auto [error, event] = co_await events.next(asio::as_tuple(asio::use_awaitable));
        if (error || !event)
            co_return;
        if (const auto* snapshot = std::get_if<event::snapshot>(&*event))
            transcript.show(snapshot->value());
    }
}

/// Shows the conversation up to the assistant's answer to the customer's last message.
/// `afterSend` is the conversation as read since the send, if it was: a quick assistant may have
/// answered in it already, and a wait only ever ends on a message it has not seen.
asio::awaitable<void> showReply(VelmoraClient& client, Transcript& transcript,
                                std::optional<VelmoraSnapshot> afterSend) {
    if (afterSend) {
        transcript.show(*afterSend);
        if (hasReply(*afterSend))
            co_return;
    }
    transcript.show(co_await client.waitForAssistant(kAssistantTimeout));
}

/// What the conversation looks like once a send has returned; for a send with files it is read
/// again, since the send read it before the files were uploaded.
asio::awaitable<std::optional<VelmoraSnapshot>>
afterSending(VelmoraClient& client, Transcript& transcript, bool sentFiles) {
    if (!sentFiles)
        co_return std::nullopt;
    auto snapshot = co_await client.refresh();
    transcript.release(snapshot);
    co_return snapshot;
}

// The files go with the first message: the session's opening one, or with --store of a session
// kept there, the first one sent in it.
asio::awaitable<void> converse(VelmoraClient& client, const DemoOptions& options,
                               std::vector<VelmoraAttachmentDraft> files, Transcript& transcript) {
    bool resumed = false;
    if (options.storeDirectory)
        resumed = (co_await client.resumeSession()).has_value();
    std::size_t next = 0;
    if (!resumed) {
        const bool sentFiles = !files.empty();
        if (sentFiles)
            transcript.hold();
        co_await client.startSession(
            VelmoraSessionStartInput{options.messages.front(), {}, {}, {}, {}, {}, {}},
            std::exchange(files, {}));
        auto afterSend = co_await afterSending(client, transcript, sentFiles);
        // Without files, the start's own read of the conversation.
        if (!afterSend)
            afterSend = co_await client.currentSnapshot();
        co_await showReply(client, transcript, std::move(afterSend));
        next = 1;
    }
    for (std::size_t i = next; i < options.messages.size(); ++i) {
        const bool sentFiles = !files.empty();
        if (sentFiles)
            transcript.hold();
        co_await client.sendMessage(VelmoraMessageInput{options.messages[i], {}, {}, {}, {}, {}},
                                    std::exchange(files, {}));
        auto afterSend = co_await afterSending(client, transcript, sentFiles);
        co_await showReply(client, transcript, std::move(afterSend));
    }
}

asio::awaitable<void> flushStored(VelmoraClient& client, Transcript& transcript,
                                  std::ostream& out) {
    auto session = co_await client.resumeSession();
    if (!session) {
        out << "No session to resume." << std::endl;
        co_return;
    }
    auto accepted = co_await client.flushOutbox();
    for (const auto& message : accepted) {
        out << "sent: message " << message.messageId.value_or("(no id)") << ", " << message.status
            << std::endl;
    }
    if (accepted.empty()) {
        out << "Nothing was sent: the outbox held no message of this session." << std::endl;
        co_return;
    }
    transcript.show(co_await client.refresh());
}

// The session the operation runs in: the stored one, else a new one.
asio::awaitable<void> performOperation(VelmoraClient& client, const DemoOptions& options,
                                       std::ostream& out) {
    if (!co_await client.resumeSession()) {
        co_await client.startSession(
            VelmoraSessionStartInput{options.messages.front(), {}, {}, {}, {}, {}, {}});
    }
    out << co_await client.performOperation(*options.operation) << std::endl;
}

} // namespace

int runDemo(const DemoOptions& options, std::ostream& out, std::ostream& err) {
    try {
        // Every file is read before anything is sent, so a refused one costs no request.
        std::vector<VelmoraAttachmentDraft> files;
        for (const auto& path : options.attachments)
            files.push_back(readAttachmentFile(path));

        std::optional<tools::WidgetService> service;
        std::string origin;
        if (options.origin) {
            origin = *options.origin;
        } else {
            service.emplace();
            service->start();
            origin = service->origin();
        }
        std::optional<TemporaryDirectory> temporary;
        fs::path directory;
        if (options.storeDirectory) {
            directory = *options.storeDirectory;
            fs::create_directories(directory);
        } else {
            directory = temporary.emplace().path();
        }

        asio::io_context io;
        const std::string token = options.token;
        VelmoraConfiguration configuration(
            origin, options.integrationId, options.accountScope, options.locale, std::nullopt,
            [token]() -> asio::awaitable<std::string> { co_return token; }, kPollInterval);
        VelmoraClient client(
            io.get_executor(), std::move(configuration),
            std::make_shared<VelmoraJSONFileOutboxStore>(directory / "outbox.json"),
            std::make_shared<VelmoraJSONPendingSessionStartStore>(directory /
                                                                  "pending-sessions.json"),
            std::make_shared<VelmoraJSONSessionStore>(directory / "sessions.json"),
            std::make_shared<VelmoraJSONPendingAttachmentStore>(directory /
                                                                "pending-attachments.json"),
            std::make_shared<VelmoraJSONPendingAttachmentOperationStore>(
                directory / "pending-attachment-operations.json"),
            std::make_shared<VelmoraURLSessionTransport>());

        Transcript transcript(out);
        asio::cancellation_signal stopFollowing;
        std::exception_ptr failure;
        auto demo = [&]() -> asio::awaitable<void> {
            if (options.operation) {
                co_await performOperation(client, options, out);
                co_return;
            }
            auto events = co_await client.events();
            asio::co_spawn(
                io, followEvents(std::move(events), transcript),
                asio::bind_cancellation_slot(stopFollowing.slot(), [](std::exception_ptr) {}));
            if (options.flush)
                co_await flushStored(client, transcript, out);
            else
                co_await converse(client, options, std::move(files), transcript);
        };
        asio::co_spawn(io, demo(), [&](std::exception_ptr error) {
            failure = error;
            stopFollowing.emit(asio::cancellation_type::terminal);
        });
        io.run();
        if (failure)
            std::rethrow_exception(failure);
        return EXIT_SUCCESS;
    } catch (const VelmoraError& error) {
        err << "error: " << rawValue(error.code()) << ": " << error.message() << std::endl;
    } catch (const std::exception& error) {
        err << "error: " << error.what() << std::endl;
    }
    return EXIT_FAILURE;
}

} // namespace velmora::demo
