#pragma once

#include "views/button_style_model.hpp"
#include "views/widget_view_model.hpp"

namespace velmora::detail {

/// Whether a retry can cure the failure: a transport failure, rate limiting, a request still in
/// progress, or an HTTP status that asks to try again later (408, 425, 429, 500, 502, 503, 504).
bool isRetryable(const VelmoraError& error) noexcept;

/// The transcript's last row while the controller holds an error: a warning in the design's
/// words (never the error's own message) and, for a retryable failure, a retry button.
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
