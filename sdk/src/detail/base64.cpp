#include "detail/base64.hpp"

#include <array>

namespace velmora::detail {
namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

constexpr std::array<int, 256> makeReverse() {
    std::array<int, 256> table{};
    for (auto& v : table)
        v = -1;
    for (int i = 0; i < 64; ++i)
        table[static_cast<unsigned char>(kAlphabet[i])] = i;
    return table;
}

constexpr auto kReverse = makeReverse();

} // namespace

std::string base64Encode(const Data& data) {
    std::string out;
    out.reserve((data.size() + 2) / 3 * 4);
    std::size_t i = 0;
    for (; i + 3 <= data.size(); i += 3) {
        std::uint32_t n = (data[i] << 16) | (data[i + 1] << 8) | data[i + 2];
        out.push_back(kAlphabet[(n >> 18) & 63]);
        out.push_back(kAlphabet[(n >> 12) & 63]);
        out.push_back(kAlphabet[(n >> 6) & 63]);
        out.push_back(kAlphabet[n & 63]);
    }
    std::size_t rest = data.size() - i;
    if (rest == 1) {
        std::uint32_t n = data[i] << 16;
        out.push_back(kAlphabet[(n >> 18) & 63]);
        out.push_back(kAlphabet[(n >> 12) & 63]);
        out += "==";
    } else if (rest == 2) {
        std::uint32_t n = (data[i] << 16) | (data[i + 1] << 8);
        out.push_back(kAlphabet[(n >> 18) & 63]);
        out.push_back(kAlphabet[(n >> 12) & 63]);
        out.push_back(kAlphabet[(n >> 6) & 63]);
        out.push_back('=');
    }
    return out;
}

std::optional<Data> base64Decode(std::string_view text) {
    if (text.size() % 4 != 0) {
        return std::nullopt;
    }
    Data out;
    out.reserve(text.size() / 4 * 3);
    for (std::size_t i = 0; i < text.size(); i += 4) {
        bool last = i + 4 == text.size();
        int v[4];
        int padding = 0;
        for (int k = 0; k < 4; ++k) {
            char c = text[i + k];
            if (c == '=') {
                // Padding only in the last group, only in its last two places, and only trailing.
                if (!last || k < 2)
                    return std::nullopt;
                ++padding;
                v[k] = 0;
                continue;
            }
            if (padding > 0)
                return std::nullopt;
            v[k] = kReverse[static_cast<unsigned char>(c)];
            if (v[k] < 0)
                return std::nullopt;
        }
        std::uint32_t n = (v[0] << 18) | (v[1] << 12) | (v[2] << 6) | v[3];
        out.push_back(static_cast<std::uint8_t>(n >> 16));
        if (padding < 2)
            out.push_back(static_cast<std::uint8_t>(n >> 8));
        if (padding < 1)
            out.push_back(static_cast<std::uint8_t>(n));
        if ((padding == 1 && (n & 0xFF) != 0) || (padding == 2 && (n & 0xFFFF) != 0)) {
            return std::nullopt;
        }
    }
    return out;
}

} // namespace velmora::detail
