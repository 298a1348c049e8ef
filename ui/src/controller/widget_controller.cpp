#include "controller/widget_controller_core.hpp"

#include <utility>

// The public controller holds only its core and forwards to it, so that what the controller
// keeps and how it works can change without changing the class hosts compile against.

namespace velmora {

VelmoraWidgetController::VelmoraWidgetController(std::shared_ptr<detail::WidgetControllerCore> core)
    : core_(std::move(core)) {}

// What holds the core holds the controller (see `WidgetControllerCore::adopt`), so the two end
// together; the core's destruction cancels what still runs.
VelmoraWidgetController::~VelmoraWidgetController() = default;

VelmoraObservation
VelmoraWidgetController::observe(std::function<void(VelmoraWidgetProperty)> callback) {
    return core_->observe(std::move(callback));
}

VelmoraObservation
VelmoraWidgetController::observe(VelmoraWidgetProperty property,
                                 std::function<void(VelmoraWidgetProperty)> callback) {
    return core_->observe(property, std::move(callback));
}

const std::vector<VelmoraMessage>& VelmoraWidgetController::messages() const {
    return core_->messages();
}

const std::optional<VelmoraSnapshot>& VelmoraWidgetController::snapshot() const {
    return core_->snapshot();
}

VelmoraLoadingState VelmoraWidgetController::loadingState() const {
    return core_->loadingState();
}

bool VelmoraWidgetController::isLoadingConfiguration() const {
    return core_->isLoadingConfiguration();
}

const std::optional<VelmoraError>& VelmoraWidgetController::error() const {
    return core_->error();
}

const std::string& VelmoraWidgetController::draft() const {
    return core_->draft();
}

void VelmoraWidgetController::setDraft(std::string text) {
    core_->setDraft(std::move(text));
}

const std::vector<VelmoraAttachmentDraft>& VelmoraWidgetController::pendingAttachments() const {
    return core_->pendingAttachments();
}

bool VelmoraWidgetController::isMounted() const {
    return core_->isMounted();
}

bool VelmoraWidgetController::isOpen() const {
    return core_->isOpen();
}

bool VelmoraWidgetController::isForeground() const {
    return core_->isForeground();
}

bool VelmoraWidgetController::isActionInFlight() const {
    return core_->isActionInFlight();
}

const std::optional<VelmoraHostActionResult>& VelmoraWidgetController::hostActionResult() const {
    return core_->hostActionResult();
}

const std::optional<std::string>& VelmoraWidgetController::hostActionResultActionID() const {
    return core_->hostActionResultActionID();
}

std::optional<VelmoraVoiceCapabilityState> VelmoraWidgetController::voiceState() const {
    return core_->voiceState();
}

bool VelmoraWidgetController::voiceEnabledByServer() const {
    return core_->voiceEnabledByServer();
}

const VelmoraWidgetContentState& VelmoraWidgetController::content() const {
    return core_->content();
}

VelmoraWidgetViewMode VelmoraWidgetController::screen() const {
    return core_->screen();
}

bool VelmoraWidgetController::messagesAvailable() const {
    return core_->messagesAvailable();
}

bool VelmoraWidgetController::helpAvailable() const {
    return core_->helpAvailable();
}

bool VelmoraWidgetController::navigationReady() const {
    return core_->navigationReady();
}

const std::optional<VelmoraWidgetAvailability>& VelmoraWidgetController::availability() const {
    return core_->availability();
}

const std::optional<std::string>& VelmoraWidgetController::workspacePublicName() const {
    return core_->workspacePublicName();
}

const std::string& VelmoraWidgetController::helpQuery() const {
    return core_->helpQuery();
}

const std::optional<std::string>& VelmoraWidgetController::activeFAQID() const {
    return core_->activeFAQID();
}

const std::optional<std::string>& VelmoraWidgetController::activeWorkflowID() const {
    return core_->activeWorkflowID();
}

const std::optional<std::string>& VelmoraWidgetController::activeWorkflowStepID() const {
    return core_->activeWorkflowStepID();
}

bool VelmoraWidgetController::isInitialNavigationResolved() const {
    return core_->isInitialNavigationResolved();
}

const std::optional<VelmoraError>& VelmoraWidgetController::helpError() const {
    return core_->helpError();
}

bool VelmoraWidgetController::mutationInFlight() const {
    return core_->mutationInFlight();
}

const std::optional<std::string>& VelmoraWidgetController::activeHostActionRequestId() const {
    return core_->activeHostActionRequestId();
}

std::optional<std::string> VelmoraWidgetController::pendingFirstDraftText() const {
    return core_->pendingFirstDraftText();
}

bool VelmoraWidgetController::voiceAvailable() const {
    return core_->voiceAvailable();
}

const VelmoraWidgetController::HostCloseCallback& VelmoraWidgetController::onHostClose() const {
    return core_->onHostClose();
}

void VelmoraWidgetController::setOnHostClose(HostCloseCallback callback) {
    core_->setOnHostClose(std::move(callback));
}

const VelmoraWidgetController::HostActionEventCallback&
VelmoraWidgetController::onHostActionEvent() const {
    return core_->onHostActionEvent();
}

void VelmoraWidgetController::setOnHostActionEvent(HostActionEventCallback callback) {
    core_->setOnHostActionEvent(std::move(callback));
}

void VelmoraWidgetController::mount() {
    core_->mount();
}

void VelmoraWidgetController::open() {
    core_->open();
}

void VelmoraWidgetController::close() {
    core_->close();
}

void VelmoraWidgetController::requestHostClose() {
    core_->requestHostClose();
}

void VelmoraWidgetController::background() {
    core_->background();
}

void VelmoraWidgetController::foreground() {
    core_->foreground();
}

void VelmoraWidgetController::destroy() {
    core_->destroy();
}

void VelmoraWidgetController::updateDraft(std::string text) {
    core_->updateDraft(std::move(text));
}

void VelmoraWidgetController::clearDraft() {
    core_->clearDraft();
}

void VelmoraWidgetController::cancelPendingDraft() {
    core_->cancelPendingDraft();
}

void VelmoraWidgetController::discardDraftForSessionReset() {
    core_->discardDraftForSessionReset();
}

void VelmoraWidgetController::send() {
    core_->send();
}

void VelmoraWidgetController::retry() {
    core_->retry();
}

void VelmoraWidgetController::resetSession() {
    core_->resetSession();
}

void VelmoraWidgetController::applyInitialNavigation(std::optional<VelmoraWidgetViewMode> view,
                                                     std::optional<std::string> articleID) {
    core_->applyInitialNavigation(std::move(view), std::move(articleID));
}

void VelmoraWidgetController::prepareNavigation(const VelmoraWidgetNavigation& navigation) {
    core_->prepareNavigation(navigation);
}

void VelmoraWidgetController::setScreen(VelmoraWidgetViewMode screen) {
    core_->setScreen(screen);
}

void VelmoraWidgetController::clearHelpSelection() {
    core_->clearHelpSelection();
}

void VelmoraWidgetController::retryContent() {
    core_->retryContent();
}

void VelmoraWidgetController::openArticle(const std::string& articleID) {
    core_->openArticle(articleID);
}

void VelmoraWidgetController::toggleFAQ(const std::string& articleID) {
    core_->toggleFAQ(articleID);
}

void VelmoraWidgetController::updateHelpQuery(std::string query) {
    core_->updateHelpQuery(std::move(query));
}

void VelmoraWidgetController::openContact(std::optional<VelmoraWidgetContentPrefill> prefill) {
    core_->openContact(std::move(prefill));
}

void VelmoraWidgetController::startWorkflow(const std::string& workflowID,
                                            std::optional<VelmoraWidgetContentPrefill> prefill) {
    core_->startWorkflow(workflowID, std::move(prefill));
}

void VelmoraWidgetController::selectWorkflowOption(
    const VelmoraWidgetContentWorkflowOption& option) {
    core_->selectWorkflowOption(option);
}

void VelmoraWidgetController::setHostActionHandler(VelmoraHostActionHandler handler,
                                                   const std::string& actionId) {
    core_->setHostActionHandler(std::move(handler), actionId);
}

bool VelmoraWidgetController::isHostActionAvailable(
    const std::optional<std::string>& actionId) const {
    return core_->isHostActionAvailable(actionId);
}

VelmoraHostActionResult
VelmoraWidgetController::completeHostAction(const VelmoraHostActionCompletion& completion) {
    return core_->completeHostAction(completion);
}

bool VelmoraWidgetController::completeHostActionIfPending(
    const VelmoraHostActionCompletion& completion) {
    return core_->completeHostActionIfPending(completion);
}

void VelmoraWidgetController::cancelHostActionsForIdentityChange() {
    core_->cancelHostActionsForIdentityChange();
}

void VelmoraWidgetController::addAttachment(const std::filesystem::path& file) {
    core_->addAttachment(file);
}

void VelmoraWidgetController::removeAttachment(const VelmoraAttachmentDraft& attachment) {
    core_->removeAttachment(attachment);
}

boost::asio::awaitable<Data>
VelmoraWidgetController::downloadAttachment(VelmoraAttachment attachment) {
    return core_->downloadAttachment(std::move(attachment));
}

bool VelmoraWidgetController::canDownloadAttachment(const VelmoraAttachment& attachment) const {
    return core_->canDownloadAttachment(attachment);
}

void VelmoraWidgetController::submitForm(const VelmoraConversationForm& form,
                                         JSONValue::Object values) {
    core_->submitForm(form, std::move(values));
}

void VelmoraWidgetController::performProcedureAction(const VelmoraProcedureCard& card,
                                                     std::string action, std::string value) {
    core_->performProcedureAction(card, std::move(action), std::move(value));
}

void VelmoraWidgetController::requestProcedureAvailability(const VelmoraProcedureCard& card,
                                                           const std::string& month) {
    core_->requestProcedureAvailability(card, month);
}

void VelmoraWidgetController::performProcedureQuickAction(
    const VelmoraProcedureQuickAction& quickAction) {
    core_->performProcedureQuickAction(quickAction);
}

void VelmoraWidgetController::setVoiceFactory(VelmoraVoiceFactory factory) {
    core_->setVoiceFactory(std::move(factory));
}

void VelmoraWidgetController::attachVoiceCapability(
    std::shared_ptr<VelmoraVoiceCapability> capability, bool serverEnabled) {
    core_->attachVoiceCapability(std::move(capability), serverEnabled);
}

void VelmoraWidgetController::toggleVoice() {
    core_->toggleVoice();
}

void VelmoraWidgetController::setVoiceMuted(bool muted) {
    core_->setVoiceMuted(muted);
}

const boost::asio::any_io_executor& VelmoraWidgetController::mainExecutor() const {
    return core_->mainExecutor();
}

} // namespace velmora
