#include "velmora/voice.hpp"

#include "detail/enum_text.hpp"
#include "detail/voice_state_codec.hpp"

#include <array>

namespace velmora {

namespace {

constexpr std::array<std::string_view, 8> kStateTexts{
    "idle",   "requesting-permission", "starting", "connecting", "connected", "muted", "stopping",
    "failed",
};

} // namespace

std::string_view rawValue(VelmoraVoiceCapabilityState state) noexcept {
    return kStateTexts[static_cast<std::size_t>(state)];
}

std::optional<VelmoraVoiceCapabilityState>
velmoraVoiceCapabilityStateFromRawValue(std::string_view text) noexcept {
    return detail::enumFromText<VelmoraVoiceCapabilityState>(kStateTexts, text);
}

namespace detail {

json::value Codec<VelmoraVoiceCapabilityState>::encode(VelmoraVoiceCapabilityState v) {
    return json::string(rawValue(v));
}

VelmoraVoiceCapabilityState Codec<VelmoraVoiceCapabilityState>::decode(const json::value& v,
                                                                       const std::string& path) {
    return decodeEnumText(v, path, &velmoraVoiceCapabilityStateFromRawValue);
}

} // namespace detail

} // namespace velmora
