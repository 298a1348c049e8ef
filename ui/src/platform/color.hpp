#pragma once

#include <cstdint>
#include <string_view>

namespace velmora::detail {

/// An sRGB colour, 8 bits per channel, opacity last.
struct VelmoraColor {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;
    std::uint8_t alpha = 255;

    /// The same colour at `opacity` (0 to 1) times its own opacity.
    VelmoraColor withOpacity(double opacity) const noexcept;

    static constexpr VelmoraColor clear() noexcept { return {0, 0, 0, 0}; }

    friend bool operator==(const VelmoraColor&, const VelmoraColor&) = default;
};

/// The colour of a palette entry. Every text gives a colour: characters that are not letters,
/// marks or digits (of any script) are trimmed from both ends; the rest is read as a hex number
/// up to its first non-hex character (optionally after "0x"; 0 when nothing reads; saturating
/// on overflow); the layout is chosen by the trimmed text's length in characters: 8 is
/// RRGGBBAA, 3 is RGB (each digit doubled), anything else RRGGBB (higher bits ignored).
VelmoraColor colorFromHex(std::string_view text);

} // namespace velmora::detail
