#include "velmora/voice.hpp"

#include "detail/enum_text.hpp"
#include "detail/voice_state_codec.hpp"

namespace velmora {

namespace {

constexpr detail::EnumTexts<VelmoraVoiceCapabilityState, 8> kStateTexts{{
    {VelmoraVoiceCapabilityState::idle, "idle"},
    {VelmoraVoiceCapabilityState::requestingPermission, "requesting-permission"},
    {VelmoraVoiceCapabilityState::starting, "starting"},
    {VelmoraVoiceCapabilityState::connecting, "connecting"},
    {VelmoraVoiceCapabilityState::connected, "connected"},
    {VelmoraVoiceCapabilityState::muted, "muted"},
    {VelmoraVoiceCapabilityState::stopping, "stopping"},
    {VelmoraVoiceCapabilityState::failed, "failed"},
}};

} // namespace

std::string_view rawValue(VelmoraVoiceCapabilityState state) noexcept {
    return detail::enumText(kStateTexts, state);
}

std::optional<VelmoraVoiceCapabilityState>
velmoraVoiceCapabilityStateFromRawValue(std::string_view text) noexcept {
    return detail::enumFromText(kStateTexts, text);
}

namespace detail {

json::value Codec<VelmoraVoiceCapabilityState>::encode(VelmoraVoiceCapabilityState v) {
    return json::string(rawValue(v));
}

VelmoraVoiceCapabilityState Codec<VelmoraVoiceCapabilityState>::decode(const json::value& v,
                                                                       const std::string& path) {
    return decodeEnumText(kStateTexts, v, path);
}

} // namespace detail

} // namespace velmora
