#include "platform/font_spec.hpp"

#include "velmora/ui/widget_font.hpp"

#include <cmath>

namespace velmora::detail {

namespace {
double validScale(double scale) {
    return std::isfinite(scale) && scale > 0 ? scale : 1;
}
} // namespace

VelmoraFontSpec widgetFontSpec(std::string_view fontFamilyList, double size, VelmoraTextStyle style,
                               std::optional<VelmoraFontWeight> weight, double textScale) {
    if (!VelmoraWidgetFont::usesBundledFamily(fontFamilyList))
        return systemFontSpec(style, weight, textScale);
    return {.bundledFamily = true, .pointSize = size * validScale(textScale), .weight = weight};
}

VelmoraFontSpec sizedWidgetFontSpec(std::string_view fontFamilyList, double size,
                                    std::optional<VelmoraFontWeight> weight, double textScale) {
    return {.bundledFamily = VelmoraWidgetFont::usesBundledFamily(fontFamilyList),
            .pointSize = size * validScale(textScale),
            .weight = weight};
}

VelmoraFontSpec systemFontSpec(VelmoraTextStyle style, std::optional<VelmoraFontWeight> weight,
                               double textScale) {
    return {.bundledFamily = false,
            .pointSize = velmoraTextStyleBaseSize(style) * validScale(textScale),
            .weight = weight};
}

} // namespace velmora::detail
