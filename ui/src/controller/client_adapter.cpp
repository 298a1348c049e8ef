#include "velmora/client.hpp"
#include "velmora/ui/widget_client.hpp"

#include <stdexcept>

namespace velmora {

namespace asio = boost::asio;

// Each client operation is spawned on the client's strand; awaiting it with `use_awaitable`
// brings its completion back to the awaiting coroutine's own executor (the main executor).

VelmoraClientWidgetAdapter::VelmoraClientWidgetAdapter(std::shared_ptr<VelmoraClient> client)
    : client_(std::move(client)) {
    if (!client_) {
        throw std::invalid_argument("VelmoraClientWidgetAdapter needs a client");
    }
}

std::string VelmoraClientWidgetAdapter::widgetDraftIdentity() const {
    return client_->widgetDraftIdentity();
}

std::string VelmoraClientWidgetAdapter::attachmentOnlyMessageText() const {
    return client_->attachmentOnlyMessageText();
}

bool VelmoraClientWidgetAdapter::canDownloadAttachment(const VelmoraAttachment& attachment) const {
    return client_->canDownloadAttachment(attachment);
}

void VelmoraClientWidgetAdapter::validateAttachments(
    const std::vector<VelmoraAttachmentDraft>& attachments) const {
    VelmoraClient::validateAttachments(attachments);
}

asio::awaitable<AsyncStream<VelmoraEvent>> VelmoraClientWidgetAdapter::events() {
    co_return co_await client_->events();
}

asio::awaitable<std::optional<VelmoraSession>> VelmoraClientWidgetAdapter::currentSession() {
    co_return co_await client_->currentSession();
}

asio::awaitable<std::optional<std::string>> VelmoraClientWidgetAdapter::currentCustomerMessageId() {
    co_return co_await client_->currentCustomerMessageId();
}

asio::awaitable<std::optional<VelmoraSnapshot>> VelmoraClientWidgetAdapter::currentSnapshot() {
    co_return co_await client_->currentSnapshot();
}

asio::awaitable<bool> VelmoraClientWidgetAdapter::shouldWaitForAssistant() {
    co_return co_await client_->shouldWaitForAssistant();
}

asio::awaitable<std::optional<VelmoraWidgetNavigation>>
VelmoraClientWidgetAdapter::currentWidgetNavigation() {
    co_return co_await client_->currentWidgetNavigation();
}

asio::awaitable<std::optional<VelmoraWidgetAvailability>>
VelmoraClientWidgetAdapter::currentWidgetAvailability() {
    co_return co_await client_->currentWidgetAvailability();
}

asio::awaitable<std::optional<std::string>>
VelmoraClientWidgetAdapter::currentWidgetWorkspacePublicName() {
    co_return co_await client_->currentWidgetWorkspacePublicName();
}

asio::awaitable<std::optional<VelmoraWidgetVoiceSettings>>
VelmoraClientWidgetAdapter::currentWidgetVoiceSettings() {
    co_return co_await client_->currentWidgetVoiceSettings();
}

asio::awaitable<VelmoraSnapshot> VelmoraClientWidgetAdapter::refresh() {
    co_return co_await client_->refresh();
}

asio::awaitable<VelmoraSnapshot>
VelmoraClientWidgetAdapter::waitForAssistant(double timeout,
                                             std::optional<std::int64_t> afterMessageCount) {
    co_return co_await client_->waitForAssistant(timeout, afterMessageCount);
}

asio::awaitable<JSONValue::Object> VelmoraClientWidgetAdapter::loadWidgetAppearance() {
    co_return co_await client_->loadWidgetAppearance();
}

asio::awaitable<VelmoraWidgetContentSnapshot> VelmoraClientWidgetAdapter::loadWidgetContent() {
    co_return co_await client_->loadWidgetContent();
}

asio::awaitable<std::optional<VelmoraSession>> VelmoraClientWidgetAdapter::resumeSession() {
    co_return co_await client_->resumeSession();
}

asio::awaitable<std::vector<VelmoraAcceptedMessage>> VelmoraClientWidgetAdapter::flushOutbox() {
    co_return co_await client_->flushOutbox();
}

asio::awaitable<void> VelmoraClientWidgetAdapter::resetSession() {
    co_await client_->resetSession();
}

asio::awaitable<VelmoraSession>
VelmoraClientWidgetAdapter::startSession(VelmoraSessionStartInput input,
                                         std::vector<VelmoraAttachmentDraft> attachments) {
    // Without files the plain start is the same request, without an attachment operation.
    if (attachments.empty()) {
        co_return co_await client_->startSession(std::move(input));
    }
    co_return co_await client_->startSession(std::move(input), std::move(attachments));
}

asio::awaitable<VelmoraAcceptedMessage>
VelmoraClientWidgetAdapter::sendMessage(VelmoraMessageInput input,
                                        std::vector<VelmoraAttachmentDraft> attachments) {
    if (attachments.empty()) {
        co_return co_await client_->sendMessage(std::move(input));
    }
    co_return co_await client_->sendMessage(std::move(input), std::move(attachments));
}

asio::awaitable<void>
VelmoraClientWidgetAdapter::uploadAttachments(std::vector<VelmoraAttachmentDraft> attachments,
                                              std::string messageId) {
    co_await client_->uploadAttachments(std::move(attachments), std::move(messageId));
}

asio::awaitable<Data> VelmoraClientWidgetAdapter::downloadAttachment(VelmoraAttachment attachment) {
    co_return co_await client_->downloadAttachment(std::move(attachment));
}

asio::awaitable<VelmoraFormSubmission>
VelmoraClientWidgetAdapter::submitConversationForm(std::string requestId,
                                                   JSONValue::Object values) {
    co_return co_await client_->submitConversationForm(std::move(requestId), std::move(values));
}

asio::awaitable<VelmoraProcedureActionResult>
VelmoraClientWidgetAdapter::performProcedureAction(VelmoraProcedureActionInput input) {
    co_return co_await client_->performProcedureAction(std::move(input));
}

} // namespace velmora
