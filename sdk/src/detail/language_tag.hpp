#pragma once

#include <cstddef>
#include <string_view>

// Locale texts arrive from the service (a procedure card's "locale"), the host and design
// documents. ICU is handed only texts that pass this check: it crashes on some malformed ids (a
// language subtag of a dozen letters, a text that reads as a data path).
namespace velmora::detail::language_tag {

/// The longest tag accepted, in bytes.
inline constexpr std::size_t kMaxLength = 64;

/// Whether `tag` is a well-formed language tag of at most `kMaxLength` bytes: a language of 2 to
/// 8 letters, then optionally up to three extended languages, a script, a region, variants,
/// extensions and a private-use part, in that order; subtags of ASCII letters and digits joined
/// by "-" (or all by "_", the same tag written as an ICU id). "en", "de-DE", "zh-Hant-TW",
/// "es-419" and "en_US" pass; paths, dots, "@" keywords, empty and over-long subtags do not.
bool isWellFormed(std::string_view tag) noexcept;

/// `tag` when it is well formed, else `fallback`.
std::string_view orFallback(std::string_view tag, std::string_view fallback) noexcept;

} // namespace velmora::detail::language_tag
