#pragma once

#include <optional>
#include <string>
#include <vector>

namespace velmora::widget_app {

/// What the widget application was asked to do, from its command line.
struct WidgetAppOptions {
    /// The service to talk to; absent: the local widget service, started in-process.
    std::optional<std::string> origin;
    std::string integrationId = "local-demo";
    std::string accountScope = "demo-account";
    std::string locale = "en";
    std::string token = "demo-token";
    /// Render the opened widget's screens to PNG files in this directory, without a display,
    /// instead of showing the window.
    std::optional<std::string> screenshotDirectory;
    bool help = false;
};

/// Reads the arguments after the program name. Throws `std::invalid_argument` with a sentence
/// for the user on an unknown option or a missing value.
WidgetAppOptions parseWidgetAppOptions(const std::vector<std::string>& arguments);

/// The usage text.
std::string widgetAppUsage();

} // namespace velmora::widget_app
