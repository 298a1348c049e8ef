#pragma once

#include "client/error_responses.hpp"
#include "detail/json.hpp"
#include "detail/json_codec.hpp"
#include "persistence_lock.hpp"
#include "velmora/async_stream.hpp"
#include "velmora/client_tools.hpp"
#include "velmora/configuration.hpp"
#include "velmora/events.hpp"
#include "velmora/procedure_models.hpp"
#include "velmora/stores.hpp"
#include "velmora/transport.hpp"
#include "velmora/widget_configuration.hpp"
#include "velmora/widget_content.hpp"

#include <boost/asio/awaitable.hpp>
#include <boost/asio/cancellation_signal.hpp>
#include <boost/asio/strand.hpp>

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <tuple>

namespace velmora::detail {

enum class VelmoraMutationOwner { regular, attachment };

struct MessagesResponse;

struct AttachmentUploadKey {
    std::string sessionId;
    std::string messageId;
    std::string clientId;
    friend auto operator<=>(const AttachmentUploadKey&, const AttachmentUploadKey&) = default;
};

struct AttachmentUploadState {
    VelmoraAttachmentUploadIntent intent;
    bool uploaded = false;
};

/// One call of the request pipeline, before it is sent.
struct PipelineRequest {
    /// Path and query appended to the origin; identifiers in it are already encoded.
    std::string path;
    std::string method = "GET";
    /// Encoded canonically just before sending.
    std::optional<json::value> body;
    /// Stored bytes, sent unchanged; wins over `body`.
    std::optional<Data> encodedBody;
    std::optional<std::string> token;
    std::optional<std::string> idempotencyKey;
    std::optional<std::int64_t> requestGeneration;
    std::optional<std::int64_t> requestContentGeneration;
    /// For a send stored before it goes (the outbox, the pending start): the caller's
    /// cancellation ends the transport call at once, and an answer that did arrive counts.
    bool endsWithCaller = false;
};

/// The client actor: all of its state lives on `strand`, and every operation runs there as a
/// coroutine. Each `co_await` lets other operations of the same client run, which is why the
/// generation counters are compared after every suspension.
class ClientCore : public std::enable_shared_from_this<ClientCore> {
public:
    using Strand = boost::asio::strand<boost::asio::any_io_executor>;
    template <class T> using Task = boost::asio::awaitable<T>;

    ClientCore(boost::asio::any_io_executor executor, VelmoraConfiguration configuration,
               std::shared_ptr<VelmoraOutboxStore> outbox,
               std::shared_ptr<VelmoraPendingSessionStartStore> pendingSessionStarts,
               std::shared_ptr<VelmoraSessionStore> sessionStore,
               std::shared_ptr<VelmoraPendingAttachmentStore> pendingAttachmentSends,
               std::shared_ptr<VelmoraPendingAttachmentOperationStore> pendingAttachmentOperations,
               std::shared_ptr<VelmoraHTTPTransport> transport);

    const Strand& strand() const { return strand_; }
    const VelmoraConfiguration& configuration() const { return configuration_; }

    // Readers (on the strand).
    std::optional<VelmoraSession> session() const { return session_; }
    std::optional<VelmoraSnapshot> snapshot() const {
        return snapshot_ ? std::optional<VelmoraSnapshot>(*snapshot_) : std::nullopt;
    }
    std::optional<VelmoraWidgetContentSnapshot> widgetContent() const { return widgetContent_; }
    VelmoraLoadingState loadingState() const { return loadingState_; }
    std::optional<std::string> lastCustomerMessageId() const { return lastCustomerMessageId_; }
    std::vector<VelmoraWidgetChannel> widgetChannels() const { return widgetChannels_; }
    std::optional<VelmoraWidgetNavigation> widgetNavigation() const { return widgetNavigation_; }
    std::optional<VelmoraWidgetAvailability> widgetAvailability() const {
        return widgetAvailability_;
    }
    std::optional<VelmoraWidgetVoiceSettings> widgetVoiceSettings() const {
        return widgetVoiceSettings_;
    }
    std::optional<std::string> widgetWorkspacePublicName() const {
        return widgetWorkspacePublicName_;
    }
    bool shouldWaitForAssistant() const;
    std::size_t inFlightRequestCount() const { return inFlightRequests_.size(); }
    std::size_t subscriberCount() const { return continuations_.size(); }

    // Events.
    AsyncStream<VelmoraEvent> events();
    void emit(const VelmoraEvent& event);
    void emitError(std::exception_ptr error);
    void setLoadingState(VelmoraLoadingState state);

