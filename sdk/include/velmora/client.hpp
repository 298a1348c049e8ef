#pragma once

#include "velmora/async_stream.hpp"
#include "velmora/client_tools.hpp"
#include "velmora/configuration.hpp"
#include "velmora/events.hpp"
#include "velmora/models.hpp"
#include "velmora/operation_spawn.hpp"
#include "velmora/procedure_models.hpp"
#include "velmora/stores.hpp"
#include "velmora/transport.hpp"
#include "velmora/widget_configuration.hpp"
#include "velmora/widget_content.hpp"

#include <boost/asio/any_io_executor.hpp>
#include <boost/asio/awaitable.hpp>
#include <boost/asio/co_spawn.hpp>
#include <boost/asio/use_awaitable.hpp>

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace velmora {

namespace detail {
class ClientCore;
}

/// The SDK's client: talks to the widget API and keeps the conversation's durable state.
///
/// The client is an actor: its state lives on a strand of the executor it is given, and its
/// operations run there one step at a time. Every asynchronous member takes an Asio completion
/// token (default: `boost::asio::use_awaitable`); completion signatures are
/// `void(std::exception_ptr, T)`. Failures are `VelmoraError`; a cancelled operation fails with
/// `boost::asio::error::operation_aborted`. Cancelling a call does not abort a request already
/// in flight; only `resetSession` does. The exception is a send's own request (`sendMessage`,
/// `startSession`, `flushOutbox`): it is stored before it goes, so a caller's cancellation ends
/// it at once and the stored copy is sent again, under its key, by the next attempt.
class VelmoraClient {
public:
    VelmoraClient(
        boost::asio::any_io_executor executor, VelmoraConfiguration configuration,
        std::shared_ptr<VelmoraOutboxStore> outbox,
        std::shared_ptr<VelmoraPendingSessionStartStore> pendingSessionStarts,
        std::shared_ptr<VelmoraSessionStore> sessionStore,
        std::shared_ptr<VelmoraPendingAttachmentStore> pendingAttachmentSends,
        std::shared_ptr<VelmoraPendingAttachmentOperationStore> pendingAttachmentOperations,
        std::shared_ptr<VelmoraHTTPTransport> transport);
    ~VelmoraClient();
    VelmoraClient(const VelmoraClient&) = delete;
    VelmoraClient& operator=(const VelmoraClient&) = delete;

    /// The strand on which the client runs.
    boost::asio::any_io_executor executor() const;

    // Synchronous members: they read only the immutable configuration.

    /// The configuration the client was built with.
    const VelmoraConfiguration& configuration() const;
    /// The text standing for a message that carries only files, in the configured locale.
    std::string attachmentOnlyMessageText() const;
    /// Identifies the widget's saved drafts: origin, integration, account scope and locale
    /// joined by U+001F.
    std::string widgetDraftIdentity() const;

    // Events.

    /// A new subscription. Its first event is `loading` with the current state; every stream
    /// buffers without limit. Dropping the stream ends the subscription.
    template <class Token = boost::asio::use_awaitable_t<>> auto events(Token&& token = {}) {
        return spawn(eventsOn(core_), std::forward<Token>(token));
    }

    // Readers (each completes with a copy of one piece of the client's state).

#define VELMORA_CLIENT_READER(name, Type)                                                          \
    template <class Token = boost::asio::use_awaitable_t<>> auto name(Token&& token = {}) {        \
        return spawn(name##On(core_), std::forward<Token>(token));                                 \
    }
    VELMORA_CLIENT_READER(currentSession, std::optional<VelmoraSession>)
    VELMORA_CLIENT_READER(currentSnapshot, std::optional<VelmoraSnapshot>)
    VELMORA_CLIENT_READER(currentWidgetContent, std::optional<VelmoraWidgetContentSnapshot>)
    VELMORA_CLIENT_READER(currentLoadingState, VelmoraLoadingState)
    VELMORA_CLIENT_READER(currentCustomerMessageId, std::optional<std::string>)
    VELMORA_CLIENT_READER(currentWidgetChannels, std::vector<VelmoraWidgetChannel>)
    VELMORA_CLIENT_READER(currentWidgetNavigation, std::optional<VelmoraWidgetNavigation>)
    VELMORA_CLIENT_READER(currentWidgetAvailability, std::optional<VelmoraWidgetAvailability>)
    VELMORA_CLIENT_READER(currentWidgetVoiceSettings, std::optional<VelmoraWidgetVoiceSettings>)
    VELMORA_CLIENT_READER(currentWidgetWorkspacePublicName, std::optional<std::string>)
    /// Whether, after a send, the client should wait for the assistant's reply.
    VELMORA_CLIENT_READER(shouldWaitForAssistant, bool)
#undef VELMORA_CLIENT_READER

    // Widget configuration and help content.

    /// Loads the widget configuration; completes with the design object, its "mode" set to the
    /// theme's colour mode.
    template <class Token = boost::asio::use_awaitable_t<>>
    auto loadWidgetAppearance(Token&& token = {}) {
        return spawn(loadWidgetAppearanceOn(core_), std::forward<Token>(token));
    }
    /// Loads and validates the help content in the configured locale.
    template <class Token = boost::asio::use_awaitable_t<>>
    auto loadWidgetContent(Token&& token = {}) {
        return spawn(loadWidgetContentOn(core_), std::forward<Token>(token));
    }

    // The conversation.

    /// Reads the current session's conversation again.
    template <class Token = boost::asio::use_awaitable_t<>> auto refresh(Token&& token = {}) {
        return spawn(refreshOn(core_), std::forward<Token>(token));
    }
    /// Adopts a session the host already holds, stores it and reads its conversation.
    template <class Token = boost::asio::use_awaitable_t<>>
    auto restoreSession(VelmoraSession session, Token&& token = {}) {
        return spawn(restoreSessionOn(core_, std::move(session)), std::forward<Token>(token));
    }
    /// Forgets the account scope's conversation: in memory at once, then in every store.
    template <class Token = boost::asio::use_awaitable_t<>> auto resetSession(Token&& token = {}) {
        return spawn(resetSessionOn(core_), std::forward<Token>(token));
    }

    /// Opens a new conversation with the visitor's first message. The start is stored before it
    /// is sent, so an interrupted start is sent again, byte for byte, by the next resume.
    template <class Token = boost::asio::use_awaitable_t<>>
    auto startSession(VelmoraSessionStartInput input, Token&& token = {}) {
        return spawn(startSessionOn(core_, std::move(input)), std::forward<Token>(token));
    }
    /// Brings the client back to the conversation the device already has: an unacknowledged
    /// start is sent again, else the stored session is restored, else the service is asked for
    /// the user's current session. Completes with the session, or nothing when there is none.
    template <class Token = boost::asio::use_awaitable_t<>> auto resumeSession(Token&& token = {}) {
        return spawn(resumeSessionOn(core_), std::forward<Token>(token));
    }

    // Messages through the outbox and the assistant's reply.

    /// Sends a text message in the current session. The exact request is stored in the outbox
    /// first and removed once the service accepts it or refuses it for good; after a retryable
    /// failure it stays for `flushOutbox`. Completes with the service's acceptance.
    template <class Token = boost::asio::use_awaitable_t<>>
    auto sendMessage(VelmoraMessageInput input, Token&& token = {}) {
        return spawn(sendMessageOn(core_, std::move(input)), std::forward<Token>(token));
    }
    /// Sends again, oldest first and byte for byte under their own keys, the messages of the
    /// current session left in the outbox; stops at the first retryable failure. Completes with
    /// the messages accepted now.
    template <class Token = boost::asio::use_awaitable_t<>> auto flushOutbox(Token&& token = {}) {
        return spawn(flushOutboxOn(core_), std::forward<Token>(token));
    }
    /// Reads the conversation every poll interval until the assistant or a teammate answers
    /// after the first `afterMessageCount` messages (default: those known now) or a teammate
    /// takes over; fails with `network` once `timeout` seconds (at most 120) have passed.
    /// Completes with the snapshot in which the wait ended.
    template <class Token = boost::asio::use_awaitable_t<>>
    auto waitForAssistant(double timeout, std::optional<std::int64_t> afterMessageCount = {},
                          Token&& token = {}) {
        return spawn(waitForAssistantOn(core_, timeout, afterMessageCount),
                     std::forward<Token>(token));
    }

    // Attachments.

    /// Whether the attachment offers a signed download address on the configured service.
    bool canDownloadAttachment(const VelmoraAttachment& attachment) const;
    /// The check both sending operations run on their files before anything is stored or sent:
    /// at most five files and 10 MiB in all, each kind matching its MIME type, images at most
    /// 5 MiB. Throws `VelmoraError` (payloadTooLarge or fieldInvalid).
    static void validateAttachments(const std::vector<VelmoraAttachmentDraft>& attachments);
    /// Fetches an attachment's bytes (at most 10 MiB) from its signed download address; any
    /// other address is refused without a request. Completes with the bytes.
    template <class Token = boost::asio::use_awaitable_t<>>
    auto downloadAttachment(VelmoraAttachment attachment, Token&& token = {}) {
        return spawn(downloadAttachmentOn(core_, std::move(attachment)),
                     std::forward<Token>(token));
    }
    /// Starts a session whose first message carries files (at most five, 10 MiB together). The
    /// whole operation is stored before anything is sent and removed once every file is
    /// uploaded; `retryPendingAttachmentSend` finishes an interrupted one.
    template <class Token = boost::asio::use_awaitable_t<>>
    auto startSession(VelmoraSessionStartInput input,
                      std::vector<VelmoraAttachmentDraft> attachments, Token&& token = {}) {
        return spawn(startSessionWithAttachmentsOn(core_, std::move(input), std::move(attachments)),
                     std::forward<Token>(token));
    }
    /// Sends a message with files in the current session, stored first like `startSession`.
    template <class Token = boost::asio::use_awaitable_t<>>
    auto sendMessage(VelmoraMessageInput input, std::vector<VelmoraAttachmentDraft> attachments,
                     Token&& token = {}) {
        return spawn(sendMessageWithAttachmentsOn(core_, std::move(input), std::move(attachments)),
                     std::forward<Token>(token));
    }
    /// Uploads files to a message the service has accepted. Resumable: a repeated call for the
    /// same message asks intents only for files without one and uploads only files not yet
    /// uploaded.
    template <class Token = boost::asio::use_awaitable_t<>>
    auto uploadAttachments(std::vector<VelmoraAttachmentDraft> attachments, std::string messageId,
                           Token&& token = {}) {
        return spawn(uploadAttachmentsOn(core_, std::move(attachments), std::move(messageId)),
                     std::forward<Token>(token));
    }
    /// Finishes attachment work left stored by a failure or the end of the process. Completes
    /// with the message as accepted.
    template <class Token = boost::asio::use_awaitable_t<>>
    auto retryPendingAttachmentSend(Token&& token = {}) {
        return spawn(retryPendingAttachmentSendOn(core_), std::forward<Token>(token));
    }

    // Forms, procedures, commerce, client tools and the operation dispatcher. Each is one
    // request in the current session; none takes the mutation slot or emits events of its own.

    /// Submits a conversation form's values (at most 100; check them with
    /// `ConversationFormContract::submissionValues` first).
    template <class Token = boost::asio::use_awaitable_t<>>
    auto submitConversationForm(std::string requestId, JSONValue::Object values,
                                Token&& token = {}) {
        return spawn(submitConversationFormOn(core_, std::move(requestId), std::move(values)),
                     std::forward<Token>(token));
    }
    /// Performs one step of a procedure, then reads the conversation again; a failed read fails
    /// the call although the service performed the step.
    template <class Token = boost::asio::use_awaitable_t<>>
    auto performProcedureAction(VelmoraProcedureActionInput input, Token&& token = {}) {
        return spawn(performProcedureActionOn(core_, std::move(input)), std::forward<Token>(token));
    }
    /// The customer's orders, a page at a time; completes with the service's answer as is.
    template <class Token = boost::asio::use_awaitable_t<>>
    auto listCommerceOrders(std::optional<std::string> cursor, std::optional<std::string> store,
                            Token&& token = {}) {
        return spawn(listCommerceOrdersOn(core_, std::move(cursor), std::move(store)),
                     std::forward<Token>(token));
    }
    /// One order; completes with the service's answer as is.
    template <class Token = boost::asio::use_awaitable_t<>>
    auto loadCommerceOrder(std::string reference, Token&& token = {}) {
        return spawn(loadCommerceOrderOn(core_, std::move(reference)), std::forward<Token>(token));
    }
    /// Proposes a commerce action; the caller chooses the idempotency key of a repeat.
    template <class Token = boost::asio::use_awaitable_t<>>
    auto createCommerceProposal(VelmoraCommerceProposalInput input, std::string idempotencyKey,
                                Token&& token = {}) {
        return spawn(createCommerceProposalOn(core_, std::move(input), std::move(idempotencyKey)),
                     std::forward<Token>(token));
    }
    /// Confirms a proposal (there is no way to decline one here).
    template <class Token = boost::asio::use_awaitable_t<>>
    auto confirmCommerceProposal(std::string proposalId, std::string idempotencyKey,
                                 Token&& token = {}) {
        return spawn(
            confirmCommerceProposalOn(core_, std::move(proposalId), std::move(idempotencyKey)),
            std::forward<Token>(token));
    }
    template <class Token = boost::asio::use_awaitable_t<>>
    auto commerceProposalStatus(std::string proposalId, Token&& token = {}) {
        return spawn(commerceProposalStatusOn(core_, std::move(proposalId)),
                     std::forward<Token>(token));
    }
    /// Asks the service to open a call of a client tool; the reply is checked (continuation
    /// "operator-review", the tool, its schemas, the echoed input) and passed on as is.
    template <class Token = boost::asio::use_awaitable_t<>>
    auto requestClientTool(VelmoraClientToolRequest request, Token&& token = {}) {
        return spawn(requestClientToolOn(core_, std::move(request)), std::forward<Token>(token));
    }
    /// Hands a tool's result back for its call.
    template <class Token = boost::asio::use_awaitable_t<>>
    auto completeClientTool(VelmoraClientToolResult result, Token&& token = {}) {
        return spawn(completeClientToolOn(core_, std::move(result)), std::forward<Token>(token));
    }
    template <class Token = boost::asio::use_awaitable_t<>>
    auto clientToolStatus(std::string callId, Token&& token = {}) {
        return spawn(clientToolStatusOn(core_, std::move(callId)), std::forward<Token>(token));
    }
    /// For hosts that cannot call the typed operations: one JSON object naming an operation and
    /// its arguments (at most 65,536 bytes) in, the operation's answer as JSON text out.
    template <class Token = boost::asio::use_awaitable_t<>>
    auto performOperation(std::string requestJson, Token&& token = {}) {
        return spawn(performOperationOn(core_, std::move(requestJson)), std::forward<Token>(token));
    }

private:
    template <class T, class Token> auto spawn(boost::asio::awaitable<T> operation, Token&& token) {
        return detail::spawnOperation(executor(), std::move(operation), std::forward<Token>(token));
    }

    using Core = std::shared_ptr<detail::ClientCore>;
    // Each takes the core by value, so an operation keeps it alive while it runs.
    static boost::asio::awaitable<AsyncStream<VelmoraEvent>> eventsOn(Core core);
    static boost::asio::awaitable<std::optional<VelmoraSession>> currentSessionOn(Core core);
    static boost::asio::awaitable<std::optional<VelmoraSnapshot>> currentSnapshotOn(Core core);
    static boost::asio::awaitable<std::optional<VelmoraWidgetContentSnapshot>>
    currentWidgetContentOn(Core core);
    static boost::asio::awaitable<VelmoraLoadingState> currentLoadingStateOn(Core core);
    static boost::asio::awaitable<std::optional<std::string>> currentCustomerMessageIdOn(Core core);
    static boost::asio::awaitable<std::vector<VelmoraWidgetChannel>>
    currentWidgetChannelsOn(Core core);
    static boost::asio::awaitable<std::optional<VelmoraWidgetNavigation>>
    currentWidgetNavigationOn(Core core);
    static boost::asio::awaitable<std::optional<VelmoraWidgetAvailability>>
    currentWidgetAvailabilityOn(Core core);
    static boost::asio::awaitable<std::optional<VelmoraWidgetVoiceSettings>>
    currentWidgetVoiceSettingsOn(Core core);
    static boost::asio::awaitable<std::optional<std::string>>
    currentWidgetWorkspacePublicNameOn(Core core);
    static boost::asio::awaitable<bool> shouldWaitForAssistantOn(Core core);
    static boost::asio::awaitable<JSONValue::Object> loadWidgetAppearanceOn(Core core);
    static boost::asio::awaitable<VelmoraWidgetContentSnapshot> loadWidgetContentOn(Core core);
    static boost::asio::awaitable<VelmoraSnapshot> refreshOn(Core core);
    static boost::asio::awaitable<VelmoraSnapshot> restoreSessionOn(Core core,
                                                                    VelmoraSession session);
    static boost::asio::awaitable<void> resetSessionOn(Core core);
    static boost::asio::awaitable<std::optional<VelmoraSession>> resumeSessionOn(Core core);
    static boost::asio::awaitable<VelmoraSession> startSessionOn(Core core,
                                                                 VelmoraSessionStartInput input);
    static boost::asio::awaitable<VelmoraAcceptedMessage> sendMessageOn(Core core,
                                                                        VelmoraMessageInput input);
    static boost::asio::awaitable<std::vector<VelmoraAcceptedMessage>> flushOutboxOn(Core core);
    static boost::asio::awaitable<VelmoraSnapshot>
    waitForAssistantOn(Core core, double timeout, std::optional<std::int64_t> afterMessageCount);

    static boost::asio::awaitable<Data> downloadAttachmentOn(Core core,
                                                             VelmoraAttachment attachment);
    static boost::asio::awaitable<VelmoraSession>
    startSessionWithAttachmentsOn(Core core, VelmoraSessionStartInput input,
                                  std::vector<VelmoraAttachmentDraft> attachments);
    static boost::asio::awaitable<VelmoraAcceptedMessage>
    sendMessageWithAttachmentsOn(Core core, VelmoraMessageInput input,
                                 std::vector<VelmoraAttachmentDraft> attachments);
    static boost::asio::awaitable<void>
    uploadAttachmentsOn(Core core, std::vector<VelmoraAttachmentDraft> attachments,
                        std::string messageId);
    static boost::asio::awaitable<VelmoraAcceptedMessage> retryPendingAttachmentSendOn(Core core);
    static boost::asio::awaitable<VelmoraFormSubmission>
    submitConversationFormOn(Core core, std::string requestId, JSONValue::Object values);
    static boost::asio::awaitable<VelmoraProcedureActionResult>
    performProcedureActionOn(Core core, VelmoraProcedureActionInput input);
    static boost::asio::awaitable<JSONValue> listCommerceOrdersOn(Core core,
                                                                  std::optional<std::string> cursor,
                                                                  std::optional<std::string> store);
    static boost::asio::awaitable<JSONValue> loadCommerceOrderOn(Core core, std::string reference);
    static boost::asio::awaitable<JSONValue>
    createCommerceProposalOn(Core core, VelmoraCommerceProposalInput input,
                             std::string idempotencyKey);
    static boost::asio::awaitable<JSONValue>
    confirmCommerceProposalOn(Core core, std::string proposalId, std::string idempotencyKey);
    static boost::asio::awaitable<JSONValue> commerceProposalStatusOn(Core core,
                                                                      std::string proposalId);
    static boost::asio::awaitable<JSONValue> requestClientToolOn(Core core,
                                                                 VelmoraClientToolRequest request);
    static boost::asio::awaitable<JSONValue> completeClientToolOn(Core core,
                                                                  VelmoraClientToolResult result);
    static boost::asio::awaitable<JSONValue> clientToolStatusOn(Core core, std::string callId);
    static boost::asio::awaitable<std::string> performOperationOn(Core core,
                                                                  std::string requestJson);

    Core core_;
};

} // namespace velmora
