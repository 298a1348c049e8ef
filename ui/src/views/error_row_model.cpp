#include "views/error_row_model.hpp"

#include "controller/controller_errors.hpp"

#include <algorithm>

namespace velmora::detail {

ErrorRowModel errorRowModel(const VelmoraError& error, bool mutationInFlight,
                            const PanelContext& context) {
    const auto& appearance = context.appearance();
    const double base = appearance.typography.fontSizePx;
    ErrorRowModel model;
    model.label = context.copy("status.failed");
    model.labelFont = context.font(std::max(base - 3, 12.0), VelmoraTextStyle::footnote);
    model.foreground = systemRed(context.dark);
    model.background = context.color(&VelmoraWidgetPalette::raisedSurface);
    model.showsRetry = widgetMayRetry(error);
    model.retryEnabled = model.showsRetry && !mutationInFlight;
    model.retryTitle = context.copy("action.retry");
    model.retryStyle = SecondaryButtonStyle{
        .font = context.font(base, VelmoraTextStyle::body, VelmoraFontWeight::medium),
        .foreground = context.color(&VelmoraWidgetPalette::text),
        .background = context.color(&VelmoraWidgetPalette::raisedSurface),
        .border = context.color(&VelmoraWidgetPalette::border).withOpacity(0.65),
        .radius = appearance.controlRadiusPx,
        .borderWidth = appearance.borderWidthPx};
    return model;
}

} // namespace velmora::detail
