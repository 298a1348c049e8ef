#include "views/widget_icon_model.hpp"

namespace velmora::detail {

namespace {
using Op = IconCommand::Op;
IconCommand move(double x, double y) {
    return {Op::move, {x, y}};
}
IconCommand line(double x, double y) {
    return {Op::line, {x, y}};
}
IconCommand curve(double x, double y, double c1x, double c1y, double c2x, double c2y) {
    return {Op::curve, {x, y, c1x, c1y, c2x, c2y}};
}
IconCommand close() {
    return {Op::close, {}};
}
IconCommand ellipse(double x, double y, double w, double h) {
    return {Op::ellipse, {x, y, w, h}};
}
} // namespace

std::vector<IconCommand> iconCommands(VelmoraWidgetIconKind kind) {
    switch (kind) {
    case VelmoraWidgetIconKind::close:
        return {move(6, 6), line(18, 18), move(18, 6), line(6, 18)};
    case VelmoraWidgetIconKind::forward:
        return {move(5, 12), line(19, 12), move(13, 6), line(19, 12), line(13, 18)};
    case VelmoraWidgetIconKind::help:
        return {ellipse(3, 3, 18, 18), move(9.8, 9), curve(13, 11.1, 11.5, 6.7, 15.3, 8.2),
                curve(12, 13, 12.2, 12.1, 12, 12.2), ellipse(11.5, 15.5, 1, 1)};
    case VelmoraWidgetIconKind::home:
        return {move(4, 10.5), line(12, 4), line(20, 10.5), line(20, 20), line(15, 20),
                line(15, 15),  line(9, 15), line(9, 20),    line(4, 20),  close()};
    case VelmoraWidgetIconKind::messages:
        return {move(4, 5), line(20, 5), line(20, 16), line(9, 16), line(4, 20),
                close(),    move(8, 9),  line(16, 9),  move(8, 12), line(13, 12)};
    case VelmoraWidgetIconKind::attachment:
    case VelmoraWidgetIconKind::paperclip:
        return {move(8.5, 12.5),
                line(15.4, 5.6),
                curve(19.6, 9.8, 17.8, 3.8, 21.4, 7.4),
                line(11.3, 18.1),
                curve(4.2, 11, 7.4, 22.3, 1.8, 16.7),
                line(12.2, 3)};
    case VelmoraWidgetIconKind::send:
        return {move(4, 4), line(21, 12), line(4, 20), line(7, 12),
                close(),    move(7, 12),  line(21, 12)};
    }
    return {};
}

} // namespace velmora::detail
