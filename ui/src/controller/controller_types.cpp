#include "velmora/ui/widget_controller_types.hpp"

#include "detail/enum_text.hpp"

#include <array>

namespace velmora {
namespace {

constexpr std::array<std::string_view, 3> kViewModeTexts = {"home", "messages", "help"};

} // namespace

std::string_view rawValue(VelmoraWidgetViewMode mode) noexcept {
    return kViewModeTexts[static_cast<std::size_t>(mode)];
}

std::optional<VelmoraWidgetViewMode>
velmoraWidgetViewModeFromRawValue(std::string_view text) noexcept {
    return detail::enumFromText<VelmoraWidgetViewMode>(kViewModeTexts, text);
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
