#include "detail/language_tag.hpp"

#include <array>

namespace velmora::detail::language_tag {
namespace {

bool isAlpha(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

bool allOf(std::string_view s, bool (*pred)(char)) {
    for (char c : s) {
        if (!pred(c)) {
            return false;
        }
    }
    return true;
}

bool isAlnum(char c) {
    return isAlpha(c) || isDigit(c);
}

bool sized(std::string_view s, std::size_t low, std::size_t high) {
    return s.size() >= low && s.size() <= high;
}

bool isLanguage(std::string_view s) {
    return sized(s, 2, 8) && allOf(s, isAlpha);
}

bool isExtlang(std::string_view s) {
    return s.size() == 3 && allOf(s, isAlpha);
}

bool isScript(std::string_view s) {
    return s.size() == 4 && allOf(s, isAlpha);
}

bool isRegion(std::string_view s) {
    return (s.size() == 2 && allOf(s, isAlpha)) || (s.size() == 3 && allOf(s, isDigit));
}

bool isVariant(std::string_view s) {
    return allOf(s, isAlnum) && (sized(s, 5, 8) || (s.size() == 4 && isDigit(s[0])));
}

bool isSingleton(std::string_view s) {
    return s.size() == 1 && isAlnum(s[0]) && s[0] != 'x' && s[0] != 'X';
}

bool isPrivateUseMark(std::string_view s) {
    return s == "x" || s == "X";
}

} // namespace

bool isWellFormed(std::string_view tag) noexcept {
    if (tag.empty() || tag.size() > kMaxLength) {
        return false;
    }
    const char separator = tag.find('_') != std::string_view::npos ? '_' : '-';
    // Non-empty subtags and their separators fit at most (kMaxLength + 1) / 2 subtags.
    std::array<std::string_view, (kMaxLength + 1) / 2> subtags;
    std::size_t count = 0;
    for (std::size_t start = 0;;) {
        const auto end = tag.find(separator, start);
        const auto subtag = tag.substr(start, end == std::string_view::npos ? end : end - start);
        // Also refuses the other separator, dots, slashes, "@", NUL and anything not ASCII.
        if (subtag.empty() || subtag.size() > 8 || !allOf(subtag, isAlnum)) {
            return false;
        }
        subtags[count++] = subtag;
        if (end == std::string_view::npos) {
            break;
        }
        start = end + 1;
    }

    std::size_t i = 0;
    if (!isLanguage(subtags[i++])) {
        return false;
    }
    if (subtags[0].size() <= 3) {
        for (std::size_t n = 0; n < 3 && i < count && isExtlang(subtags[i]); ++n) {
            ++i;
        }
    }
    if (i < count && isScript(subtags[i])) {
        ++i;
    }
    if (i < count && isRegion(subtags[i])) {
        ++i;
    }
    while (i < count && isVariant(subtags[i])) {
        ++i;
    }
    while (i < count && isSingleton(subtags[i])) {
        ++i;
        const std::size_t first = i;
        while (i < count && sized(subtags[i], 2, 8)) {
            ++i;
        }
        if (i == first) {
            return false;
        }
    }
    if (i < count && isPrivateUseMark(subtags[i])) {
        ++i;
        if (i == count) {
            return false;
        }
        i = count; // private-use subtags are 1 to 8 letters or digits, checked above
    }
    return i == count;
}

std::string_view orFallback(std::string_view tag, std::string_view fallback) noexcept {
    return isWellFormed(tag) ? tag : fallback;
}

} // namespace velmora::detail::language_tag