    // Request pipeline.
    Task<VelmoraHTTPResponse> requestRaw(PipelineRequest request);
    template <class T> Task<T> request(PipelineRequest request) {
        auto response = co_await requestRaw(std::move(request));
        co_return decodeAnswer<T>(response);
    }
    Task<VelmoraHTTPResponse> sendTransportRequest(VelmoraHTTPRequest request,
                                                   std::optional<std::int64_t> generation,
                                                   std::int64_t cancellationGeneration,
                                                   bool endsWithCaller = false);
    void cancelInFlightRequests(std::int64_t before);

    // Widget configuration and content.
    Task<JSONValue::Object> loadWidgetAppearance();
    Task<VelmoraWidgetContentSnapshot> loadWidgetContent();

    // Snapshots.
    /// The snapshot read is the one every subscriber was handed; it is never copied.
    Task<std::shared_ptr<const VelmoraSnapshot>> loadSnapshot(bool preserveLoading);
    /// Makes a decoded conversation the current snapshot and announces it to every subscriber,
    /// all of whom share it.
    std::shared_ptr<const VelmoraSnapshot> adoptSnapshot(MessagesResponse response);
    Task<VelmoraSnapshot> refresh() { co_return *co_await loadSnapshot(false); }
    Task<VelmoraSnapshot> restoreSession(VelmoraSession session);
    Task<std::optional<VelmoraSession>> loadPersistedSession(std::int64_t requestGeneration);

    // Reset.
    Task<void> resetSession();

    // Session start, resume and the recovery of interrupted starts.
    Task<VelmoraSession> startSession(VelmoraSessionStartInput input);
    /// With `storedBody`, those bytes are stored and sent instead of a body built from `input`.
    Task<VelmoraSession> startSessionMutation(VelmoraSessionStartInput input,
                                              std::optional<Data> storedBody = std::nullopt);
    Task<std::optional<VelmoraSession>> resumeSession();
    Task<std::optional<VelmoraSession>> resumeSessionMutation();
    Task<VelmoraSession> recoverPendingSessionStart(VelmoraPendingSessionStart start,
                                                    std::int64_t requestGeneration);
    Task<void> reconcilePendingAttachmentOperation(std::int64_t requestGeneration);

    // Guarded access to the durable stores.
    Task<std::optional<VelmoraPendingSessionStart>>
    loadPendingSessionStart(std::int64_t requestGeneration);
    Task<void> persistPendingSessionStart(VelmoraPendingSessionStart pending,
                                          std::int64_t requestGeneration);
    Task<void> removePendingSessionStart(std::int64_t requestGeneration,
                                         std::optional<std::string> expectedIdempotencyKey);
    Task<void> persistSession(VelmoraSession session,
                              std::optional<std::int64_t> requestGeneration);
    Task<void> restorePendingAttachmentState(VelmoraSession session,
                                             std::optional<std::int64_t> requestGeneration);
    Task<void> savePendingAttachmentSend(VelmoraPendingAttachmentSend send,
                                         std::int64_t requestGeneration);
    Task<void> savePendingAttachmentOperation(VelmoraPendingAttachmentOperation operation,
                                              std::int64_t requestGeneration);

    /// Starts a new session generation for a start or a resume: the session in memory is
    /// dropped and announced, and the client is `startingSession`. Returns the new generation.
    std::int64_t beginSessionChange();

    /// Throws when a reset is running or failed (the reset guard).
    void checkResetGuard() const;

    /// The failure rule of the client's operations: a cancellation returns the loading state to
    /// idle and is thrown again as a fresh cancellation; any other error is reported as an
    /// `error` event, then idle, and thrown unchanged. Nothing is emitted once `generation`
    /// has moved past `recordedGeneration`: a newer operation owns the state then.
    [[noreturn]] void failOperation(std::exception_ptr error, std::int64_t recordedGeneration);

    /// Builds "/api/widget/v1/..." + "?integration=<encoded id>".
    std::string widgetPath(std::string_view path) const;
    std::string sessionPath(const std::string& sessionId, std::string_view rest) const;

    static VelmoraError sessionChanged(std::string_view step);

