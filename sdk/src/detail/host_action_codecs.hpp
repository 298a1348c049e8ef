#pragma once

// JSON coding of the host-action records, for records and codecs that embed them.

#include "detail/json_codec.hpp"
#include "velmora/host_actions.hpp"

namespace velmora::detail {

template <> struct Codec<VelmoraHostActionStatus> {
    static json::value encode(const VelmoraHostActionStatus& status);
    static VelmoraHostActionStatus decode(const json::value& value, const std::string& path);
};

template <> struct Codec<VelmoraHostActionRequest> {
    static json::value encode(const VelmoraHostActionRequest& request);
    /// Throws `VelmoraDecodingError` (data corrupted) for a request that fails the codec's checks.
    static VelmoraHostActionRequest decode(const json::value& value, const std::string& path);
};

template <> struct Codec<VelmoraHostActionResult> {
    static json::value encode(const VelmoraHostActionResult& result);
    static VelmoraHostActionResult decode(const json::value& value, const std::string& path);
};

template <> struct Codec<VelmoraHostActionCompletion> {
    static json::value encode(const VelmoraHostActionCompletion& completion);
    static VelmoraHostActionCompletion decode(const json::value& value, const std::string& path);
};

} // namespace velmora::detail
