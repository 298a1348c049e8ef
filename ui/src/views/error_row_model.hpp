#pragma once

#include "views/button_style_model.hpp"
#include "views/widget_view_model.hpp"

namespace velmora::detail {

/// The transcript's last row while the controller holds an error: a warning in the design's
/// words (never the error's own message) and, for a failure the widget may retry
/// (`widgetMayRetry`), a retry button.
struct ErrorRowModel {
    std::string identifier = "velmora.widget.error";
    std::string label;
    VelmoraFontSpec labelFont;
    VelmoraColor foreground;
    VelmoraColor background;
    bool showsRetry = false;
    /// Off while a send or retry is still running.
    bool retryEnabled = false;
    std::string retryTitle;
    std::string retryIdentifier = "velmora.widget.retry";
    SecondaryButtonStyle retryStyle;
    double padding = 12;
    double spacing = 8;
    friend bool operator==(const ErrorRowModel&, const ErrorRowModel&) = default;
};

ErrorRowModel errorRowModel(const VelmoraError& error, bool mutationInFlight,
                            const PanelContext& context);

} // namespace velmora::detail
