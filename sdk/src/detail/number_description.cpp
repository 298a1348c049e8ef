#include "detail/number_description.hpp"

#include <array>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <string_view>

namespace velmora::detail {

std::string describeNumber(double value) {
    if (std::isnan(value)) {
        return "nan";
    }
    if (std::isinf(value)) {
        return value < 0 ? "-inf" : "inf";
    }
    if (value == 0) {
        return std::signbit(value) ? "-0.0" : "0.0";
    }
    // Shortest round-trip digits in scientific form: d[.ddd]e(+|-)XX.
    std::array<char, 64> buffer{};
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                      std::chars_format::scientific);
    const std::string_view scientific(buffer.data(),
                                      static_cast<std::size_t>(result.ptr - buffer.data()));
    const auto ePosition = scientific.find('e');
    std::string_view mantissa = scientific.substr(0, ePosition);
    const int exponent = std::atoi(std::string(scientific.substr(ePosition + 1)).c_str());
    const bool negative = mantissa.front() == '-';
    if (negative) {
        mantissa.remove_prefix(1);
    }
    std::string digits;
    for (char c : mantissa) {
        if (c != '.') {
            digits += c;
        }
    }

    std::string out = negative ? "-" : "";
    // Value = 0.digits x 10^(exponent + 1).
    const int decimalExponent = exponent + 1;
    if (decimalExponent < -3 || std::fabs(value) > 9007199254740992.0) {
        out += digits.front();
        if (digits.size() > 1) {
            out += '.';
            out += digits.substr(1);
        }
        out += 'e';
        out += exponent < 0 ? '-' : '+';
        const int magnitude = std::abs(exponent);
        if (magnitude < 10) {
            out += '0';
        }
        out += std::to_string(magnitude);
        return out;
    }
    const int digitCount = static_cast<int>(digits.size());
    if (decimalExponent <= 0) {
        out += "0.";
        out.append(static_cast<std::size_t>(-decimalExponent), '0');
        out += digits;
    } else if (decimalExponent < digitCount) {
        out += digits.substr(0, static_cast<std::size_t>(decimalExponent));
        out += '.';
        out += digits.substr(static_cast<std::size_t>(decimalExponent));
    } else {
        out += digits;
        out.append(static_cast<std::size_t>(decimalExponent - digitCount), '0');
        out += ".0";
    }
    return out;
}

} // namespace velmora::detail
