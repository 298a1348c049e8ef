#pragma once

// A directory of the run's own under the temporary directory, for targets whose reader takes a
// file: each input is written there, read, and the directory emptied again.

#include "fuzz_support.hpp"

#include <filesystem>
#include <fstream>
#include <stdlib.h>
#include <string>
#include <string_view>
#include <system_error>

namespace velmora::fuzz {

/// Made on first use, removed when the run ends.
class ScratchDirectory {
public:
    ScratchDirectory() {
        std::string pattern = std::filesystem::temp_directory_path() / "velmora-fuzz-XXXXXX";
        if (mkdtemp(pattern.data()) == nullptr) {
            violated("no scratch directory for the run");
        }
        path_ = pattern;
    }
    ~ScratchDirectory() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    ScratchDirectory(const ScratchDirectory&) = delete;
    ScratchDirectory& operator=(const ScratchDirectory&) = delete;

    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

inline const std::filesystem::path& scratchDirectory() {
    static const ScratchDirectory directory;
    return directory.path();
}

/// Empties the scratch directory and gives the path of `name` in it (nothing there yet).
inline std::filesystem::path scratchPath(std::string_view name) {
    const auto& directory = scratchDirectory();
    for (const auto& entry : std::filesystem::directory_iterator(directory)) {
        std::filesystem::remove_all(entry.path());
    }
    return directory / name;
}

/// Empties the scratch directory and writes `bytes` to `name` in it.
inline std::filesystem::path scratchFile(std::string_view name, std::string_view bytes) {
    const auto file = scratchPath(name);
    std::ofstream(file, std::ios::binary)
        .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return file;
}

} // namespace velmora::fuzz
