#include "detail/bounded_file_read.hpp"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace velmora::detail {

BoundedFileRead readOpenFileWithinLimit(int fd, std::uint64_t maxBytes,
                                        const std::function<void(int fd)>& beforeRead) {
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        throw std::system_error(errno, std::generic_category(), "fstat");
    }
    if (!S_ISREG(info.st_mode)) {
        return {BoundedFileOutcome::notRegular, {}};
    }
    const auto size = static_cast<std::uint64_t>(info.st_size);
    if (size > maxBytes) {
        return {BoundedFileOutcome::tooLarge, {}};
    }
    if (beforeRead) {
        beforeRead(fd);
    }
    Data data(static_cast<std::size_t>(size) + 1);
    std::size_t filled = 0;
    while (filled < data.size()) {
        const auto n = ::read(fd, data.data() + filled, data.size() - filled);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            throw std::system_error(errno, std::generic_category(), "read");
        }
        if (n == 0) {
            break;
        }
        filled += static_cast<std::size_t>(n);
    }
    if (filled != size) {
        return {BoundedFileOutcome::changed, {}};
    }
    data.resize(filled);
    return {BoundedFileOutcome::read, std::move(data)};
}

std::optional<Data> readFileWithinLimit(const std::filesystem::path& file, std::uint64_t maxBytes) {
    // Non-blocking, so that opening a pipe cannot hang; a pipe is then refused as not regular.
    const int fd = ::open(file.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        throw std::system_error(errno, std::generic_category(), "open " + file.string());
    }
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    auto read = readOpenFileWithinLimit(fd, maxBytes);
    switch (read.outcome) {
    case BoundedFileOutcome::read:
        return std::move(read.data);
    case BoundedFileOutcome::tooLarge:
        return std::nullopt;
    case BoundedFileOutcome::notRegular:
        throw std::system_error(std::make_error_code(std::errc::invalid_argument),
                                "not a regular file: " + file.string());
    case BoundedFileOutcome::changed:
        break;
    }
    throw std::system_error(std::make_error_code(std::errc::io_error),
                            "changed while it was read: " + file.string());
}

} // namespace velmora::detail
