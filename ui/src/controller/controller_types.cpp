#include "velmora/ui/widget_controller_types.hpp"

#include <array>

namespace velmora {

std::string_view rawValue(VelmoraWidgetViewMode mode) noexcept {
    switch (mode) {
    case VelmoraWidgetViewMode::home:
        return "home";
    case VelmoraWidgetViewMode::messages:
        return "messages";
    case VelmoraWidgetViewMode::help:
        return "help";
    }
    return "home";
}

std::optional<VelmoraWidgetViewMode>
velmoraWidgetViewModeFromRawValue(std::string_view text) noexcept {
    for (auto mode : {VelmoraWidgetViewMode::home, VelmoraWidgetViewMode::messages,
                      VelmoraWidgetViewMode::help}) {
        if (rawValue(mode) == text) {
            return mode;
        }
    }
    return std::nullopt;
}

std::string_view propertyName(VelmoraWidgetProperty property) noexcept {
    static constexpr std::array<std::string_view, 30> names = {
        "messages",
        "snapshot",
        "loadingState",
        "isLoadingConfiguration",
        "error",
        "draft",
        "pendingAttachments",
        "isMounted",
        "isOpen",
        "isForeground",
        "isActionInFlight",
        "hostActionResult",
        "hostActionResultActionID",
        "voiceState",
        "voiceEnabledByServer",
        "content",
        "screen",
        "messagesAvailable",
        "helpAvailable",
        "navigationReady",
        "availability",
        "workspacePublicName",
        "helpQuery",
        "activeFAQID",
        "activeWorkflowID",
        "activeWorkflowStepID",
        "isInitialNavigationResolved",
        "helpError",
        "mutationInFlight",
        "activeHostActionRequestId",
    };
    const auto index = static_cast<std::size_t>(property);
    return index < names.size() ? names[index] : std::string_view();
}

} // namespace velmora
