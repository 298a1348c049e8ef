#include "velmora/ui/widget_runtime_policy.hpp"

#include <stdexcept>

namespace velmora {

VelmoraWidgetRuntimePolicy::VelmoraWidgetRuntimePolicy(
    std::shared_ptr<VelmoraPlatformSettings> settings)
    : settings_(std::move(settings)) {
    if (!settings_)
        throw std::invalid_argument("VelmoraWidgetRuntimePolicy needs platform settings");
    const auto values = settings_->values();
    reduceMotion_ = values.reduceMotion;
    prefersCrossFadeTransitions_ = values.preferCrossFadeTransitions;
    lowPowerMode_ = values.lowPowerMode;
    thermalState_ = values.thermalState;
}

VelmoraWidgetRuntimePolicy::~VelmoraWidgetRuntimePolicy() = default;

bool VelmoraWidgetRuntimePolicy::limitsNonEssentialMotion() const noexcept {
    return reduceMotion_ || lowPowerMode_ || thermalState_ == VelmoraThermalState::serious ||
           thermalState_ == VelmoraThermalState::critical;
}

std::optional<VelmoraWidgetAnimation>
VelmoraWidgetRuntimePolicy::navigationAnimation() const noexcept {
    if (limitsNonEssentialMotion() || !animationsEnabled_)
        return std::nullopt;
    return VelmoraWidgetAnimation{VelmoraWidgetAnimation::Curve::easeInOut, 0.22};
}

void VelmoraWidgetRuntimePolicy::start() {
    refresh();
    if (subscription_)
        return;
    // The subscription ends with the policy, so the callback never outlives it.
    subscription_ = settings_->observe([this] { refresh(); });
}

void VelmoraWidgetRuntimePolicy::stop() {
    subscription_.reset();
}

VelmoraObservation VelmoraWidgetRuntimePolicy::observe(
    std::function<void(VelmoraWidgetRuntimePolicyProperty)> callback) {
    return observers_.observe(std::nullopt, std::move(callback));
}

void VelmoraWidgetRuntimePolicy::refresh() {
    using Property = VelmoraWidgetRuntimePolicyProperty;
    const auto values = settings_->values();
    // An unchanged setting publishes nothing.
    const auto assign = [this](Property property, auto& field, auto value) {
        if (field == value)
            return;
        observers_.notify(property);
        field = value;
    };
    assign(Property::reduceMotion, reduceMotion_, values.reduceMotion);
    assign(Property::prefersCrossFadeTransitions, prefersCrossFadeTransitions_,
           values.preferCrossFadeTransitions);
    assign(Property::lowPowerMode, lowPowerMode_, values.lowPowerMode);
    assign(Property::thermalState, thermalState_, values.thermalState);
}

} // namespace velmora
