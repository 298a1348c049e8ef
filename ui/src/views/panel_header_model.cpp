#include "views/panel_header_model.hpp"

#include "velmora/procedure_locale_catalog.hpp"

#include <algorithm>

namespace velmora::detail {

namespace {

std::string voiceText(const std::string& locale, const char* key) {
    return WidgetProcedureLocaleCatalog::message(locale, key, {}, std::nullopt)
        .value_or(std::string());
}

} // namespace

bool voiceIsActive(std::optional<VelmoraVoiceCapabilityState> state) noexcept {
    if (!state)
        return false;
    switch (*state) {
    case VelmoraVoiceCapabilityState::idle:
    case VelmoraVoiceCapabilityState::failed:
        return false;
    default:
        return true;
    }
}

PanelHeaderModel panelHeaderModel(const PanelHeaderInputs& inputs, const PanelContext& context) {
    using Screen = VelmoraWidgetViewMode;
    using Voice = VelmoraVoiceCapabilityState;
    const auto& appearance = context.appearance();
    const double base = appearance.typography.fontSizePx;
    const std::string& locale = context.experience.locale;
    PanelHeaderModel model;
    model.homeForm = inputs.isInitialNavigationResolved && inputs.screen == Screen::home;
    switch (inputs.screen) {
    case Screen::home:
        model.title = context.copy("home.greeting");
        model.subtitle = context.copy("home.question");
        break;
    case Screen::messages:
        model.title = context.copy("nav.messages");
        model.subtitle = context.copy("panel.subtitle");
        break;
    case Screen::help:
        model.title = context.copy("nav.help");
        // A workspace name wins even when empty: then there is no subtitle line.
        model.subtitle =
            inputs.workspacePublicName ? *inputs.workspacePublicName : context.copy("panel.title");
        break;
    }
    model.showsSubtitle = !model.subtitle.empty();
    if (model.homeForm) {
        model.titleFont =
            context.font(1.25 * base, VelmoraTextStyle::title3, VelmoraFontWeight::medium);
        model.titleColor = context.color(&VelmoraWidgetPalette::mutedText);
        // The question keeps its size with any family: the system font stands in at 1.75 x base.
        model.subtitleFont = sizedWidgetFontSpec(appearance.typography.fontFamily, 1.75 * base,
                                                 VelmoraFontWeight::bold, context.textScale);
        model.subtitleColor = context.color(&VelmoraWidgetPalette::text);
        model.subtitleLineHeight = 1.12 * model.subtitleFont.pointSize;
        model.tint = context.color(&VelmoraWidgetPalette::accent).withOpacity(0.05);
    } else {
        model.titleFont = context.font(base, VelmoraTextStyle::headline, VelmoraFontWeight::bold);
        model.titleColor = context.color(&VelmoraWidgetPalette::text);
        model.subtitleFont = context.font(std::max(base - 3, 12.0), VelmoraTextStyle::caption1);
        model.subtitleColor = context.color(&VelmoraWidgetPalette::mutedText);
    }

    if (inputs.voiceAvailable) {
        const auto state = inputs.voiceState;
        const bool connected = state == Voice::connected || state == Voice::muted;
        // The home form carries no voice buttons; the status line shows under either form.
        if (!model.homeForm) {
            if (connected) {
                const bool muted = state == Voice::muted;
                model.muteButton = HeaderButtonModel{
                    muted ? HeaderGlyph::microphoneSlash : HeaderGlyph::microphone,
                    muted ? HeaderButtonModel::Action::unmute : HeaderButtonModel::Action::mute,
                    voiceText(locale, muted ? "voice.unmute" : "voice.mute"),
                    "velmora.widget.voice.mute"};
            }
            const bool active = voiceIsActive(state);
            model.voiceButton = HeaderButtonModel{
                active ? HeaderGlyph::phoneDown : HeaderGlyph::waveform,
                HeaderButtonModel::Action::toggleVoice,
                voiceText(locale, active ? "voice.end" : "voice.start"),
                active ? "velmora.widget.voice.end" : "velmora.widget.voice.start"};
        }
        if (state && *state != Voice::idle) {
            VoiceStatusModel status;
            const char* key = connected                 ? "voice.connected"
                              : *state == Voice::failed ? "voice.error"
                                                        : "voice.connecting";
            status.text = voiceText(locale, key);
            status.spinning = !(context.reduceMotion || connected || *state == Voice::failed);
            status.enabled = inputs.composerIsEditable;
            model.voiceStatus = std::move(status);
        }
    }

    model.showsClose = inputs.isOpen && inputs.hasHostClose;
    model.closeLabel = context.copy("action.close");
    model.background = context.color(&VelmoraWidgetPalette::surface);
    model.iconColor = context.color(&VelmoraWidgetPalette::text);
    model.closeColor = context.color(&VelmoraWidgetPalette::mutedText);
    model.divider = context.color(&VelmoraWidgetPalette::border);
    model.dividerHeight = hairline(appearance);
    return model;
}

} // namespace velmora::detail
