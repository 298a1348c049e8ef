#include "detail/pattern.hpp"
#include "detail/widget_defaults.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <string>

namespace velmora::detail::VelmoraWidgetDefaults {
namespace {

constexpr double kMinimumContrast = 4.5;

bool isColor(const std::string& text) {
    static const Pattern color(R"((?i)^#[0-9a-f]{3}(?:[0-9a-f]{3})?$)");
    return color.matches(text);
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

// A pair of hex digits as 0 to 255; anything unreadable counts as 0.
int channel(std::string_view pair) {
    if (pair.size() != 2) {
        return 0;
    }
    const int high = hexDigit(pair[0]);
    const int low = hexDigit(pair[1]);
    return high < 0 || low < 0 ? 0 : high * 16 + low;
}

double linearised(int value) {
    const double c = value / 255.0;
    return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

} // namespace

double luminance(std::string_view color) {
    std::string hex(color);
    if (hex.size() == 4) {
        hex = {'#', hex[1], hex[1], hex[2], hex[2], hex[3], hex[3]};
    }
    const auto part = [&](std::size_t offset) {
        return offset < hex.size() ? std::string_view(hex).substr(offset, 2) : std::string_view();
    };
    return 0.2126 * linearised(channel(part(1))) + 0.7152 * linearised(channel(part(3))) +
           0.0722 * linearised(channel(part(5)));
}

double contrastRatio(std::string_view first, std::string_view second) {
    const double a = luminance(first);
    const double b = luminance(second);
    return (std::max(a, b) + 0.05) / (std::min(a, b) + 0.05);
}

void contrast(std::string_view first, std::string_view second) {
    // No rounding: 4.48 must not pass as 4.5.
    if (contrastRatio(first, second) < kMinimumContrast) {
        throwFieldInvalid("Widget palette contrast is insufficient.");
    }
}

VelmoraWidgetPalette palette(const VelmoraWidgetRawPalette& raw) {
    const std::array<const std::optional<std::string>*, 9> colors = {
        &raw.surface, &raw.raisedSurface, &raw.text, &raw.mutedText, &raw.border,
        &raw.accent,  &raw.onAccent,      &raw.link, &raw.focus,
    };
    if (std::any_of(colors.begin(), colors.end(), [](const auto* c) { return !c->has_value(); })) {
        throwFieldInvalid("Widget palette is incomplete.");
    }
    if (!std::all_of(colors.begin(), colors.end(), [](const auto* c) { return isColor(**c); })) {
        throwFieldInvalid("Widget palette contains an invalid color.");
    }
    VelmoraWidgetPalette result{
        .surface = *raw.surface,
        .raisedSurface = *raw.raisedSurface,
        .text = *raw.text,
        .mutedText = *raw.mutedText,
        .border = *raw.border,
        .accent = *raw.accent,
        .onAccent = *raw.onAccent,
        .link = *raw.link,
        .focus = *raw.focus,
    };
    contrast(result.onAccent, result.accent);
    contrast(result.text, result.surface);
    contrast(result.mutedText, result.surface);
    contrast(result.text, result.raisedSurface);
    contrast(result.link, result.surface);
    contrast(result.focus, result.surface);
    return result;
}

} // namespace velmora::detail::VelmoraWidgetDefaults
