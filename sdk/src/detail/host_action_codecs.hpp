#pragma once

// JSON coding of the host-action records, for records and codecs that embed them. A result and
// a completion are their fields; a request is checked as it is built, so it has a codec of its
// own.

#include "detail/record_codec.hpp"
#include "velmora/host_actions.hpp"

#include <boost/describe/class.hpp>

namespace velmora {

BOOST_DESCRIBE_STRUCT(VelmoraHostActionResult, (), (ok, status, data, code, retryable))
BOOST_DESCRIBE_STRUCT(VelmoraHostActionCompletion, (), (requestId, actionId, result))

} // namespace velmora

namespace velmora::detail {

template <> struct Codec<VelmoraHostActionStatus> {
    static json::value encode(const VelmoraHostActionStatus& status);
    static VelmoraHostActionStatus decode(const json::value& value, const std::string& path);
};

// A request's fields are private and decoding runs the checks its constructor makes.
template <> struct Codec<VelmoraHostActionRequest> {
    static json::value encode(const VelmoraHostActionRequest& request);
    /// Throws `VelmoraDecodingError` (data corrupted) for a request that fails the codec's checks.
    static VelmoraHostActionRequest decode(const json::value& value, const std::string& path);
};

} // namespace velmora::detail
