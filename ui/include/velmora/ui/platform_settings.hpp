#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <string_view>
#include <vector>

namespace velmora {

/// The device's thermal pressure, mildest first.
enum class VelmoraThermalState { nominal, fair, serious, critical };

/// The colour scheme of the surroundings the widget is drawn in.
enum class VelmoraColorScheme { light, dark };

/// The text styles the widget sizes its fonts by.
enum class VelmoraTextStyle {
    largeTitle,
    title1,
    title2,
    title3,
    headline,
    body,
    callout,
    subheadline,
    footnote,
    caption1,
    caption2
};

/// A text style's size in points at text scale 1 (the desktop has no per-style user setting;
/// the sizes are the customary mobile defaults, so a design reads the same on both).
double velmoraTextStyleBaseSize(VelmoraTextStyle style) noexcept;

/// Insets of the area the widget may draw in, in points.
struct VelmoraSafeAreaInsets {
    double top = 0;
    double left = 0;
    double bottom = 0;
    double right = 0;
    friend bool operator==(const VelmoraSafeAreaInsets&, const VelmoraSafeAreaInsets&) = default;
};

/// One reading of every platform setting the views depend on.
struct VelmoraPlatformSettingsValues {
    bool reduceMotion = false;
    bool preferCrossFadeTransitions = false;
    bool lowPowerMode = false;
    VelmoraThermalState thermalState = VelmoraThermalState::nominal;
    VelmoraColorScheme colorScheme = VelmoraColorScheme::light;
    /// The user's text size as a multiple of the base sizes (1 = default).
    double textScale = 1;
    VelmoraSafeAreaInsets safeArea;
    friend bool operator==(const VelmoraPlatformSettingsValues&,
                           const VelmoraPlatformSettingsValues&) = default;
};

/// The platform facilities the widget reads besides its design: accessibility motion settings,
/// power and thermal state, colour scheme, text scaling and safe areas. Read on the GUI thread.
class VelmoraPlatformSettings {
public:
    virtual ~VelmoraPlatformSettings() = default;

    /// The current values.
    virtual VelmoraPlatformSettingsValues values() const = 0;

    /// Calls `observer` on the GUI thread after any value changes, until the returned handle is
    /// destroyed.
    using Observer = std::function<void()>;
    class Subscription {
    public:
        Subscription() = default;
        explicit Subscription(std::shared_ptr<void> token) : token_(std::move(token)) {}

    private:
        std::shared_ptr<void> token_;
    };
    Subscription observe(Observer observer);

protected:
    /// Implementations call this after their values changed.
    void notifyChanged();

private:
    std::vector<std::weak_ptr<Observer>> observers_;
};

/// The desktop's settings: the colour scheme follows the application palette (a dark window
/// colour means dark); the mobile-only facilities keep neutral values (no reduced motion, no
/// low-power mode, nominal thermal state, text scale 1, no safe-area insets).
class VelmoraDesktopPlatformSettings final : public VelmoraPlatformSettings {
public:
    VelmoraDesktopPlatformSettings();
    ~VelmoraDesktopPlatformSettings() override;
    VelmoraPlatformSettingsValues values() const override;

private:
    struct Watcher;
    std::unique_ptr<Watcher> watcher_;
};

/// Settings that hold whatever they are given: for tests, the gallery and hosts that want to
/// force a value.
class VelmoraFixedPlatformSettings final : public VelmoraPlatformSettings {
public:
    explicit VelmoraFixedPlatformSettings(VelmoraPlatformSettingsValues values = {})
        : values_(values) {}
    VelmoraPlatformSettingsValues values() const override { return values_; }
    /// Replaces the values and notifies observers when they differ.
    void set(const VelmoraPlatformSettingsValues& values);

private:
    VelmoraPlatformSettingsValues values_;
};

} // namespace velmora
