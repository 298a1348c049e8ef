#pragma once

#include <map>
#include <string>

namespace velmora::widget_app {

/// The widget's texts the application shows, by copy key: every key the widget draws.
std::map<std::string, std::string> widgetAppCopy();

} // namespace velmora::widget_app