    // Messages through the outbox and the assistant's reply.
    Task<VelmoraAcceptedMessage> sendMessage(VelmoraMessageInput input);
    /// The send without the mutation slot, for callers that hold it themselves.
    Task<VelmoraAcceptedMessage> sendMessageMutation(VelmoraMessageInput input);
    /// Posts one stored entry in `session` and settles its fate: removed once accepted or
    /// refused for good, kept after a retryable failure.
    Task<VelmoraAcceptedMessage> sendOutboxEntry(VelmoraOutboxEntry entry, VelmoraSession session,
                                                 std::int64_t requestGeneration);
    Task<std::vector<VelmoraAcceptedMessage>> flushOutbox();
    Task<VelmoraSnapshot> waitForAssistant(double timeout,
                                           std::optional<std::int64_t> afterMessageCount);
    /// Outbox writes under the persistence lock, so that a reset's sweep (which holds it) never
    /// misses an entry. The save fails when the generation moved; the removal is skipped then,
    /// unless no generation is given.
    Task<void> saveOutboxEntry(VelmoraOutboxEntry entry, std::int64_t requestGeneration);
    /// Sends a stored request again the way a plain send does: its outbox entry is written
    /// first, so that a retryable failure leaves it for `flushOutbox`.
    Task<VelmoraAcceptedMessage> resendThroughOutbox(VelmoraOutboxEntry entry,
                                                     VelmoraSession session,
                                                     std::int64_t requestGeneration);
    Task<void> removeOutboxEntry(std::string id, std::optional<std::int64_t> requestGeneration);
    /// The removal of an entry the service accepted, which need not be durable at once.
    Task<void> removeAcceptedOutboxEntry(std::string id, std::int64_t requestGeneration);

    // Attachments.
    /// One request to an absolute address with the client's headers and a 60-second time-out;
    /// answers whatever status comes back.
    Task<VelmoraHTTPResponse>
    rawRequest(std::string url, std::string method, std::optional<Data> body,
               std::optional<std::string> contentType, std::optional<std::string> token,
               std::optional<std::string> uploadToken, std::optional<std::string> idempotencyKey,
               std::optional<std::int64_t> requestGeneration);
    bool isSameAPIOrigin(std::string_view url) const;
    bool isSafeUploadURL(std::string_view url) const;
    bool isSafeAttachmentURL(std::string_view url) const;
    bool canDownloadAttachment(const VelmoraAttachment& attachment) const;
    Task<Data> downloadAttachment(VelmoraAttachment attachment);
    Task<void> uploadAttachment(VelmoraAttachmentDraft draft, VelmoraAttachmentUploadIntent intent,
                                VelmoraSession session, std::int64_t requestGeneration);
    Task<void> uploadAttachments(std::vector<VelmoraAttachmentDraft> drafts, std::string messageId);
    /// The upload without the mutation slot, for callers that hold it themselves.
    Task<void> uploadAttachmentsMutation(std::vector<VelmoraAttachmentDraft> drafts,
                                         std::string messageId);
    Task<VelmoraSession> startSession(VelmoraSessionStartInput input,
                                      std::vector<VelmoraAttachmentDraft> attachments);
    Task<VelmoraAcceptedMessage> sendMessage(VelmoraMessageInput input,
                                             std::vector<VelmoraAttachmentDraft> attachments);
    Task<VelmoraAcceptedMessage> retryPendingAttachmentSend();
    /// The text standing for a message that carries only files, in the configured locale.
    std::string attachmentOnlyMessageText() const;
    /// Removes the account scope's pending attachment operation unless the generation moves
    /// while the lock is awaited.
    Task<void> removePendingAttachmentOperation();
    Task<VelmoraAcceptedMessage>
    retryPendingAttachmentOperation(VelmoraPendingAttachmentOperation operation);
    Task<VelmoraAcceptedMessage> retryPendingAttachmentSendRecord();
    Task<VelmoraAcceptedMessage>
    uploadAcceptedAttachments(std::vector<VelmoraAttachmentDraft> drafts, std::string messageId);
    // Forms, procedures, commerce, client tools and the operation dispatcher.
    // None takes the mutation slot, uses the outbox or emits events of its own; each is one
    // request in the current session, tied to the session generation read when it is built.
    /// The current session, else "Start or resume a session first." (sessionExpired).
    VelmoraSession requireCurrentSession() const;
    Task<VelmoraFormSubmission> submitConversationForm(std::string requestId,
                                                       JSONValue::Object values);
    /// Reloads the conversation once the service accepted the action.
    Task<VelmoraProcedureActionResult> performProcedureAction(VelmoraProcedureActionInput input);
    Task<JSONValue> listCommerceOrders(std::optional<std::string> cursor,
                                       std::optional<std::string> store);
    Task<JSONValue> loadCommerceOrder(std::string reference);
    Task<JSONValue> createCommerceProposal(VelmoraCommerceProposalInput input,
                                           std::string idempotencyKey);
    Task<JSONValue> confirmCommerceProposal(std::string proposalId, std::string idempotencyKey);
    Task<JSONValue> commerceProposalStatus(std::string proposalId);
    Task<JSONValue> requestClientTool(VelmoraClientToolRequest request);
    Task<JSONValue> completeClientTool(VelmoraClientToolResult result);
    Task<JSONValue> clientToolStatus(std::string callId);
    /// The bridged form of the three client-tool operations, from a parsed operation object.
    Task<JSONValue> performClientToolOperation(json::object object, std::string operation);
    /// One JSON operation text in, one JSON text out, for hosts that cannot call the typed
    /// operations.
    Task<std::string> performOperation(std::string requestJson);

private:
    template <class T> static T decodeAnswer(const VelmoraHTTPResponse& response) {
        try {
            auto document = parseJSON(std::string_view(
                reinterpret_cast<const char*>(response.body.data()), response.body.size()));
            return Codec<T>::decode(document, "");
        } catch (const VelmoraDecodingError&) {
            throw VelmoraError(VelmoraErrorCode::http, response.statusCode, std::nullopt,
                               "Velmora returned an invalid response shape.");
        }
    }

