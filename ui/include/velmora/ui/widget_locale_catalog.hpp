#pragma once

#include "velmora/types.hpp"

#include <map>
#include <string>
#include <string_view>

namespace velmora {

/// The widget's texts for each supported locale ("en", "uk", "de", "es"), compiled into the
/// library as one JSON file per locale. Nothing is cached: every call reads its file afresh.
/// Failures are `VelmoraError` (fieldInvalid, no status).
struct VelmoraWidgetLocaleCatalog {
    /// The locale's file exactly as packaged. Fails with "Widget locale copy is unavailable."
    /// for a locale outside the four (compared exactly) or a file that cannot be found.
    static Data data(std::string_view locale);

    /// The locale's texts by dotted copy key, checked to be the widget's complete table. Fails
    /// as `data` does, with "Widget locale copy is invalid." when the file is not a JSON object
    /// of texts, and with "Widget locale copy is incomplete." when keys are missing or foreign
    /// or a text is empty.
    static std::map<std::string, std::string> copy(std::string_view locale);
};

} // namespace velmora
