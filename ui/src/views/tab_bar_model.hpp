#pragma once

#include "velmora/ui/widget_controller_types.hpp"
#include "views/widget_icon_model.hpp"
#include "views/widget_view_model.hpp"

#include <string>
#include <vector>

namespace velmora::detail {

struct TabBarInputs {
    bool navigationReady = false;
    bool messagesAvailable = false;
    bool helpAvailable = false;
    VelmoraWidgetViewMode screen = VelmoraWidgetViewMode::home;
};

struct TabModel {
    VelmoraWidgetViewMode mode = VelmoraWidgetViewMode::home;
    std::string label;
    VelmoraWidgetIconKind icon = VelmoraWidgetIconKind::home;
    bool selected = false;
    VelmoraColor color;
    std::string identifier;
    friend bool operator==(const TabModel&, const TabModel&) = default;
};

struct TabBarModel {
    std::string identifier = "velmora.widget.tabbar";
    /// Until the navigation is known: a working indicator instead of tabs.
    bool showsWorking = false;
    std::string workingText;
    std::vector<TabModel> tabs;
    VelmoraFontSpec labelFont;
    VelmoraColor hairlineColor;
    double hairlineHeight = 1;
    friend bool operator==(const TabBarModel&, const TabBarModel&) = default;
};

TabBarModel tabBarModel(const TabBarInputs& inputs, const PanelContext& context);

} // namespace velmora::detail
