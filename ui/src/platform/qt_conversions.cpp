#include "platform/qt_conversions.hpp"

#include "velmora/ui/widget_font.hpp"

#include <QFontDatabase>

namespace velmora::detail {

QColor toQColor(VelmoraColor color) {
    return QColor(color.red, color.green, color.blue, color.alpha);
}

QFont toQFont(const VelmoraFontSpec& spec) {
    QFont font =
        spec.bundledFamily ? QFont() : QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    if (spec.bundledFamily) {
        VelmoraWidgetFont::registerFonts();
        font.setFamilies({toQString(VelmoraWidgetFont::familyName)});
    }
    // Design points are device-independent pixels, not typographic points.
    font.setPixelSize(1); // clears a point size the system font may carry
    font.setPointSizeF(spec.pointSize * 72.0 / 96.0);
    if (spec.weight) {
        switch (*spec.weight) {
        case VelmoraFontWeight::regular:
            font.setWeight(QFont::Normal);
            break;
        case VelmoraFontWeight::medium:
            font.setWeight(QFont::Medium);
            break;
        case VelmoraFontWeight::semibold:
            font.setWeight(QFont::DemiBold);
            break;
        case VelmoraFontWeight::bold:
            font.setWeight(QFont::Bold);
            break;
        }
    }
    font.setItalic(spec.italic);
    return font;
}

} // namespace velmora::detail
