#include "velmora/client.hpp"

#include "client/attachment_rules.hpp"
#include "client/client_core.hpp"

namespace velmora {

VelmoraClient::VelmoraClient(
    boost::asio::any_io_executor executor, VelmoraConfiguration configuration,
    std::shared_ptr<VelmoraOutboxStore> outbox,
    std::shared_ptr<VelmoraPendingSessionStartStore> pendingSessionStarts,
    std::shared_ptr<VelmoraSessionStore> sessionStore,
    std::shared_ptr<VelmoraPendingAttachmentStore> pendingAttachmentSends,
    std::shared_ptr<VelmoraPendingAttachmentOperationStore> pendingAttachmentOperations,
    std::shared_ptr<VelmoraHTTPTransport> transport)
    : core_(std::make_shared<detail::ClientCore>(
          std::move(executor), std::move(configuration), std::move(outbox),
          std::move(pendingSessionStarts), std::move(sessionStore),
          std::move(pendingAttachmentSends), std::move(pendingAttachmentOperations),
          std::move(transport))) {}

VelmoraClient::~VelmoraClient() = default;

boost::asio::any_io_executor VelmoraClient::executor() const {
    return core_->strand();
}

const VelmoraConfiguration& VelmoraClient::configuration() const {
    return core_->configuration();
}

std::string VelmoraClient::attachmentOnlyMessageText() const {
    return core_->attachmentOnlyMessageText();
}

std::string VelmoraClient::widgetDraftIdentity() const {
    const auto& c = core_->configuration();
    const char separator = '\x1f';
    return c.apiOrigin() + separator + c.integrationId() + separator + c.accountScope() +
           separator + c.locale();
}

boost::asio::awaitable<AsyncStream<VelmoraEvent>> VelmoraClient::eventsOn(Core core) {
    co_return core->events();
}

#define VELMORA_CLIENT_READER(name, Type, member)                                                  \
    boost::asio::awaitable<Type> VelmoraClient::name##On(Core core) {                              \
        co_return core->member();                                                                  \
    }
VELMORA_CLIENT_READER(currentSession, std::optional<VelmoraSession>, session)
VELMORA_CLIENT_READER(currentSnapshot, std::optional<VelmoraSnapshot>, snapshot)
VELMORA_CLIENT_READER(currentWidgetContent, std::optional<VelmoraWidgetContentSnapshot>,
                      widgetContent)
VELMORA_CLIENT_READER(currentLoadingState, VelmoraLoadingState, loadingState)
VELMORA_CLIENT_READER(currentCustomerMessageId, std::optional<std::string>, lastCustomerMessageId)
VELMORA_CLIENT_READER(currentWidgetChannels, std::vector<VelmoraWidgetChannel>, widgetChannels)
VELMORA_CLIENT_READER(currentWidgetNavigation, std::optional<VelmoraWidgetNavigation>,
                      widgetNavigation)
VELMORA_CLIENT_READER(currentWidgetAvailability, std::optional<VelmoraWidgetAvailability>,
                      widgetAvailability)
VELMORA_CLIENT_READER(currentWidgetVoiceSettings, std::optional<VelmoraWidgetVoiceSettings>,
                      widgetVoiceSettings)
VELMORA_CLIENT_READER(currentWidgetWorkspacePublicName, std::optional<std::string>,
                      widgetWorkspacePublicName)
VELMORA_CLIENT_READER(shouldWaitForAssistant, bool, shouldWaitForAssistant)
#undef VELMORA_CLIENT_READER

boost::asio::awaitable<JSONValue::Object> VelmoraClient::loadWidgetAppearanceOn(Core core) {
    co_await detail::enterOperation();
    co_return co_await core->loadWidgetAppearance();
}

boost::asio::awaitable<VelmoraWidgetContentSnapshot> VelmoraClient::loadWidgetContentOn(Core core) {
    co_await detail::enterOperation();
    co_return co_await core->loadWidgetContent();
}

boost::asio::awaitable<VelmoraSnapshot> VelmoraClient::refreshOn(Core core) {
    co_await detail::enterOperation();
    co_return co_await core->refresh();
}

boost::asio::awaitable<VelmoraSnapshot> VelmoraClient::restoreSessionOn(Core core,
                                                                        VelmoraSession session) {
    co_await detail::enterOperation();
    co_return co_await core->restoreSession(std::move(session));
}

boost::asio::awaitable<void> VelmoraClient::resetSessionOn(Core core) {
    co_await detail::enterOperation();
    co_await core->resetSession();
}

boost::asio::awaitable<VelmoraSession>
VelmoraClient::startSessionOn(Core core, VelmoraSessionStartInput input) {
    co_await detail::enterOperation();
    co_return co_await core->startSession(std::move(input));
}

boost::asio::awaitable<std::optional<VelmoraSession>> VelmoraClient::resumeSessionOn(Core core) {
    co_await detail::enterOperation();
    co_return co_await core->resumeSession();
}

boost::asio::awaitable<VelmoraAcceptedMessage>
VelmoraClient::sendMessageOn(Core core, VelmoraMessageInput input) {
    co_await detail::enterOperation();
    co_return co_await core->sendMessage(std::move(input));
}

