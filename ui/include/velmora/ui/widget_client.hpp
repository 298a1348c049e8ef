#pragma once

#include "velmora/async_stream.hpp"
#include "velmora/events.hpp"
#include "velmora/json_value.hpp"
#include "velmora/models.hpp"
#include "velmora/procedure_models.hpp"
#include "velmora/types.hpp"
#include "velmora/widget_configuration.hpp"
#include "velmora/widget_content.hpp"

#include <boost/asio/any_io_executor.hpp>
#include <boost/asio/awaitable.hpp>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace velmora {

class VelmoraClient;

/// What the widget controller uses of the client: exactly these operations and readers. The
/// SDK's `VelmoraClient` is adapted to it by `VelmoraClientWidgetAdapter`; tests may script it.
///
/// The asynchronous members are awaited from coroutines on the controller's main executor and
/// must complete there. They fail with `VelmoraError`, or with a cancellation (see
/// `velmora::isCancellation`); anything else counts as an unexpected failure. The synchronous
/// members may be called from any thread.
class VelmoraWidgetClient {
public:
    virtual ~VelmoraWidgetClient() = default;

    // Synchronous: they read only the configuration or their argument.

    /// Identifies the drafts of one conversation: origin, integration, account scope and locale
    /// joined by U+001F.
    virtual std::string widgetDraftIdentity() const = 0;
    /// The message text of a message that carries only files, in the configured locale.
    virtual std::string attachmentOnlyMessageText() const = 0;
    /// Whether the attachment offers a signed download address on the configured service.
    virtual bool canDownloadAttachment(const VelmoraAttachment& attachment) const = 0;
    /// The client's own check of files to send; throws `VelmoraError`.
    virtual void
    validateAttachments(const std::vector<VelmoraAttachmentDraft>& attachments) const = 0;

    // Events and readers.

    /// A new subscription; its first event is `loading` with the current state.
    virtual boost::asio::awaitable<AsyncStream<VelmoraEvent>> events() = 0;
    virtual boost::asio::awaitable<std::optional<VelmoraSession>> currentSession() = 0;
    virtual boost::asio::awaitable<std::optional<std::string>> currentCustomerMessageId() = 0;
    virtual boost::asio::awaitable<std::optional<VelmoraSnapshot>> currentSnapshot() = 0;
    virtual boost::asio::awaitable<bool> shouldWaitForAssistant() = 0;
    virtual boost::asio::awaitable<std::optional<VelmoraWidgetNavigation>>
    currentWidgetNavigation() = 0;
    virtual boost::asio::awaitable<std::optional<VelmoraWidgetAvailability>>
    currentWidgetAvailability() = 0;
    virtual boost::asio::awaitable<std::optional<std::string>>
    currentWidgetWorkspacePublicName() = 0;
    virtual boost::asio::awaitable<std::optional<VelmoraWidgetVoiceSettings>>
    currentWidgetVoiceSettings() = 0;

    // Operations.

    virtual boost::asio::awaitable<VelmoraSnapshot> refresh() = 0;
    virtual boost::asio::awaitable<VelmoraSnapshot>
    waitForAssistant(double timeout, std::optional<std::int64_t> afterMessageCount) = 0;
    virtual boost::asio::awaitable<JSONValue::Object> loadWidgetAppearance() = 0;
    virtual boost::asio::awaitable<VelmoraWidgetContentSnapshot> loadWidgetContent() = 0;
    virtual boost::asio::awaitable<std::optional<VelmoraSession>> resumeSession() = 0;
    virtual boost::asio::awaitable<std::vector<VelmoraAcceptedMessage>> flushOutbox() = 0;
    virtual boost::asio::awaitable<void> resetSession() = 0;
    /// Starts a session; `attachments` may be empty.
    virtual boost::asio::awaitable<VelmoraSession>
    startSession(VelmoraSessionStartInput input,
                 std::vector<VelmoraAttachmentDraft> attachments) = 0;
    /// Sends into the current session; `attachments` may be empty.
    virtual boost::asio::awaitable<VelmoraAcceptedMessage>
    sendMessage(VelmoraMessageInput input, std::vector<VelmoraAttachmentDraft> attachments) = 0;
    virtual boost::asio::awaitable<void>
    uploadAttachments(std::vector<VelmoraAttachmentDraft> attachments, std::string messageId) = 0;
    virtual boost::asio::awaitable<Data> downloadAttachment(VelmoraAttachment attachment) = 0;
    virtual boost::asio::awaitable<VelmoraFormSubmission>
    submitConversationForm(std::string requestId, JSONValue::Object values) = 0;
    virtual boost::asio::awaitable<VelmoraProcedureActionResult>
    performProcedureAction(VelmoraProcedureActionInput input) = 0;
};