    struct InFlightRequest {
        std::int64_t cancellationGeneration = 0;
        std::shared_ptr<boost::asio::cancellation_signal> signal;
    };

    Strand strand_;
    const VelmoraConfiguration configuration_;
    const std::shared_ptr<VelmoraHTTPTransport> transport_;
    const std::shared_ptr<VelmoraOutboxStore> outbox_;
    const std::shared_ptr<VelmoraPendingSessionStartStore> pendingSessionStarts_;
    const std::shared_ptr<VelmoraSessionStore> sessionStore_;
    VelmoraPersistenceLock persistenceLock_;
    const std::shared_ptr<VelmoraPendingAttachmentStore> pendingAttachmentSends_;
    const std::shared_ptr<VelmoraPendingAttachmentOperationStore> pendingAttachmentOperations_;

public:
    // Mutable state, touched only on the strand. Public to the client's own operations.
    std::optional<VelmoraSession> session_;
    /// Immutable once read: the events handed to subscribers share it.
    std::shared_ptr<const VelmoraSnapshot> snapshot_;
    std::optional<VelmoraWidgetContentSnapshot> widgetContent_;
    VelmoraLoadingState loadingState_ = VelmoraLoadingState::idle;
    std::optional<VelmoraError> resetFailure_;
    bool resetInProgress_ = false;
    std::int64_t generation_ = 0;
    std::int64_t cancellationGeneration_ = 0;
    std::int64_t contentGeneration_ = 0;
    std::optional<VelmoraMutationOwner> mutationOwner_;
    bool automaticAiAvailable_ = false;
    std::vector<VelmoraWidgetChannel> widgetChannels_;
    std::optional<VelmoraWidgetNavigation> widgetNavigation_;
    std::optional<VelmoraWidgetAvailability> widgetAvailability_;
    std::optional<VelmoraWidgetVoiceSettings> widgetVoiceSettings_;
    std::optional<std::string> widgetWorkspacePublicName_;
    std::optional<std::string> lastCustomerMessageId_;
    std::map<std::string, InFlightRequest> inFlightRequests_;
    std::map<AttachmentUploadKey, AttachmentUploadState> attachmentUploadStates_;
    std::map<std::string, AsyncStreamContinuation<VelmoraEvent>> continuations_;

    VelmoraOutboxStore& outbox() { return *outbox_; }
    VelmoraPendingSessionStartStore& pendingSessionStarts() { return *pendingSessionStarts_; }
    VelmoraSessionStore& sessionStore() { return *sessionStore_; }
    VelmoraPendingAttachmentStore& pendingAttachmentSends() { return *pendingAttachmentSends_; }
    VelmoraPendingAttachmentOperationStore& pendingAttachmentOperations() {
        return *pendingAttachmentOperations_;
    }
    VelmoraPersistenceLock& persistenceLock() { return persistenceLock_; }
};

/// Holds the client's one mutation slot for the life of an operation. Taking a held slot fails
/// at once with "Another mutation is in progress."; on the way out the slot is freed only when it
/// still holds this claim's kind.
class MutationClaim {
public:
    MutationClaim(ClientCore& core, VelmoraMutationOwner owner);
    ~MutationClaim();
    MutationClaim(const MutationClaim&) = delete;
    MutationClaim& operator=(const MutationClaim&) = delete;

private:
    ClientCore& core_;
    VelmoraMutationOwner owner_;
};

/// Whether the coroutine's caller has asked for cancellation.
boost::asio::awaitable<bool> isCancelled();

/// Prepares a spawned client operation: cancellation is checked only where the client's rules
/// say, never implicitly at every suspension.
boost::asio::awaitable<void> enterOperation();

} // namespace velmora::detail
