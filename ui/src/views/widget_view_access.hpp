#pragma once

namespace velmora {

class VelmoraWidgetView;

namespace detail {

/// Redraws the panel has run: tests and the screenshot tool wait on it to settle.
int widgetViewRedrawCount(const VelmoraWidgetView& view) noexcept;

} // namespace detail
} // namespace velmora
