#pragma once

#include "velmora/types.hpp"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>

namespace velmora::detail {

/// How reading an opened file within a size limit ended.
enum class BoundedFileOutcome {
    read,       ///< the whole file is in `data`
    notRegular, ///< a directory, a device, a pipe...
    tooLarge,   ///< larger than the limit; nothing was read
    changed,    ///< its size changed while it was read
};

struct BoundedFileRead {
    BoundedFileOutcome outcome = BoundedFileOutcome::read;
    Data data;
};

/// Reads the file open on `fd`. The size is taken from the opened file before anything is read,
/// and at most one byte more than that size is ever read, so neither a file over `maxBytes` nor
/// one that grows meanwhile is read on. `beforeRead` runs after the checks and before the read
/// (a seam for tests of files that change underneath). Throws `std::system_error` when the
/// file cannot be examined or read.
BoundedFileRead readOpenFileWithinLimit(int fd, std::uint64_t maxBytes,
                                        const std::function<void(int fd)>& beforeRead = {});

/// The whole regular file at `file` when it holds at most `maxBytes` bytes, else nothing, read
/// as `readOpenFileWithinLimit` reads. Throws `std::system_error` when the file cannot be opened
/// or read, is not a regular file (`std::errc::invalid_argument`) or changed size while it was
/// read (`std::errc::io_error`).
std::optional<Data> readFileWithinLimit(const std::filesystem::path& file, std::uint64_t maxBytes);

} // namespace velmora::detail
