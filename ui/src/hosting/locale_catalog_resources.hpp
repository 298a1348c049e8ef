#pragma once

#include "velmora/types.hpp"

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace velmora::detail {

/// Finds a packaged file by name ("widget-experience-locale-en.json"); nothing when there is
/// none.
using LocaleResourceLookup = std::function<std::optional<std::string_view>(std::string_view)>;

/// The files compiled into the library.
std::optional<std::string_view> packagedLocaleResource(std::string_view name);

/// The catalogue's work over any set of files, so that missing and damaged files can be shown.
Data localeCopyData(std::string_view locale, const LocaleResourceLookup& resources);
std::map<std::string, std::string> localeCopy(std::string_view locale,
                                              const LocaleResourceLookup& resources);

// The generated sources of the four packaged files.
std::string_view widgetLocaleEnResource() noexcept;
std::string_view widgetLocaleUkResource() noexcept;
std::string_view widgetLocaleDeResource() noexcept;
std::string_view widgetLocaleEsResource() noexcept;

} // namespace velmora::detail
