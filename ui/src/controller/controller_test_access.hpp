#pragma once

#include "controller/widget_controller_core.hpp"

namespace velmora::detail {

/// What the controller's tests look at beyond its published state.
struct WidgetControllerTestAccess {
    /// Whether the controller follows the client's events.
    static bool hasEventSubscription(const VelmoraWidgetController& controller) {
        return WidgetControllerAccess::core(controller).hasEventSubscription();
    }
};

} // namespace velmora::detail
