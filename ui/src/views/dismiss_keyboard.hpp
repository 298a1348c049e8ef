#pragma once

#include <functional>
#include <memory>
#include <string_view>

namespace velmora::detail {

/// The widget-wide "VelmoraWidget.dismissKeyboard" notification: the main view posts it when
/// it dismisses the keyboard; views holding a field focus observe it and give the focus up.
/// GUI thread only; carries nothing.
struct DismissKeyboardNotification {
    static constexpr std::string_view name = "VelmoraWidget.dismissKeyboard";
    using Observer = std::function<void()>;
    /// Observes until the returned token is destroyed.
    [[nodiscard]] static std::shared_ptr<void> observe(Observer observer);
    static void post();
};

} // namespace velmora::detail
