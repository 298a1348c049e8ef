#include "velmora/ui/widget_runtime_policy.hpp"

#include "controller/observer_list.hpp"

#include <stdexcept>

namespace velmora {
namespace detail {

// The policy's state and steps, kept out of the installed header.
class WidgetRuntimePolicyCore {
public:
    explicit WidgetRuntimePolicyCore(std::shared_ptr<VelmoraPlatformSettings> settings);

    bool limitsNonEssentialMotion() const noexcept;
    std::optional<VelmoraWidgetAnimation> navigationAnimation() const noexcept;
    void start();
    void stop();
    VelmoraObservation observe(std::function<void(VelmoraWidgetRuntimePolicyProperty)> callback);
    void refresh();

    std::shared_ptr<VelmoraPlatformSettings> settings_;
    std::optional<VelmoraPlatformSettings::Subscription> subscription_;
    VelmoraObserverList<VelmoraWidgetRuntimePolicyProperty> observers_;
    bool reduceMotion_ = false;
    bool prefersCrossFadeTransitions_ = false;
    bool lowPowerMode_ = false;
    VelmoraThermalState thermalState_ = VelmoraThermalState::nominal;
    bool animationsEnabled_ = true;
};

} // namespace detail

detail::WidgetRuntimePolicyCore::WidgetRuntimePolicyCore(
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

bool detail::WidgetRuntimePolicyCore::limitsNonEssentialMotion() const noexcept {
    return reduceMotion_ || lowPowerMode_ || thermalState_ == VelmoraThermalState::serious ||
           thermalState_ == VelmoraThermalState::critical;
}

std::optional<VelmoraWidgetAnimation>
detail::WidgetRuntimePolicyCore::navigationAnimation() const noexcept {
    if (limitsNonEssentialMotion() || !animationsEnabled_)
        return std::nullopt;
    return VelmoraWidgetAnimation{VelmoraWidgetAnimation::Curve::easeInOut, 0.22};
}

void detail::WidgetRuntimePolicyCore::start() {
    refresh();
    if (subscription_)
        return;
    // The subscription ends with the policy, so the callback never outlives it.
    subscription_ = settings_->observe([this] { refresh(); });
}

void detail::WidgetRuntimePolicyCore::stop() {
    subscription_.reset();
}

VelmoraObservation detail::WidgetRuntimePolicyCore::observe(
    std::function<void(VelmoraWidgetRuntimePolicyProperty)> callback) {
    return observers_.observe(std::nullopt, std::move(callback));
}

void detail::WidgetRuntimePolicyCore::refresh() {
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

VelmoraWidgetRuntimePolicy::VelmoraWidgetRuntimePolicy(
    std::shared_ptr<VelmoraPlatformSettings> settings)
    : core_(std::make_unique<detail::WidgetRuntimePolicyCore>(std::move(settings))) {}

VelmoraWidgetRuntimePolicy::~VelmoraWidgetRuntimePolicy() = default;

bool VelmoraWidgetRuntimePolicy::reduceMotion() const noexcept {
    return core_->reduceMotion_;
}

bool VelmoraWidgetRuntimePolicy::prefersCrossFadeTransitions() const noexcept {
    return core_->prefersCrossFadeTransitions_;
}

bool VelmoraWidgetRuntimePolicy::lowPowerMode() const noexcept {
    return core_->lowPowerMode_;
}

VelmoraThermalState VelmoraWidgetRuntimePolicy::thermalState() const noexcept {
    return core_->thermalState_;
}

bool VelmoraWidgetRuntimePolicy::limitsNonEssentialMotion() const noexcept {
    return core_->limitsNonEssentialMotion();
}

std::optional<VelmoraWidgetAnimation>
VelmoraWidgetRuntimePolicy::navigationAnimation() const noexcept {
    return core_->navigationAnimation();
}

bool VelmoraWidgetRuntimePolicy::animationsEnabled() const noexcept {
    return core_->animationsEnabled_;
}

void VelmoraWidgetRuntimePolicy::setAnimationsEnabled(bool enabled) noexcept {
    core_->animationsEnabled_ = enabled;
}

void VelmoraWidgetRuntimePolicy::start() {
    core_->start();
}

void VelmoraWidgetRuntimePolicy::stop() {
    core_->stop();
}

bool VelmoraWidgetRuntimePolicy::isStarted() const noexcept {
    return core_->subscription_.has_value();
}

VelmoraObservation VelmoraWidgetRuntimePolicy::observe(
    std::function<void(VelmoraWidgetRuntimePolicyProperty)> callback) {
    return core_->observe(std::move(callback));
}

} // namespace velmora
