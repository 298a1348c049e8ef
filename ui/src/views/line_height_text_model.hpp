#pragma once

#include "platform/color.hpp"

#include <optional>
#include <string>

namespace velmora::detail {

/// What a fixed-line-height text shows.
struct LineHeightTextModel {
    std::string text;
    VelmoraColor color;
    /// Every line is exactly this high, in points.
    double lineHeight = 0;
    /// Where the text wraps, in points.
    double preferredMaxWidth = 0;
    std::optional<std::string> accessibilityIdentifier;
};

/// How far the glyphs move down inside each line so they sit centred in the fixed height:
/// (lineHeight - the font's own line height) / 2; negative when the line is the smaller.
inline double lineHeightBaselineOffset(double lineHeight, double fontLineHeight) {
    return (lineHeight - fontLineHeight) * 0.5;
}

} // namespace velmora::detail
