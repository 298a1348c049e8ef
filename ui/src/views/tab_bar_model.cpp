#include "views/tab_bar_model.hpp"

#include <algorithm>

namespace velmora::detail {

TabBarModel tabBarModel(const TabBarInputs& inputs, const PanelContext& context) {
    using Screen = VelmoraWidgetViewMode;
    const auto& appearance = context.appearance();
    TabBarModel model;
    model.labelFont = context.font(std::max(appearance.typography.fontSizePx - 5, 11.0),
                                   VelmoraTextStyle::caption1);
    model.hairlineColor = context.color(&VelmoraWidgetPalette::border);
    model.hairlineHeight = hairline(appearance);
    if (!inputs.navigationReady) {
        model.showsWorking = true;
        model.workingText = context.copy("status.working");
        return model;
    }
    const auto add = [&](Screen mode, const char* key, VelmoraWidgetIconKind icon) {
        TabModel tab;
        tab.mode = mode;
        tab.label = context.copy(key);
        tab.icon = icon;
        tab.selected = inputs.screen == mode;
        tab.color = context.color(tab.selected ? &VelmoraWidgetPalette::text
                                               : &VelmoraWidgetPalette::mutedText);
        tab.identifier = "velmora.widget.tab." + std::string(rawValue(mode));
        model.tabs.push_back(std::move(tab));
    };
    add(Screen::home, "nav.home", VelmoraWidgetIconKind::home);
    if (inputs.messagesAvailable)
        add(Screen::messages, "nav.messages", VelmoraWidgetIconKind::messages);
    if (inputs.helpAvailable)
        add(Screen::help, "nav.help", VelmoraWidgetIconKind::help);
    return model;
}

} // namespace velmora::detail
