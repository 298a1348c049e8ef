#include "velmora/ui/widget_controller.hpp"

namespace velmora {

void VelmoraWidgetController::attachVoiceCapability(
    std::shared_ptr<VelmoraVoiceCapability> capability, bool serverEnabled) {
    const auto self = shared_from_this();
    ++voiceOperationGeneration_;
    for (auto* task : {&voiceFactoryTask_, &voiceObservationTask_, &voiceTask_}) {
        if (*task) {
            (*task)->cancel();
            task->reset();
        }
    }
    if (const auto previous = voiceCapability_) {
        previous->stop();
    }
    if (!serverEnabled && capability) {
        capability->stop();
    }
    voiceCapability_ = std::move(capability);
    publish(VelmoraWidgetProperty::voiceEnabledByServer, voiceEnabledByServer_, serverEnabled);
    publish(VelmoraWidgetProperty::voiceState, voiceState_,
            voiceCapability_ ? std::optional(voiceCapability_->state())
                             : std::optional<VelmoraVoiceCapabilityState>());
    startVoiceObservation();
}

} // namespace velmora
