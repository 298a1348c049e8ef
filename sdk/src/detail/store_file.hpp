#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

// The files that keep durable state, the SDK's stores and the widget's drafts alike: where they
// lie by default, how they are read and how they are replaced.
namespace velmora::detail {

/// "Velmora/<fileName>" in the per-user data directory: $XDG_DATA_HOME when it is an absolute
/// path, else $HOME/.local/share. Throws `VelmoraError` (invalidConfig) when neither gives one.
std::filesystem::path defaultStoreFileURL(std::string_view fileName);

/// The largest store file read: far more than a real store holds (the biggest records, pending
/// files, are about 14 MB of Base64 per account scope), and a bound on what a damaged or planted
/// file can make the reader allocate.
inline constexpr std::size_t kMaxStoreFileBytes = 64 * 1024 * 1024;

/// The whole file, or nothing when nothing is at the path (not even a dangling link). Anything
/// else that stops the read (a directory or other non-file there, a link to nowhere, a file of
/// more than `kMaxStoreFileBytes`, no permission, an I/O error) throws `std::system_error`.
std::optional<std::string> readStoreFile(const std::filesystem::path& file);

/// Replaces `file` with `bytes` atomically: creates missing directories, writes a temporary file
/// (mode 0600) beside it, syncs it, renames it over `file` and syncs the directory. On failure
/// the old file is untouched and no temporary file is left. Throws `std::system_error`.
void writeStoreFileAtomically(const std::filesystem::path& file, std::string_view bytes);

} // namespace velmora::detail
