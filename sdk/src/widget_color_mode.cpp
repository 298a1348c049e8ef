#include "velmora/widget_color_mode.hpp"

#include "detail/widget_codecs.hpp"

#include <array>

namespace velmora {
namespace {

constexpr std::array<std::string_view, 3> kTexts = {"system", "light", "dark"};

} // namespace

std::string_view rawValue(VelmoraWidgetColorMode mode) noexcept {
    return kTexts[static_cast<std::size_t>(mode)];
}

std::optional<VelmoraWidgetColorMode>
velmoraWidgetColorModeFromRawValue(std::string_view text) noexcept {
    return detail::enumFromText<VelmoraWidgetColorMode>(kTexts, text);
}

namespace detail {

json::value Codec<VelmoraWidgetColorMode>::encode(const VelmoraWidgetColorMode& value) {
    return json::string(rawValue(value));
}

VelmoraWidgetColorMode Codec<VelmoraWidgetColorMode>::decode(const json::value& json,
                                                             const std::string& path) {
    return decodeEnumText(json, path, &velmoraWidgetColorModeFromRawValue);
}

} // namespace detail
} // namespace velmora
