#pragma once

#include "velmora/models.hpp"
#include "velmora/widget_configuration.hpp"
#include "velmora/widget_experience.hpp"

#include <string>
#include <vector>

namespace velmora::fixtures {

/// Availability shown to the visitor, with every status and reply text key the service names.
VelmoraWidgetAvailability availability(VelmoraWidgetAvailabilityState state,
                                       std::optional<std::int64_t> expectedReplyMinutes,
                                       VelmoraWidgetReplyExpectationSource source);

/// The four locales the widget ships texts for.
inline const std::vector<std::string> locales = {"en", "uk", "de", "es"};

/// The default design resolved for `locale`, with readable copy texts in that locale for the
/// keys the content views read (every other key reads as its own name).
VelmoraWidgetExperience experience(const std::string& locale,
                                   VelmoraWidgetColorMode mode = VelmoraWidgetColorMode::system,
                                   std::string fontFamily = "Velmora Noto Sans");

VelmoraMessage message(std::string id, std::string direction, std::optional<std::string> author,
                       std::string text);

/// A sample text per locale, and mixed texts for stress.
std::string sampleText(const std::string& locale);
std::string longRightToLeftText();
/// About `length` characters mixing Latin, Hebrew, Arabic, emoji ZWJ sequences, flags and
/// combining marks.
std::string mixedText(std::size_t length);

} // namespace velmora::fixtures
