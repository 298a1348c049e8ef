#include "views/button_style_model.hpp"

namespace velmora::detail {

ButtonLook buttonLook(const ButtonStyle& style, bool pressed) {
    ButtonLook look = std::visit(
        [](const auto& s) -> ButtonLook {
            using S = std::decay_t<decltype(s)>;
            ButtonLook l{.font = s.font,
                         .foreground = s.foreground,
                         .radius = s.radius,
                         .borderWidth = s.borderWidth};
            if constexpr (std::is_same_v<S, PrimaryButtonStyle>) {
                l.fill = s.background;
                l.border = s.background;
            } else if constexpr (std::is_same_v<S, SecondaryButtonStyle>) {
                l.fill = s.background;
                l.border = s.border;
            } else {
                l.fill = s.accent.withOpacity(0.05);
                l.border = s.accent.withOpacity(0.35);
            }
            return l;
        },
        style);
    look.opacity = pressed ? 0.82 : 1;
    return look;
}

} // namespace velmora::detail
