#include "platform/color.hpp"

#include "detail/text.hpp"

#include <unicode/uchar.h>
#include <unicode/utf8.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

namespace velmora::detail {

namespace {

// Letters, marks and numbers of every script (general categories L, M and N): whatever a design
// tool puts around a colour text (quotes, "#", blanks, punctuation) is not one of them.
bool isAlphanumeric(UChar32 c) {
    if (c < 0)
        return false;
    const auto mask = U_GET_GC_MASK(c);
    return (mask & (U_GC_L_MASK | U_GC_M_MASK | U_GC_N_MASK)) != 0;
}

struct CodePoint {
    UChar32 value;
    std::size_t begin;
    std::size_t end;
};

std::string_view trimNonAlphanumeric(std::string_view text) {
    std::vector<CodePoint> points;
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(text.data());
    const auto length = static_cast<std::int32_t>(text.size());
    for (std::int32_t i = 0; i < length;) {
        const auto begin = static_cast<std::size_t>(i);
        UChar32 c = 0;
        U8_NEXT(bytes, i, length, c);
        points.push_back({c, begin, static_cast<std::size_t>(i)});
    }
    const auto first = std::find_if(points.begin(), points.end(),
                                    [](const CodePoint& p) { return isAlphanumeric(p.value); });
    if (first == points.end())
        return {};
    const auto last = std::find_if(points.rbegin(), points.rend(), [](const CodePoint& p) {
                          return isAlphanumeric(p.value);
                      }).base();
    return text.substr(first->begin, std::prev(last)->end - first->begin);
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// An unsigned 64-bit hex scan: optional "0x", digits up to the first non-digit, 0 when none,
// the largest value on overflow.
std::uint64_t scanHex(std::string_view text) {
    std::size_t i = 0;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X') &&
        hexDigit(text[2]) >= 0)
        i = 2;
    std::uint64_t value = 0;
    bool overflow = false;
    for (; i < text.size(); ++i) {
        const int digit = hexDigit(text[i]);
        if (digit < 0)
            break;
        if (value > (std::numeric_limits<std::uint64_t>::max() >> 4))
            overflow = true;
        value = (value << 4) | static_cast<std::uint64_t>(digit);
    }
    return overflow ? std::numeric_limits<std::uint64_t>::max() : value;
}

std::uint8_t byteAt(std::uint64_t value, int shift) {
    return static_cast<std::uint8_t>((value >> shift) & 0xff);
}

} // namespace

VelmoraColor VelmoraColor::withOpacity(double opacity) const noexcept {
    const double clamped = std::clamp(std::isfinite(opacity) ? opacity : 0.0, 0.0, 1.0);
    auto copy = *this;
    copy.alpha = static_cast<std::uint8_t>(std::lround(alpha * clamped));
    return copy;
}

VelmoraColor colorFromHex(std::string_view text) {
    const std::string_view trimmed = trimNonAlphanumeric(text);
    const std::uint64_t value = scanHex(trimmed);
    switch (text::graphemeCount(trimmed)) {
    case 8:
        return {byteAt(value, 24), byteAt(value, 16), byteAt(value, 8), byteAt(value, 0)};
    case 3: {
        const auto nibble = [&](int shift) {
            return static_cast<std::uint8_t>(((value >> shift) & 0xf) * 17);
        };
        return {nibble(8), nibble(4), nibble(0), 255};
    }
    default:
        return {byteAt(value, 16), byteAt(value, 8), byteAt(value, 0), 255};
    }
}

} // namespace velmora::detail
