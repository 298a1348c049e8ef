#include "widget_app_options.hpp"

#include <stdexcept>

namespace velmora::widget_app {

WidgetAppOptions parseWidgetAppOptions(const std::vector<std::string>& arguments) {
    WidgetAppOptions options;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& name = arguments[i];
        if (name == "--help" || name == "-h") {
            options.help = true;
            continue;
        }
        const auto value = [&]() -> std::string {
            if (i + 1 >= arguments.size())
                throw std::invalid_argument(name + " needs a value.");
            return arguments[++i];
        };
        if (name == "--origin")
            options.origin = value();
        else if (name == "--integration")
            options.integrationId = value();
        else if (name == "--account")
            options.accountScope = value();
        else if (name == "--locale") {
            options.locale = value();
            if (options.locale != "en" && options.locale != "de" && options.locale != "es" &&
                options.locale != "uk")
                throw std::invalid_argument("The widget has texts for en, de, es and uk, not " +
                                            options.locale + ".");
        } else if (name == "--token")
            options.token = value();
        else if (name == "--screenshot")
            options.screenshotDirectory = value();
        else
            throw std::invalid_argument("Unknown option: " + name);
    }
    return options;
}

std::string widgetAppUsage() {
    return "usage: velmora-widget [options]\n"
           "\n"
           "A small host window with the widget's launcher. Without --origin the widget talks to\n"
           "the local widget service, started in-process.\n"
           "\n"
           "  --origin URL        the widget service to talk to\n"
           "  --integration ID    integration identifier (default local-demo)\n"
           "  --account SCOPE     account scope (default demo-account)\n"
           "  --locale L          the widget's locale: en, de, es or uk (default en)\n"
           "  --token T           authorization token (default demo-token)\n"
           "  --screenshot DIR    render the opened widget's screens (home, a conversation,\n"
           "                      help, an error) to PNG files in DIR without a display, then "
           "exit\n"
           "  --help              this text\n";
}

} // namespace velmora::widget_app
