#pragma once

#include "widget_api.hpp"
#include "widget_service.hpp"

namespace velmora::tools {

/// The control interface over HTTP, under `WidgetService::controlPrefix`: the same controls as
/// the C++ interface, for a service that runs as a separate process.
ServiceAnswer handleControl(WidgetService& service, const RecordedRequest& request);

} // namespace velmora::tools
