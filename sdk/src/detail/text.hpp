#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace velmora::detail::text {

bool isValidUTF8(std::string_view s);

/// User-perceived characters: extended grapheme clusters.
std::size_t graphemeCount(std::string_view s);

/// Whether `needle` occurs in `haystack` as a run of whole user-perceived characters: the
/// occurrence starts and ends on grapheme cluster boundaries of `haystack`, so "e" is not found
/// inside "e" plus a combining accent, nor one regional indicator inside a flag. Code points
/// compare exactly (invalid UTF-8 as its bytes); normalise both sides first when canonical
/// equivalence matters. An empty needle is always found.
bool containsWholeGraphemes(std::string_view haystack, std::string_view needle);

/// Length in UTF-16 code units.
std::size_t utf16Length(std::string_view s);

/// The white-space-and-newlines set: category Zs, U+0009..U+000D, U+0085, U+2028, U+2029.
bool isWhitespaceOrNewline(char32_t c);

/// Removes white space and newlines from both ends.
std::string trimmed(std::string_view s);

/// Full Unicode lower-casing, without locale rules.
std::string lowercased(std::string_view s);

/// Canonical composition (NFC).
std::string nfc(std::string_view s);

/// Whether two texts are canonically equivalent (equal in NFC). A text that is not valid UTF-8
/// equals only the same bytes.
bool canonicallyEqual(std::string_view a, std::string_view b);

/// Decodes valid UTF-8 into code points.
std::u32string toUTF32(std::string_view s);

/// Encodes code points as UTF-8.
std::string fromUTF32(std::u32string_view s);

} // namespace velmora::detail::text
