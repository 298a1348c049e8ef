#pragma once

#include "velmora/types.hpp"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

// Small platform services that both the SDK and the widget need: text, identifiers, times and
// durable files. Each is implemented once, inside the SDK; these are its public faces.
namespace velmora {

namespace detail {
class Pattern;
}

/// A regular expression (ICU syntax, no case folding) compiled once, that must match the whole
/// input: a trailing newline never slips through. Matching is time-limited; a match that runs
/// out of time counts as no match. Thread-safe.
class VelmoraWholeTextPattern {
public:
    /// Throws std::logic_error when the pattern does not compile (a programming error).
    explicit VelmoraWholeTextPattern(std::string_view pattern);
    ~VelmoraWholeTextPattern();
    VelmoraWholeTextPattern(const VelmoraWholeTextPattern&) = delete;
    VelmoraWholeTextPattern& operator=(const VelmoraWholeTextPattern&) = delete;

    bool matches(std::string_view text) const;

private:
    std::unique_ptr<detail::Pattern> pattern_;
};

namespace platform {

/// Removes white space and newlines from both ends: category Zs, U+0009..U+000D, U+0085,
/// U+2028 and U+2029 (so NBSP is trimmed, U+200B is not).
std::string trimmedWhitespaceAndNewlines(std::string_view text);

/// The device's time zone identifier, e.g. "Europe/Berlin" ("UTC" when none is configured).
std::string deviceTimeZoneIdentifier();

/// A random (version 4) UUID in upper case, 8-4-4-4-12.
std::string uuidString();

/// "yyyy-MM-ddTHH:mm:ssZ" in UTC, whole seconds.
std::string formatInternetDateTime(Date date);

/// An RFC 3339 internet date-time ("Z" or a signed hh:mm offset); with `fractionalSeconds`
/// the seconds must carry a fraction, without it a fraction is refused. Nothing on any other
/// text.
std::optional<Date> parseInternetDateTime(std::string_view text, bool fractionalSeconds);

/// "Velmora/<fileName>" in the per-user data directory: $XDG_DATA_HOME when it is an absolute
/// path, else $HOME/.local/share. Throws `VelmoraError` (invalidConfig) when neither gives one.
std::filesystem::path defaultDataFile(std::string_view fileName);

/// The whole file, or nothing when nothing is at the path. Anything else that stops the read
/// (a directory there, no permission, an I/O error) throws `std::system_error`: a file that is
/// there but unreadable is never mistaken for a missing one.
std::optional<std::string> readFileIfPresent(const std::filesystem::path& file);

/// The whole regular file at `file` when it holds at most `maxBytes` bytes, else nothing. The size
/// is checked on the opened file before anything is read, and never more than one byte beyond
/// that size is read: neither a file over the limit nor one that grows meanwhile is read on.
/// Throws `std::system_error` when the file cannot be opened or read, is not a regular file
/// (`std::errc::invalid_argument`) or changed size while it was read (`std::errc::io_error`).
std::optional<Data> readFileWithinLimit(const std::filesystem::path& file, std::uint64_t maxBytes);

/// Replaces `file` with `bytes` atomically: creates missing directories, writes a temporary
/// file (mode 0600) beside it, syncs it, renames it over `file` and syncs the directory. On
/// failure the old file is untouched. Throws `std::system_error`.
void writeFileAtomically(const std::filesystem::path& file, std::string_view bytes);

} // namespace platform
} // namespace velmora
