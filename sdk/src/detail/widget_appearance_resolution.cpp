#include "detail/pattern.hpp"
#include "detail/text.hpp"
#include "detail/widget_defaults.hpp"

#include <charconv>
#include <cmath>
#include <limits>
#include <string>
#include <system_error>

namespace velmora::detail::VelmoraWidgetDefaults {
namespace {

using Tokens = VelmoraWidgetRawAppearanceV2::Tokens;
using Layout = VelmoraWidgetRawAppearanceV2::Layout;

[[noreturn]] void outOfBounds(std::string_view name) {
    throwFieldInvalid("Widget " + std::string(name) + " is out of bounds.");
}

double withinRange(double value, ClosedRange range, std::string_view name) {
    if (!std::isfinite(value) || value < range.lower || value > range.upper) {
        outOfBounds(name);
    }
    return value;
}

// Reads ASCII digits with an optional fraction, whatever the process locale says. A number
// too large for a double reads as infinity (and so fails its range), a too small one as 0.
double decimal(std::string_view digits) {
    double value = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value,
                                              std::chars_format::fixed);
    if (error == std::errc::result_out_of_range) {
        const std::string_view whole = digits.substr(0, digits.find('.'));
        const bool atLeastOne = whole.find_first_not_of('0') != std::string_view::npos;
        return atLeastOne ? std::numeric_limits<double>::infinity() : 0.0;
    }
    return value;
}

bool isFontFamily(const std::string& text) {
    // \w is ICU's word set: letters and marks of any script, decimal digits, connector
    // punctuation, ZWJ and ZWNJ. Quantifiers count code points.
    static const Pattern family(R"(^[\w ,"'\-]{1,120}$)");
    return family.matches(text);
}

std::string wholePixels(double value) {
    return std::to_string(static_cast<long long>(std::trunc(value))) + "px";
}

} // namespace

double bounded(std::optional<double> value, double defaultValue, ClosedRange range,
               std::string_view name) {
    if (!value) {
        return defaultValue;
    }
    return withinRange(*value, range, name);
}

double cssNumber(const std::optional<std::string>& value, double defaultValue, ClosedRange range,
                 std::string_view name) {
    if (!value) {
        return defaultValue;
    }
    static const Pattern length(R"((?i)^[0-9]+(?:\.[0-9]+)?(?:px|rem)$)");
    const std::string text = text::trimmed(*value);
    if (!length.matches(text)) {
        throwFieldInvalid("Widget " + std::string(name) + " is invalid.");
    }
    // The pattern admits only ASCII here, so the unit is the last two or three bytes.
    const char last = text.back();
    const bool rem = last == 'm' || last == 'M';
    const std::string_view number = std::string_view(text).substr(0, text.size() - (rem ? 3 : 2));
    return withinRange(decimal(number) * (rem ? 16.0 : 1.0), range, name);
}

VelmoraWidgetAppearance resolve(const VelmoraWidgetRawAppearanceV2& raw) {
    if (raw.lightSurfaceStyle && *raw.lightSurfaceStyle != "cream" &&
        *raw.lightSurfaceStyle != "white") {
        throwFieldInvalid("Widget light surface style is invalid.");
    }
    const Tokens tokens = raw.tokens.value_or(Tokens{});
    const Layout layout = raw.layout.value_or(Layout{});
    const auto& defaults = *appearance().tokens;

    const VelmoraWidgetPalette light = palette(tokens.light ? *tokens.light : *defaults.light);
    const VelmoraWidgetPalette dark = palette(tokens.dark ? *tokens.dark : *defaults.dark);

    const double panelWidth = bounded(layout.panelWidth, 384, {320, 480}, "panelWidth");
    const double panelHeight = bounded(layout.panelHeight, 640, {480, 720}, "panelHeight");
    const double fontSize = cssNumber(tokens.fontSize, 16, {14, 20}, "fontSize");
    const double lineHeight = bounded(tokens.lineHeight, 1.5, {1.2, 1.8}, "lineHeight");
    const double controlRadius = cssNumber(tokens.controlRadius, 8, {0, 32}, "controlRadius");
    const double borderWidth = cssNumber(tokens.borderWidth, 2, {0, 2}, "borderWidth");
    const double offsetInline = bounded(layout.offsetInline, 20, {0, 128}, "offsetInline");
    const double offsetBlock = bounded(layout.offsetBlock, 20, {0, 128}, "offsetBlock");

    if (layout.placement && *layout.placement != "bottom-right" &&
        *layout.placement != "bottom-left") {
        throwFieldInvalid("Widget placement is invalid.");
    }
    if (tokens.fontFamily && !isFontFamily(*tokens.fontFamily)) {
        throwFieldInvalid("Widget font family is invalid.");
    }

    return {
        .mode = raw.mode.value_or(VelmoraWidgetColorMode::system),
        .light = light,
        .dark = dark,
        .typography = {.fontFamily = tokens.fontFamily.value_or("Velmora Noto Sans"),
                       .fontSizePx = fontSize,
                       .lineHeight = lineHeight},
        .spacing = {.xsPx = 4, .smPx = 8, .mdPx = 12, .lgPx = 16, .xlPx = 24},
        .metrics = {.touchTargetPx = 44,
                    .launcherMinHeightPx = 56,
                    .panelWidthPx = panelWidth,
                    .panelHeightPx = panelHeight,
                    .offsetInlinePx = offsetInline,
                    .offsetBlockPx = offsetBlock},
        .controlRadiusPx = controlRadius,
        .borderWidthPx = borderWidth,
        .shadow = tokens.shadow.value_or(VelmoraWidgetShadow::none),
        .layout = {.placement = layout.placement.value_or("bottom-right"),
                   .panelWidth = wholePixels(panelWidth),
                   .panelHeight = wholePixels(panelHeight)},
    };
}

} // namespace velmora::detail::VelmoraWidgetDefaults
