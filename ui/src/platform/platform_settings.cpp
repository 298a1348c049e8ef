#include "velmora/ui/platform_settings.hpp"

#include <QEvent>
#include <QGuiApplication>
#include <QObject>
#include <QPalette>

#include <algorithm>

namespace velmora {

double velmoraTextStyleBaseSize(VelmoraTextStyle style) noexcept {
    switch (style) {
    case VelmoraTextStyle::largeTitle:
        return 34;
    case VelmoraTextStyle::title1:
        return 28;
    case VelmoraTextStyle::title2:
        return 22;
    case VelmoraTextStyle::title3:
        return 20;
    case VelmoraTextStyle::headline:
    case VelmoraTextStyle::body:
        return 17;
    case VelmoraTextStyle::callout:
        return 16;
    case VelmoraTextStyle::subheadline:
        return 15;
    case VelmoraTextStyle::footnote:
        return 13;
    case VelmoraTextStyle::caption1:
        return 12;
    case VelmoraTextStyle::caption2:
        return 11;
    }
    return 17;
}

VelmoraPlatformSettings::Subscription VelmoraPlatformSettings::observe(Observer observer) {
    auto shared = std::make_shared<Observer>(std::move(observer));
    std::erase_if(observers_, [](const auto& weak) { return weak.expired(); });
    observers_.push_back(shared);
    return Subscription(shared);
}

void VelmoraPlatformSettings::notifyChanged() {
    // A copy: an observer may subscribe or unsubscribe while being called.
    const auto observers = observers_;
    for (const auto& weak : observers)
        if (const auto observer = weak.lock())
            (*observer)();
}

void VelmoraFixedPlatformSettings::set(const VelmoraPlatformSettingsValues& values) {
    if (values == values_)
        return;
    values_ = values;
    notifyChanged();
}

struct VelmoraDesktopPlatformSettings::Watcher : QObject {
    explicit Watcher(VelmoraDesktopPlatformSettings& settings) : settings(settings) {
        if (auto* app = QGuiApplication::instance())
            app->installEventFilter(this);
    }
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == QGuiApplication::instance() &&
            event->type() == QEvent::ApplicationPaletteChange)
            settings.notifyChanged();
        return false;
    }
    VelmoraDesktopPlatformSettings& settings;
};

VelmoraDesktopPlatformSettings::VelmoraDesktopPlatformSettings()
    : watcher_(std::make_unique<Watcher>(*this)) {}

VelmoraDesktopPlatformSettings::~VelmoraDesktopPlatformSettings() = default;

VelmoraPlatformSettingsValues VelmoraDesktopPlatformSettings::values() const {
    VelmoraPlatformSettingsValues values;
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        const QColor window = QGuiApplication::palette().color(QPalette::Window);
        values.colorScheme =
            window.lightnessF() < 0.5 ? VelmoraColorScheme::dark : VelmoraColorScheme::light;
    }
    return values;
}

} // namespace velmora
