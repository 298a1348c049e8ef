#pragma once

#include <stdexcept>
#include <string>

namespace velmora {

/// Why a JSON document could not be read into a record. Kept apart from `VelmoraError`:
/// callers that must tell "the service sent a bad shape" from their own failures catch this.
class VelmoraDecodingError : public std::runtime_error {
public:
    enum class Kind {
        keyNotFound,   ///< a required key is missing
        valueNotFound, ///< a required key holds null
        typeMismatch,  ///< a value has the wrong JSON type
        dataCorrupted, ///< not JSON, or a value out of range or otherwise unreadable
    };

    VelmoraDecodingError(Kind kind, std::string path, const std::string& detail);

    Kind kind() const noexcept { return kind_; }
    /// Where in the document it failed, as dotted keys and [indices]; empty at the top level.
    const std::string& path() const noexcept { return path_; }

private:
    Kind kind_;
    std::string path_;
};

/// A value that cannot be written as JSON (a number that is NaN or infinite).
class VelmoraEncodingError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

} // namespace velmora
