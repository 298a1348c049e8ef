#pragma once

#include "platform/color.hpp"
#include "platform/font_spec.hpp"

#include <QColor>
#include <QFont>
#include <QString>

#include <string_view>

namespace velmora::detail {

QColor toQColor(VelmoraColor color);

/// The QFont of a spec; registers the packaged family first when the spec uses it. Sizes are
/// points of the design, drawn as device-independent pixels.
QFont toQFont(const VelmoraFontSpec& spec);

inline QString toQString(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace velmora::detail
