#pragma once

#include "velmora/error.hpp"
#include "velmora/host_actions.hpp"
#include "velmora/widget_configuration.hpp"
#include "velmora/widget_content.hpp"

#include <boost/asio/awaitable.hpp>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace velmora {

class VelmoraVoiceCapability;
class VelmoraWidgetClient;

/// The widget's screens.
enum class VelmoraWidgetViewMode {
    home,     ///< "home"
    messages, ///< "messages"
    help,     ///< "help"
};

std::string_view rawValue(VelmoraWidgetViewMode mode) noexcept;
/// The mode whose text equals `text` exactly (case-sensitive, nothing trimmed), or nothing.
std::optional<VelmoraWidgetViewMode>
velmoraWidgetViewModeFromRawValue(std::string_view text) noexcept;

/// The help content as the controller holds it.
struct VelmoraWidgetContentState {
    VelmoraWidgetContentState(std::optional<VelmoraWidgetContentSnapshot> snapshot, bool isLoading,
                              std::optional<VelmoraError> error)
        : snapshot(std::move(snapshot)), isLoading(isLoading), error(std::move(error)) {}

    std::optional<VelmoraWidgetContentSnapshot> snapshot; ///< the validated content, once loaded
    bool isLoading;                                       ///< a load is running
    std::optional<VelmoraError> error;                    ///< why the last load failed

    friend bool operator==(const VelmoraWidgetContentState&,
                           const VelmoraWidgetContentState&) = default;
};

/// What a host reads from the client before showing the widget, so the controller starts with it.
struct VelmoraWidgetPreparedState {
    VelmoraWidgetPreparedState(VelmoraWidgetNavigation navigation,
                               std::optional<VelmoraWidgetAvailability> availability,
                               std::optional<std::string> workspacePublicName)
        : navigation(std::move(navigation)), availability(std::move(availability)),
          workspacePublicName(std::move(workspacePublicName)) {}

    VelmoraWidgetNavigation navigation;
    std::optional<VelmoraWidgetAvailability> availability;
    std::optional<std::string> workspacePublicName;

    friend bool operator==(const VelmoraWidgetPreparedState&,
                           const VelmoraWidgetPreparedState&) = default;
};

/// The controller's published properties, in declaration order. An observer follows one of
/// them or all; it is told before each assignment, even when the value stays the same.
enum class VelmoraWidgetProperty {
    messages,
    snapshot,
    loadingState,
    isLoadingConfiguration,
    error,
    draft,
    pendingAttachments,
    isMounted,
    isOpen,
    isForeground,
    isActionInFlight,
    hostActionResult,
    hostActionResultActionID,
    voiceState,
    voiceEnabledByServer,
    content,
    screen,
    messagesAvailable,
    helpAvailable,
    navigationReady,
    availability,
    workspacePublicName,
    helpQuery,
    activeFAQID,
    activeWorkflowID,
    activeWorkflowStepID,
    isInitialNavigationResolved,
    helpError,
    mutationInFlight,
    activeHostActionRequestId,
};

/// The property's name as it reads in code, e.g. "isOpen".
std::string_view propertyName(VelmoraWidgetProperty property) noexcept;

/// A host's handler of one host action; runs on the main executor.
using VelmoraHostActionHandler =
    std::function<boost::asio::awaitable<VelmoraHostActionResult>(VelmoraHostActionRequest)>;

/// A host's factory of voice capabilities; runs on the main executor. May answer nothing.
using VelmoraVoiceFactory =
    std::function<boost::asio::awaitable<std::shared_ptr<VelmoraVoiceCapability>>(
        std::shared_ptr<VelmoraWidgetClient>, VelmoraWidgetVoiceSettings)>;

} // namespace velmora
