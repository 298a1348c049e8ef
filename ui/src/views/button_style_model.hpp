#pragma once

#include "platform/color.hpp"
#include "platform/font_spec.hpp"

#include <variant>

namespace velmora::detail {

/// A filled button: its border has the fill's colour.
struct PrimaryButtonStyle {
    VelmoraFontSpec font;
    VelmoraColor foreground;
    VelmoraColor background;
    double radius = 0;
    double borderWidth = 0;
};

/// An outlined button.
struct SecondaryButtonStyle {
    VelmoraFontSpec font;
    VelmoraColor foreground;
    VelmoraColor background;
    VelmoraColor border;
    double radius = 0;
    double borderWidth = 0;
    friend bool operator==(const SecondaryButtonStyle&, const SecondaryButtonStyle&) = default;
};

/// A choice: a faint accent fill under a stronger accent outline.
struct ChoiceButtonStyle {
    VelmoraFontSpec font;
    VelmoraColor foreground;
    VelmoraColor accent;
    double radius = 0;
    double borderWidth = 0;
};

using ButtonStyle = std::variant<PrimaryButtonStyle, SecondaryButtonStyle, ChoiceButtonStyle>;

/// How a styled button draws in one state. The look changes with the pressed state only.
struct ButtonLook {
    VelmoraFontSpec font;
    VelmoraColor foreground;
    VelmoraColor fill;
    VelmoraColor border;
    double radius = 0;
    double borderWidth = 0;
    double opacity = 1;
    /// The button takes the width offered, is at least this high and centres its label.
    double minimumHeight = 44;
    double horizontalPadding = 10;
    friend bool operator==(const ButtonLook&, const ButtonLook&) = default;
};

ButtonLook buttonLook(const ButtonStyle& style, bool pressed);

} // namespace velmora::detail