boost::asio::awaitable<std::vector<VelmoraAcceptedMessage>>
VelmoraClient::flushOutboxOn(Core core) {
    co_await detail::enterOperation();
    co_return co_await core->flushOutbox();
}

boost::asio::awaitable<VelmoraSnapshot>
VelmoraClient::waitForAssistantOn(Core core, double timeout,
                                  std::optional<std::int64_t> afterMessageCount) {
    co_await detail::enterOperation();
    co_return co_await core->waitForAssistant(timeout, afterMessageCount);
}

// Attachments.

bool VelmoraClient::canDownloadAttachment(const VelmoraAttachment& attachment) const {
    return core_->canDownloadAttachment(attachment);
}

void VelmoraClient::validateAttachments(const std::vector<VelmoraAttachmentDraft>& attachments) {
    detail::validateAttachments(attachments);
}

boost::asio::awaitable<Data> VelmoraClient::downloadAttachmentOn(Core core,
                                                                 VelmoraAttachment attachment) {
    co_await detail::enterOperation();
    co_return co_await core->downloadAttachment(std::move(attachment));
}

boost::asio::awaitable<VelmoraSession>
VelmoraClient::startSessionWithAttachmentsOn(Core core, VelmoraSessionStartInput input,
                                             std::vector<VelmoraAttachmentDraft> attachments) {
    co_await detail::enterOperation();
    co_return co_await core->startSession(std::move(input), std::move(attachments));
}

boost::asio::awaitable<VelmoraAcceptedMessage>
VelmoraClient::sendMessageWithAttachmentsOn(Core core, VelmoraMessageInput input,
                                            std::vector<VelmoraAttachmentDraft> attachments) {
    co_await detail::enterOperation();
    co_return co_await core->sendMessage(std::move(input), std::move(attachments));
}

boost::asio::awaitable<void>
VelmoraClient::uploadAttachmentsOn(Core core, std::vector<VelmoraAttachmentDraft> attachments,
                                   std::string messageId) {
    co_await detail::enterOperation();
    co_await core->uploadAttachments(std::move(attachments), std::move(messageId));
}

boost::asio::awaitable<VelmoraAcceptedMessage>
VelmoraClient::retryPendingAttachmentSendOn(Core core) {
    co_await detail::enterOperation();
    co_return co_await core->retryPendingAttachmentSend();
}

// Forms, procedures, commerce, client tools and the operation dispatcher.

boost::asio::awaitable<VelmoraFormSubmission>
VelmoraClient::submitConversationFormOn(Core core, std::string requestId,
                                        JSONValue::Object values) {
    co_await detail::enterOperation();
    co_return co_await core->submitConversationForm(std::move(requestId), std::move(values));
}

boost::asio::awaitable<VelmoraProcedureActionResult>
VelmoraClient::performProcedureActionOn(Core core, VelmoraProcedureActionInput input) {
    co_await detail::enterOperation();
    co_return co_await core->performProcedureAction(std::move(input));
}

boost::asio::awaitable<JSONValue>
VelmoraClient::listCommerceOrdersOn(Core core, std::optional<std::string> cursor,
                                    std::optional<std::string> store) {
    co_await detail::enterOperation();
    co_return co_await core->listCommerceOrders(std::move(cursor), std::move(store));
}

boost::asio::awaitable<JSONValue> VelmoraClient::loadCommerceOrderOn(Core core,
                                                                     std::string reference) {
    co_await detail::enterOperation();
    co_return co_await core->loadCommerceOrder(std::move(reference));
}

boost::asio::awaitable<JSONValue>
VelmoraClient::createCommerceProposalOn(Core core, VelmoraCommerceProposalInput input,
                                        std::string idempotencyKey) {
    co_await detail::enterOperation();
    co_return co_await core->createCommerceProposal(std::move(input), std::move(idempotencyKey));
}

boost::asio::awaitable<JSONValue>
VelmoraClient::confirmCommerceProposalOn(Core core, std::string proposalId,
                                         std::string idempotencyKey) {
    co_await detail::enterOperation();
    co_return co_await core->confirmCommerceProposal(std::move(proposalId),
                                                     std::move(idempotencyKey));
}

boost::asio::awaitable<JSONValue> VelmoraClient::commerceProposalStatusOn(Core core,
                                                                          std::string proposalId) {
    co_await detail::enterOperation();
    co_return co_await core->commerceProposalStatus(std::move(proposalId));
}

boost::asio::awaitable<JSONValue>
VelmoraClient::requestClientToolOn(Core core, VelmoraClientToolRequest request) {
    co_await detail::enterOperation();
    co_return co_await core->requestClientTool(std::move(request));
}

boost::asio::awaitable<JSONValue>
VelmoraClient::completeClientToolOn(Core core, VelmoraClientToolResult result) {
    co_await detail::enterOperation();
    co_return co_await core->completeClientTool(std::move(result));
}

boost::asio::awaitable<JSONValue> VelmoraClient::clientToolStatusOn(Core core, std::string callId) {
    co_await detail::enterOperation();
    co_return co_await core->clientToolStatus(std::move(callId));
}

boost::asio::awaitable<std::string> VelmoraClient::performOperationOn(Core core,
                                                                      std::string requestJson) {
    co_await detail::enterOperation();
    co_return co_await core->performOperation(std::move(requestJson));
}

} // namespace velmora
