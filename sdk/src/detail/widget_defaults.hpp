#pragma once

// The design resolver's internals: built-in defaults, layering, value checks and resolution.

#include "velmora/types.hpp"
#include "velmora/widget_appearance.hpp"
#include "velmora/widget_design_profile.hpp"
#include "velmora/widget_raw_appearance.hpp"

#include <boost/json/value.hpp>

#include <optional>
#include <string>
#include <string_view>

namespace velmora::detail::VelmoraWidgetDefaults {

/// Every design check fails this way: code field-invalid, no status, no retry delay.
[[noreturn]] void throwFieldInvalid(std::string message);

// ---- Defaults and layering ----

/// The bottom layer: every field at every level present.
const VelmoraWidgetRawAppearanceV2& appearance();

/// launcherVisible true, hideLauncherOnOpen true, panelPresentation "floating".
const VelmoraWidgetPresentation& presentation();

/// Only the two light surfaces, "#fffdf6"; what the light surface style "cream" tints.
VelmoraWidgetRawPalette creamPalette();

/// Colour by colour, the overlay's present value over the base's; absent when both are.
std::optional<VelmoraWidgetRawPalette> merge(const std::optional<VelmoraWidgetRawPalette>& base,
                                             const std::optional<VelmoraWidgetRawPalette>& overlay);

/// Field by field, the overlay's present value over the base's; `tokens` and `layout` of the
/// result are always present.
VelmoraWidgetRawAppearanceV2 merge(const VelmoraWidgetRawAppearanceV2& base,
                                   const VelmoraWidgetRawAppearanceV2& overlay);

/// Applies the light surface style "cream" of one layer to that layer's light palette.
VelmoraWidgetRawAppearanceV2 materialize(VelmoraWidgetRawAppearanceV2 layer);

// ---- Resolution ----

struct ClosedRange {
    double lower;
    double upper;
};

/// A present value must be finite and within `range`; absent gives `defaultValue`.
/// Throws "Widget <name> is out of bounds.".
double bounded(std::optional<double> value, double defaultValue, ClosedRange range,
               std::string_view name);

/// Reads a CSS length ("16px", "1.25rem", a rem counting 16) into CSS pixels, independent of
/// the process locale. Throws "Widget <name> is invalid." for a text that is not a length and
/// "Widget <name> is out of bounds." for one outside `range`.
double cssNumber(const std::optional<std::string>& value, double defaultValue, ClosedRange range,
                 std::string_view name);

/// Checks every value of a merged raw appearance and turns it into the concrete appearance.
VelmoraWidgetAppearance resolve(const VelmoraWidgetRawAppearanceV2& raw);

// ---- Palettes ----

/// Completeness, colour form and contrast of the six text/background pairs.
VelmoraWidgetPalette palette(const VelmoraWidgetRawPalette& raw);

/// Throws "Widget palette contrast is insufficient." when the ratio is below 4.5.
void contrast(std::string_view first, std::string_view second);

/// The contrast ratio of two colours, 1 to 21, whatever their order.
double contrastRatio(std::string_view first, std::string_view second);

/// Relative luminance of a "#rgb" or "#rrggbb" colour, 0 (black) to 1 (white).
double luminance(std::string_view color);

// ---- Profile checks ----

/// Checks a platform override's safe area, keyboard and navigation (not its appearance).
void validate(const VelmoraWidgetPlatformOverride& platformOverride);

/// Parses the profile and refuses a top level that is not an object or any field name the
/// schema does not know. Returns the parsed document for typed decoding.
boost::json::value validateWireProfile(const Data& profile);

/// Refuses unknown field names in `value` (of the given context) and below it.
void validate(const boost::json::value& value, std::string_view context, const std::string& path);

} // namespace velmora::detail::VelmoraWidgetDefaults
