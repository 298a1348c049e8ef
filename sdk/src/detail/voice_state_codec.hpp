#pragma once

#include "detail/json_codec.hpp"
#include "velmora/voice.hpp"

namespace velmora::detail {

/// A voice state travels as its text; any other text fails as corrupted data.
template <> struct Codec<VelmoraVoiceCapabilityState> {
    static json::value encode(VelmoraVoiceCapabilityState v);
    static VelmoraVoiceCapabilityState decode(const json::value& v, const std::string& path);
};

} // namespace velmora::detail
