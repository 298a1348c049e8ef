#pragma once

#include "velmora/client.hpp"
#include "velmora/ui/widget_controller.hpp"

#include <gtest/gtest.h>

#include <boost/asio/io_context.hpp>
#include <boost/asio/steady_timer.hpp>

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
    // Readers answer these values.
    std::optional<VelmoraSession> session;
    std::optional<std::string> customerMessageId;
    std::optional<VelmoraSnapshot> clientSnapshot;
    bool waitWanted = false;
    std::optional<VelmoraWidgetNavigation> navigation;
    std::optional<VelmoraWidgetAvailability> availability;
    std::optional<std::string> workspaceName;

    // Operations run these scripts when set; an operation without a script fails the test's
    // expectations by throwing (the controller shows it as an unexpected failure).
    template <class T, class... A> using Script = std::function<asio::awaitable<T>(A...)>;
    Script<VelmoraSnapshot> onRefresh;
    Script<VelmoraSnapshot, double, std::optional<std::int64_t>> onWaitForAssistant;
    Script<JSONValue::Object> onLoadWidgetAppearance;
    Script<std::optional<VelmoraSession>> onResumeSession;
    Script<std::vector<VelmoraAcceptedMessage>> onFlushOutbox;
    Script<void> onResetSession;
    Script<VelmoraSession, VelmoraSessionStartInput, std::vector<VelmoraAttachmentDraft>>
        onStartSession;
    Script<VelmoraAcceptedMessage, VelmoraMessageInput, std::vector<VelmoraAttachmentDraft>>
        onSendMessage;
    Script<void, std::vector<VelmoraAttachmentDraft>, std::string> onUploadAttachments;
    Script<VelmoraWidgetContentSnapshot> onLoadWidgetContent;
    Script<Data, VelmoraAttachment> onDownloadAttachment;
    Script<VelmoraFormSubmission, std::string, JSONValue::Object> onSubmitConversationForm;
    Script<VelmoraProcedureActionResult, VelmoraProcedureActionInput> onPerformProcedureAction;
    std::optional<VelmoraWidgetVoiceSettings> voiceSettings;

    asio::awaitable<std::optional<VelmoraSession>> currentSession() override {
        co_return record("currentSession", session);
    }
    asio::awaitable<std::optional<std::string>> currentCustomerMessageId() override {
        co_return record("currentCustomerMessageId", customerMessageId);
    }
    asio::awaitable<std::optional<VelmoraSnapshot>> currentSnapshot() override {
        co_return record("currentSnapshot", clientSnapshot);
    }
    asio::awaitable<bool> shouldWaitForAssistant() override {
        co_return record("shouldWaitForAssistant", waitWanted);
    }
    asio::awaitable<std::optional<VelmoraWidgetNavigation>> currentWidgetNavigation() override {
        co_return record("currentWidgetNavigation", navigation);
    }
    asio::awaitable<std::optional<VelmoraWidgetAvailability>> currentWidgetAvailability() override {
        co_return record("currentWidgetAvailability", availability);
    }
    asio::awaitable<std::optional<std::string>> currentWidgetWorkspacePublicName() override {
        co_return record("currentWidgetWorkspacePublicName", workspaceName);
    }
    asio::awaitable<std::optional<VelmoraWidgetVoiceSettings>>
    currentWidgetVoiceSettings() override {
        co_return record("currentWidgetVoiceSettings", voiceSettings);
    }

    asio::awaitable<VelmoraSnapshot> refresh() override {
        co_return co_await run("refresh", onRefresh);
    }
    asio::awaitable<VelmoraSnapshot>
    waitForAssistant(double timeout, std::optional<std::int64_t> afterMessageCount) override {
        co_return co_await run("waitForAssistant", onWaitForAssistant, timeout, afterMessageCount);
    }
    asio::awaitable<JSONValue::Object> loadWidgetAppearance() override {
        co_return co_await run("loadWidgetAppearance", onLoadWidgetAppearance);
    }
    asio::awaitable<VelmoraWidgetContentSnapshot> loadWidgetContent() override {
        co_return co_await run("loadWidgetContent", onLoadWidgetContent);
    }
    asio::awaitable<std::optional<VelmoraSession>> resumeSession() override {
        co_return co_await run("resumeSession", onResumeSession);
    }
    asio::awaitable<std::vector<VelmoraAcceptedMessage>> flushOutbox() override {
        co_return co_await run("flushOutbox", onFlushOutbox);
    }
    asio::awaitable<void> resetSession() override { co_await run("resetSession", onResetSession); }
    asio::awaitable<VelmoraSession>
    startSession(VelmoraSessionStartInput input,
                 std::vector<VelmoraAttachmentDraft> attachments) override {
        co_return co_await run("startSession", onStartSession, std::move(input),
                               std::move(attachments));
    }
    asio::awaitable<VelmoraAcceptedMessage>
    sendMessage(VelmoraMessageInput input,
                std::vector<VelmoraAttachmentDraft> attachments) override {
        co_return co_await run("sendMessage", onSendMessage, std::move(input),
                               std::move(attachments));
    }
    asio::awaitable<void> uploadAttachments(std::vector<VelmoraAttachmentDraft> attachments,
                                            std::string messageId) override {
        co_await run("uploadAttachments", onUploadAttachments, std::move(attachments),
                     std::move(messageId));
    }
    asio::awaitable<Data> downloadAttachment(VelmoraAttachment attachment) override {
        co_return co_await run("downloadAttachment", onDownloadAttachment, std::move(attachment));
    }
    asio::awaitable<VelmoraFormSubmission>
    submitConversationForm(std::string requestId, JSONValue::Object values) override {
        co_return co_await run("submitConversationForm", onSubmitConversationForm,
                               std::move(requestId), std::move(values));
    }
    asio::awaitable<VelmoraProcedureActionResult>
    performProcedureAction(VelmoraProcedureActionInput input) override {
        co_return co_await run("performProcedureAction", onPerformProcedureAction,
                               std::move(input));
    }

private:
    template <class T> T record(const char* name, T value) {
        calls.push_back(name);
        return value;
    }
    template <class T, class... A, class... Args>
    asio::awaitable<T> run(const char* name, const Script<T, A...>& script, Args... args) {
        if (!script) {
            unscripted(name);
        }
        calls.push_back(name);
        // A copy: the script may replace itself while it runs.
        const auto copy = script;
        co_return co_await copy(std::move(args)...);
    }
    [[noreturn]] void unscripted(const char* name) {
        calls.push_back(name);
        throw std::logic_error(std::string("unscripted client call: ") + name);
    }
};

/// Holds a scripted operation until the test opens it. A waiter whose task is cancelled first
/// fails with `operation_aborted`, as a cancelled client operation does.
class Gate {
public:
    asio::awaitable<void> wait();
    /// Waits as a request in flight does that the caller's cancellation does not stop: only
    /// `open()` ends it.
    asio::awaitable<void> waitThroughCancellation();
    /// Lets every waiter (and every later one) through.
    void open();
    std::size_t waiting() const { return timers_.size(); }

private:
    asio::awaitable<void> park(bool throughCancellation);

    bool open_ = false;
    std::vector<std::shared_ptr<asio::steady_timer>> timers_;
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
