#pragma once

#include <cmath>
#include <string_view>

namespace velmora::detail {

/// Sizing of the composer's text input: it grows with its text from one line to a few, then
/// scrolls.
struct MessageTextViewSizing {
    static constexpr double minimumHeight = 36;
    static constexpr double maximumHeight = 120;
    /// Empty space above and below the text (included in fitting heights).
    static constexpr double verticalInset = 6;
    /// The width measured when the view has none yet.
    static constexpr double fallbackWidth = 320;

    static double measuringWidth(double width) { return width > 0 ? width : fallbackWidth; }
    /// The view's height for a fitting height (text plus insets).
    static double height(double fittingHeight) {
        return std::fmin(std::fmax(fittingHeight, minimumHeight), maximumHeight);
    }
    static bool scrollEnabled(double fittingHeight) { return fittingHeight > maximumHeight; }
    /// Width changes of half a point or less are ignored, so layout cannot loop on rounding.
    static bool needsRemeasure(double width, double measuredWidth) {
        return width > 0 && std::fabs(width - measuredWidth) > 0.5;
    }
};

/// The accessibility identifier of the composer's input.
inline constexpr std::string_view messageTextViewIdentifier = "velmora.widget.message";

inline bool placeholderVisible(std::string_view text) {
    return text.empty();
}

} // namespace velmora::detail
