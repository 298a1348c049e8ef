#include "velmora/voice.hpp"

#include <array>
#include <utility>

namespace velmora {

namespace {

constexpr std::array<std::pair<VelmoraVoiceCapabilityState, std::string_view>, 8> kStateTexts{{
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
    for (const auto& [candidate, text] : kStateTexts) {
        if (candidate == state) {
            return text;
        }
    }
    return {};
}

std::optional<VelmoraVoiceCapabilityState>
velmoraVoiceCapabilityStateFromRawValue(std::string_view text) noexcept {
    for (const auto& [state, candidate] : kStateTexts) {
        if (candidate == text) {
            return state;
        }
    }
    return std::nullopt;
}

} // namespace velmora
