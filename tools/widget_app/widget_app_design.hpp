#pragma once

#include "velmora/widget_experience.hpp"

#include <ostream>
#include <string>

namespace velmora {
class VelmoraClient;
}

namespace velmora::widget_app {

/// The widget's design as a host receives it: the service's appearance for the integration in
/// `locale`, with that locale's packaged texts. When the service's appearance cannot be loaded
/// or is refused, says so on `err` and uses the default design in that locale. Blocks until the
/// client answers; call it before the event loop runs. Throws `VelmoraError` for a locale the
/// widget has no texts for.
VelmoraWidgetExperience loadWidgetAppExperience(VelmoraClient& client, const std::string& locale,
                                                std::ostream& err);

} // namespace velmora::widget_app
