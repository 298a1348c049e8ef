#pragma once

#include "velmora/ui/platform_settings.hpp"

#include <optional>
#include <string>
#include <string_view>

namespace velmora::detail {

enum class VelmoraFontWeight { regular, medium, semibold, bold };

/// A font as a view model states it; the widget layer turns it into a QFont.
struct VelmoraFontSpec {
    /// The packaged family; otherwise the system font.
    bool bundledFamily = false;
    /// Size in points, text scaling applied.
    double pointSize = 17;
    std::optional<VelmoraFontWeight> weight;
    bool italic = false;
    friend bool operator==(const VelmoraFontSpec&, const VelmoraFontSpec&) = default;
};

/// The widget font of a view: with the packaged family first in `fontFamilyList`, that family
/// at `size` scaled by the user's text scale; otherwise the system font of `style` at the
/// style's own size (scaled), `size` unused. The weight applies in both cases.
VelmoraFontSpec widgetFontSpec(std::string_view fontFamilyList, double size, VelmoraTextStyle style,
                               std::optional<VelmoraFontWeight> weight, double textScale);

/// A font at `size` whatever the family: the packaged family when `fontFamilyList` names it
/// first, else the system font at that size (both scaled). For the texts whose size is the
/// design's own even without the packaged family: the composer and the home question.
VelmoraFontSpec sizedWidgetFontSpec(std::string_view fontFamilyList, double size,
                                    std::optional<VelmoraFontWeight> weight, double textScale);

/// The system font of a text style (scaled).
VelmoraFontSpec systemFontSpec(VelmoraTextStyle style, std::optional<VelmoraFontWeight> weight,
                               double textScale);

} // namespace velmora::detail
