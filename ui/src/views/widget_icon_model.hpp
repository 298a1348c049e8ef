#pragma once

#include <vector>

namespace velmora::detail {

enum class VelmoraWidgetIconKind {
    attachment,
    close,
    forward,
    help,
    home,
    messages,
    paperclip,
    send
};

/// One drawing command on the icon's 24-unit grid (x right, y down).
struct IconCommand {
    enum class Op { move, line, curve, close, ellipse };
    Op op;
    /// move/line: x, y. curve: end x, end y, control 1 x, y, control 2 x, y.
    /// ellipse: x, y, width, height of the enclosing rectangle.
    double v[6] = {0, 0, 0, 0, 0, 0};
    friend bool operator==(const IconCommand&, const IconCommand&) = default;
};

/// The outline of an icon, in drawing order.
std::vector<IconCommand> iconCommands(VelmoraWidgetIconKind kind);

/// Stroke of every icon, in points, whatever its size.
inline constexpr double iconStrokeWidth = 1.8;

} // namespace velmora::detail
