#pragma once

#include "velmora/ui/widget_controller_types.hpp"
#include "velmora/voice.hpp"
#include "views/widget_view_model.hpp"

#include <optional>
#include <string>

namespace velmora::detail {

/// What the header is drawn from besides the design.
struct PanelHeaderInputs {
    bool isInitialNavigationResolved = true;
    VelmoraWidgetViewMode screen = VelmoraWidgetViewMode::home;
    std::optional<std::string> workspacePublicName;
    bool voiceAvailable = false;
    std::optional<VelmoraVoiceCapabilityState> voiceState;
    bool isOpen = false;
    bool hasHostClose = false;
    bool composerIsEditable = true;
};

/// The glyphs of the header's voice buttons.
enum class HeaderGlyph { microphone, microphoneSlash, phoneDown, waveform };

struct HeaderButtonModel {
    enum class Action { mute, unmute, toggleVoice };
    HeaderGlyph glyph = HeaderGlyph::waveform;
    Action action = Action::toggleVoice;
    std::string accessibleName;
    std::string identifier;
    friend bool operator==(const HeaderButtonModel&, const HeaderButtonModel&) = default;
};

/// The voice line under the header.
struct VoiceStatusModel {
    std::string text;
    /// A spinner turns beside the text (connecting states, motion allowed).
    bool spinning = false;
    bool enabled = true;
    friend bool operator==(const VoiceStatusModel&, const VoiceStatusModel&) = default;
};

struct PanelHeaderModel {
    /// The tall home form (greeting and question) instead of the compact one.
    bool homeForm = false;
    std::string title;
    std::string subtitle;
    bool showsSubtitle = false;
    VelmoraFontSpec titleFont;
    VelmoraFontSpec subtitleFont;
    VelmoraColor titleColor;
    VelmoraColor subtitleColor;
    /// The home question's line height.
    double subtitleLineHeight = 0;
    std::optional<HeaderButtonModel> muteButton;
    std::optional<HeaderButtonModel> voiceButton;
    std::optional<VoiceStatusModel> voiceStatus;
    bool showsClose = false;
    std::string closeLabel;
    VelmoraColor background;
    /// Laid over the background (the home form's faint accent).
    VelmoraColor tint = VelmoraColor::clear();
    VelmoraColor iconColor;
    VelmoraColor closeColor;
    VelmoraColor divider;
    double dividerHeight = 1;
    friend bool operator==(const PanelHeaderModel&, const PanelHeaderModel&) = default;
};

/// The voice states in which a conversation is under way (start turns into end).
bool voiceIsActive(std::optional<VelmoraVoiceCapabilityState> state) noexcept;

PanelHeaderModel panelHeaderModel(const PanelHeaderInputs& inputs, const PanelContext& context);

} // namespace velmora::detail
