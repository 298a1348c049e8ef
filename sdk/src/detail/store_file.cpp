#include "detail/store_file.hpp"

#include "velmora/error.hpp"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <system_error>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace velmora::detail {
namespace {

namespace fs = std::filesystem;

[[noreturn]] void throwErrno(const char* what) {
    throw std::system_error(errno, std::generic_category(), what);
}

/// Closes the descriptor it owns; `close()` reports the close's own failure.
class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;

    int get() const { return fd_; }
    void close() {
        const int fd = std::exchange(fd_, -1);
        if (::close(fd) != 0) {
            throwErrno("close");
        }
    }

private:
    int fd_;
};

std::optional<fs::path> absoluteDirectory(const char* value) {
    if (value == nullptr || *value == '\0') {
        return std::nullopt;
    }
    fs::path path(value);
    if (!path.is_absolute()) {
        // A relative data directory would depend on the working directory; it is ignored.
        return std::nullopt;
    }
    return path;
}

void writeAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            throwErrno("write");
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
}

void syncDirectory(const fs::path& directory) {
    FileDescriptor fd(::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (fd.get() < 0) {
        throwErrno("open directory");
    }
    if (::fsync(fd.get()) != 0) {
        throwErrno("fsync directory");
    }
    fd.close();
}

} // namespace

fs::path defaultStoreFileURL(std::string_view fileName) {
    if (auto data = absoluteDirectory(std::getenv("XDG_DATA_HOME"))) {
        return *data / "Velmora" / fileName;
    }
    if (auto home = absoluteDirectory(std::getenv("HOME"))) {
        return *home / ".local" / "share" / "Velmora" / fileName;
    }
    throw VelmoraError(VelmoraErrorCode::invalidConfig, std::nullopt, std::nullopt,
                       "Velmora storage has no default location: set XDG_DATA_HOME or HOME to "
                       "an absolute path, or give the store a file path.");
}

std::optional<std::string> readStoreFile(const fs::path& file) {
    struct stat info {};
    if (::lstat(file.c_str(), &info) != 0) {
        // Nothing at the path, or a plain file where a parent directory should be (so nothing
        // can be at the path either): an empty store. Any other failure means something may be
        // there that we cannot see.
        if (errno == ENOENT || errno == ENOTDIR) {
            return std::nullopt;
        }
        throwErrno("lstat");
    }
    // A link is followed; one that leads nowhere fails here. O_NONBLOCK keeps a FIFO from
    // stalling the open; it changes nothing for a regular file.
    FileDescriptor fd(::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    if (fd.get() < 0) {
        throwErrno("open");
    }
    if (::fstat(fd.get(), &info) != 0) {
        throwErrno("fstat");
    }
    if (!S_ISREG(info.st_mode)) {
        throw std::system_error(std::make_error_code(std::errc::invalid_argument),
                                "not a regular file");
    }
    const auto tooLarge = [] {
        return std::system_error(std::make_error_code(std::errc::file_too_large),
                                 "store file over the size limit");
    };
    if (static_cast<std::uintmax_t>(info.st_size) > kMaxStoreFileBytes) {
        throw tooLarge();
    }
    std::string contents;
    contents.reserve(static_cast<std::size_t>(info.st_size));
    char buffer[65536];
    for (;;) {
        // A file that grew since it was measured is read one byte past the limit, no further.
        const std::size_t wanted =
            std::min(sizeof buffer, kMaxStoreFileBytes + 1 - contents.size());
        const ssize_t count = ::read(fd.get(), buffer, wanted);
        if (count < 0) {
            if (errno == EINTR) {
                continue;
            }
            throwErrno("read");
        }
        if (count == 0) {
            break;
        }
        contents.append(buffer, static_cast<std::size_t>(count));
        if (contents.size() > kMaxStoreFileBytes) {
            throw tooLarge();
        }
    }
    return contents;
}

void writeStoreFileAtomically(const fs::path& file, std::string_view bytes) {
    fs::path directory = file.parent_path();
    if (directory.empty()) {
        directory = ".";
    }
    // Fails when something other than a directory stands at the directory's path.
    fs::create_directories(directory);
    if (!fs::is_directory(directory)) {
        throw std::system_error(std::make_error_code(std::errc::not_a_directory),
                                directory.string());
    }

    std::string temporary = (directory / ("." + file.filename().string() + ".XXXXXX")).string();
    FileDescriptor fd(::mkostemp(temporary.data(), O_CLOEXEC));
    if (fd.get() < 0) {
        throwErrno("mkostemp");
    }
    try {
        if (::fchmod(fd.get(), 0600) != 0) {
            throwErrno("fchmod");
        }
        writeAll(fd.get(), bytes);
        if (::fsync(fd.get()) != 0) {
            throwErrno("fsync");
        }
        fd.close();
        if (::rename(temporary.c_str(), file.c_str()) != 0) {
            throwErrno("rename");
        }
    } catch (...) {
        ::unlink(temporary.c_str());
        throw;
    }
    // Makes the rename itself durable.
    syncDirectory(directory);
}

} // namespace velmora::detail
