#pragma once

#include "velmora/ui/observation.hpp"
#include "velmora/ui/platform_settings.hpp"

#include <functional>
#include <memory>
#include <optional>

namespace velmora {
namespace detail {
class WidgetRuntimePolicyCore;
}

/// An animation the widget runs: its curve and length in seconds.
struct VelmoraWidgetAnimation {
    enum class Curve { easeInOut, easeOut };
    Curve curve = Curve::easeInOut;
    double duration = 0;
    friend bool operator==(const VelmoraWidgetAnimation&, const VelmoraWidgetAnimation&) = default;
};

/// The published properties of `VelmoraWidgetRuntimePolicy`.
enum class VelmoraWidgetRuntimePolicyProperty {
    reduceMotion,
    prefersCrossFadeTransitions,
    lowPowerMode,
    thermalState,
};

/// Whether the panel should limit non-essential motion, mirrored from the platform's
/// accessibility, power and thermal settings while the panel is visible.
///
/// GUI thread only. Not started, it holds the values read when it was built (or last
/// refreshed); started, it follows every change the settings report, publishing a property
/// only when its value actually changed.
class VelmoraWidgetRuntimePolicy {
public:
    /// Reads the current values of `settings` (which must not be null).
    explicit VelmoraWidgetRuntimePolicy(std::shared_ptr<VelmoraPlatformSettings> settings);
    ~VelmoraWidgetRuntimePolicy();
    VelmoraWidgetRuntimePolicy(const VelmoraWidgetRuntimePolicy&) = delete;
    VelmoraWidgetRuntimePolicy& operator=(const VelmoraWidgetRuntimePolicy&) = delete;

    bool reduceMotion() const noexcept;
    bool prefersCrossFadeTransitions() const noexcept;
    bool lowPowerMode() const noexcept;
    VelmoraThermalState thermalState() const noexcept;

    /// Reduced motion, low-power mode, or a serious or critical thermal state. The cross-fade
    /// preference plays no part.
    bool limitsNonEssentialMotion() const noexcept;
    /// Ease-in-out over 0.22 s, or nothing while motion is limited or animations are off.
    std::optional<VelmoraWidgetAnimation> navigationAnimation() const noexcept;

    /// The application's own switch for animations (on unless a host turns it off); the
    /// desktop has no system-wide one.
    bool animationsEnabled() const noexcept;
    void setAnimationsEnabled(bool enabled) noexcept;

    /// Re-reads the settings and, unless already started, follows their changes.
    void start();
    /// Stops following the settings; harmless when not started.
    void stop();
    bool isStarted() const noexcept;

    /// Told before each published property changes value.
    [[nodiscard]] VelmoraObservation
    observe(std::function<void(VelmoraWidgetRuntimePolicyProperty)> callback);

private:
    std::unique_ptr<detail::WidgetRuntimePolicyCore> core_;
};

} // namespace velmora
