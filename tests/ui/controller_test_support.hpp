#pragma once

#include "velmora/client.hpp"
#include "velmora/ui/widget_controller.hpp"

#include <gtest/gtest.h>

#include <boost/asio/io_context.hpp>

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace velmora::testing {

namespace asio = boost::asio;

inline VelmoraError velmoraError(VelmoraErrorCode code, std::string message,
                                 std::optional<std::int64_t> status = std::nullopt) {
    return VelmoraError(code, status, std::nullopt, std::move(message));
}

/// A client whose answers the test scripts. Events go to every open subscription by `emit`;
/// each operation the controller calls is recorded by name.
class ScriptedWidgetClient final : public VelmoraWidgetClient {
public:
    explicit ScriptedWidgetClient(std::string identity = "https://service\x1fint\x1f"
                                                         "acct\x1f"
                                                         "en")
        : identity(std::move(identity)) {}

    std::string identity;
    std::vector<std::string> calls;
    std::vector<AsyncStreamContinuation<VelmoraEvent>> subscribers;
    VelmoraLoadingState initialLoading = VelmoraLoadingState::idle;

    /// Sends `event` to every subscription still open.
    void emit(const VelmoraEvent& event) {
        for (const auto& subscriber : subscribers) {
            subscriber.yield(event);
        }
    }
    /// Ends every subscription's stream.
    void finishStreams() {
        for (const auto& subscriber : subscribers) {
            subscriber.finish();
        }
    }
    std::size_t openSubscriptions() const {
        std::size_t open = 0;
        for (const auto& subscriber : subscribers) {
            open += subscriber.isTerminated() ? 0 : 1;
        }
        return open;
    }

    std::string widgetDraftIdentity() const override { return identity; }
    std::string attachmentOnlyMessageText() const override { return "Attached file"; }
    bool canDownloadAttachment(const VelmoraAttachment&) const override { return false; }
    void validateAttachments(const std::vector<VelmoraAttachmentDraft>&) const override {}

    asio::awaitable<AsyncStream<VelmoraEvent>> events() override {
        calls.push_back("events");
        auto [stream, continuation] = makeAsyncStream<VelmoraEvent>();
        continuation.yield(event::loading{initialLoading});
        subscribers.push_back(continuation);
        co_return std::move(stream);
    }
    asio::awaitable<std::optional<VelmoraSession>> currentSession() override {
        co_return record("currentSession", std::optional<VelmoraSession>());
    }
    asio::awaitable<std::optional<std::string>> currentCustomerMessageId() override {
        co_return record("currentCustomerMessageId", std::optional<std::string>());
    }
    asio::awaitable<std::optional<VelmoraSnapshot>> currentSnapshot() override {
        co_return record("currentSnapshot", std::optional<VelmoraSnapshot>());
    }
    asio::awaitable<bool> shouldWaitForAssistant() override {
        co_return record("shouldWaitForAssistant", false);
    }
    asio::awaitable<std::optional<VelmoraWidgetNavigation>> currentWidgetNavigation() override {
        co_return record("currentWidgetNavigation", std::optional<VelmoraWidgetNavigation>());
    }
    asio::awaitable<std::optional<VelmoraWidgetAvailability>> currentWidgetAvailability() override {
        co_return record("currentWidgetAvailability", std::optional<VelmoraWidgetAvailability>());
    }
    asio::awaitable<std::optional<std::string>> currentWidgetWorkspacePublicName() override {
        co_return record("currentWidgetWorkspacePublicName", std::optional<std::string>());
    }
    asio::awaitable<std::optional<VelmoraWidgetVoiceSettings>>
    currentWidgetVoiceSettings() override {
        co_return record("currentWidgetVoiceSettings", std::optional<VelmoraWidgetVoiceSettings>());
    }

    asio::awaitable<VelmoraSnapshot> refresh() override { unscripted("refresh"); }
    asio::awaitable<VelmoraSnapshot> waitForAssistant(double,
                                                      std::optional<std::int64_t>) override {
        unscripted("waitForAssistant");
    }
    asio::awaitable<JSONValue::Object> loadWidgetAppearance() override {
        unscripted("loadWidgetAppearance");
    }
    asio::awaitable<VelmoraWidgetContentSnapshot> loadWidgetContent() override {
        unscripted("loadWidgetContent");
    }
    asio::awaitable<std::optional<VelmoraSession>> resumeSession() override {
        unscripted("resumeSession");
    }
    asio::awaitable<std::vector<VelmoraAcceptedMessage>> flushOutbox() override {
        unscripted("flushOutbox");
    }
    asio::awaitable<void> resetSession() override { unscripted("resetSession"); }
    asio::awaitable<VelmoraSession> startSession(VelmoraSessionStartInput,
                                                 std::vector<VelmoraAttachmentDraft>) override {
        unscripted("startSession");
    }
    asio::awaitable<VelmoraAcceptedMessage>
    sendMessage(VelmoraMessageInput, std::vector<VelmoraAttachmentDraft>) override {
        unscripted("sendMessage");
    }
    asio::awaitable<void> uploadAttachments(std::vector<VelmoraAttachmentDraft>,
                                            std::string) override {
        unscripted("uploadAttachments");
    }
    asio::awaitable<Data> downloadAttachment(VelmoraAttachment) override {
        unscripted("downloadAttachment");
    }
    asio::awaitable<VelmoraFormSubmission> submitConversationForm(std::string,
                                                                  JSONValue::Object) override {
        unscripted("submitConversationForm");
    }
    asio::awaitable<VelmoraProcedureActionResult>
    performProcedureAction(VelmoraProcedureActionInput) override {
        unscripted("performProcedureAction");
    }

private:
    template <class T> T record(const char* name, T value) {
        calls.push_back(name);
        return value;
    }
    [[noreturn]] void unscripted(const char* name) {
        calls.push_back(name);
        throw std::logic_error(std::string("unscripted client call: ") + name);
    }
};

/// A fresh directory under the system's temporary directory, removed afterwards.
class TemporaryDirectory {
public:
    TemporaryDirectory();
    ~TemporaryDirectory();
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

/// Runs handlers of `io` until `done()` holds, failing the test after a few seconds. Never
/// sleeps: it waits for the next handler.
void runUntil(asio::io_context& io, const std::function<bool()>& done);

/// Runs every handler that is ready, as often as new ones become ready.
void drain(asio::io_context& io);

/// Records every notification of a controller, by property name.
struct NotificationLog {
    std::vector<std::string> names;
    VelmoraObservation observation;

    explicit NotificationLog(VelmoraWidgetController& controller)
        : observation(controller.observe([this](VelmoraWidgetProperty property) {
              names.emplace_back(propertyName(property));
          })) {}
};

VelmoraSnapshot snapshotWithMessages(std::size_t count, const std::string& sessionId = "s-1");

} // namespace velmora::testing
