#pragma once

// What the disk costs on its own, for the benchmarks' baselines: a plain write and fsync of a
// file, and the least an atomic replace of a file needs (a synced temporary file renamed over
// it, then the directory synced so that the rename itself lasts).

#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>
#include <system_error>

#include <fcntl.h>
#include <stdio.h>
#include <unistd.h>

namespace velmora::bench {

inline void writeAndSync(const std::filesystem::path& file, std::string_view bytes) {
    const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) {
        throw std::system_error(errno, std::generic_category(), "open");
    }
    const bool ok = ::write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size()) &&
                    ::fsync(fd) == 0;
    ::close(fd);
    if (!ok) {
        throw std::runtime_error("plain write failed");
    }
}

inline void replaceAtomically(const std::filesystem::path& file, std::string_view bytes) {
    const std::filesystem::path temporary = file.string() + ".tmp";
    writeAndSync(temporary, bytes);
    if (::rename(temporary.c_str(), file.c_str()) != 0) {
        throw std::system_error(errno, std::generic_category(), "rename");
    }
    const int dir = ::open(file.parent_path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir < 0) {
        throw std::system_error(errno, std::generic_category(), "open directory");
    }
    const bool ok = ::fsync(dir) == 0;
    ::close(dir);
    if (!ok) {
        throw std::runtime_error("directory sync failed");
    }
}

} // namespace velmora::bench
