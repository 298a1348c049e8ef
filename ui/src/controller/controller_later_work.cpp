#include "velmora/ui/widget_controller.hpp"

// Operations whose behaviour is built on top of the controller's state, lifecycle, events and
// drafts. Each body here is what is correct while that behaviour does not exist yet.

namespace velmora {

void VelmoraWidgetController::loadWidgetContentIfNeeded(bool /*force*/) {
    // The help content load starts here once help content loading exists.
}

void VelmoraWidgetController::startVoiceObservation() {
    // The voice state updates are followed here once voice exists.
}

void VelmoraWidgetController::prepareVoiceCapabilityIfNeeded() {
    // The host's voice factory runs here once voice exists.
}

// Public intents that arrive with the message pipeline, screens, help, workflows,
// attachments, forms and voice.

void VelmoraWidgetController::retryContent() {}
void VelmoraWidgetController::openArticle(const std::string&) {}
void VelmoraWidgetController::toggleFAQ(const std::string&) {}
void VelmoraWidgetController::updateHelpQuery(std::string) {}
void VelmoraWidgetController::openContact(std::optional<VelmoraWidgetContentPrefill>) {}
void VelmoraWidgetController::startWorkflow(const std::string&,
                                            std::optional<VelmoraWidgetContentPrefill>) {}
void VelmoraWidgetController::selectWorkflowOption(const VelmoraWidgetContentWorkflowOption&) {}
void VelmoraWidgetController::addAttachment(const std::filesystem::path&) {}
void VelmoraWidgetController::removeAttachment(const VelmoraAttachmentDraft&) {}
void VelmoraWidgetController::submitForm(const VelmoraConversationForm&, JSONValue::Object) {}
void VelmoraWidgetController::setVoiceFactory(VelmoraVoiceFactory) {}
void VelmoraWidgetController::toggleVoice() {}
void VelmoraWidgetController::setVoiceMuted(bool) {}

boost::asio::awaitable<Data>
VelmoraWidgetController::downloadAttachment(VelmoraAttachment attachment) {
    co_return co_await client_->downloadAttachment(std::move(attachment));
}

bool VelmoraWidgetController::canDownloadAttachment(const VelmoraAttachment& attachment) const {
    return client_->canDownloadAttachment(attachment);
}

} // namespace velmora