/// `VelmoraClient` seen through `VelmoraWidgetClient`. Each operation runs on the client's
/// strand and its completion comes back to the awaiting coroutine's executor.
class VelmoraClientWidgetAdapter final : public VelmoraWidgetClient {
public:
    explicit VelmoraClientWidgetAdapter(std::shared_ptr<VelmoraClient> client);

    const std::shared_ptr<VelmoraClient>& client() const { return client_; }

    std::string widgetDraftIdentity() const override;
    std::string attachmentOnlyMessageText() const override;
    bool canDownloadAttachment(const VelmoraAttachment& attachment) const override;
    void validateAttachments(const std::vector<VelmoraAttachmentDraft>& attachments) const override;

    boost::asio::awaitable<AsyncStream<VelmoraEvent>> events() override;
    boost::asio::awaitable<std::optional<VelmoraSession>> currentSession() override;
    boost::asio::awaitable<std::optional<std::string>> currentCustomerMessageId() override;
    boost::asio::awaitable<std::optional<VelmoraSnapshot>> currentSnapshot() override;
    boost::asio::awaitable<bool> shouldWaitForAssistant() override;
    boost::asio::awaitable<std::optional<VelmoraWidgetNavigation>>
    currentWidgetNavigation() override;
    boost::asio::awaitable<std::optional<VelmoraWidgetAvailability>>
    currentWidgetAvailability() override;
    boost::asio::awaitable<std::optional<std::string>> currentWidgetWorkspacePublicName() override;
    boost::asio::awaitable<std::optional<VelmoraWidgetVoiceSettings>>
    currentWidgetVoiceSettings() override;

    boost::asio::awaitable<VelmoraSnapshot> refresh() override;
    boost::asio::awaitable<VelmoraSnapshot>
    waitForAssistant(double timeout, std::optional<std::int64_t> afterMessageCount) override;
    boost::asio::awaitable<JSONValue::Object> loadWidgetAppearance() override;
    boost::asio::awaitable<VelmoraWidgetContentSnapshot> loadWidgetContent() override;
    boost::asio::awaitable<std::optional<VelmoraSession>> resumeSession() override;
    boost::asio::awaitable<std::vector<VelmoraAcceptedMessage>> flushOutbox() override;
    boost::asio::awaitable<void> resetSession() override;
    boost::asio::awaitable<VelmoraSession>
    startSession(VelmoraSessionStartInput input,
                 std::vector<VelmoraAttachmentDraft> attachments) override;
    boost::asio::awaitable<VelmoraAcceptedMessage>
    sendMessage(VelmoraMessageInput input,
                std::vector<VelmoraAttachmentDraft> attachments) override;
    boost::asio::awaitable<void> uploadAttachments(std::vector<VelmoraAttachmentDraft> attachments,
                                                   std::string messageId) override;
    boost::asio::awaitable<Data> downloadAttachment(VelmoraAttachment attachment) override;
    boost::asio::awaitable<VelmoraFormSubmission>
    submitConversationForm(std::string requestId, JSONValue::Object values) override;
    boost::asio::awaitable<VelmoraProcedureActionResult>
    performProcedureAction(VelmoraProcedureActionInput input) override;

private:
    std::shared_ptr<VelmoraClient> client_;
};

} // namespace velmora
