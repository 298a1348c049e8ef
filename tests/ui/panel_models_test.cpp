// The panel's pure view models: runtime policy, motion, error row, header, tab bar,
// availability, composer and transcript.
#include "client/error_responses.hpp"
#include "controller/controller_errors.hpp"
#include "views/availability_model.hpp"
#include "views/composer_model.hpp"
#include "views/error_row_model.hpp"
#include "views/panel_header_model.hpp"
#include "views/tab_bar_model.hpp"
#include "views/transcript_model.hpp"
#include "views/widget_view_model.hpp"

#include "fixtures.hpp"
#include "velmora/procedure_locale_catalog.hpp"
#include "velmora/ui/widget_runtime_policy.hpp"

#include <gtest/gtest.h>

namespace velmora {
namespace {

using namespace detail;
using fixtures::availability;
using Screen = VelmoraWidgetViewMode;
using Voice = VelmoraVoiceCapabilityState;

/// The experience with `keys` missing from its copy table (decoding keeps an incomplete table
/// as it is; the fixtures' texts need no escaping).
VelmoraWidgetExperience withoutCopy(VelmoraWidgetExperience experience,
                                    std::initializer_list<const char*> keys) {
    auto values = experience.copy.values();
    for (const char* key : keys)
        values.erase(key);
    std::string json = "{\"values\":{";
    for (const auto& [key, text] : values)
        json += (json.back() == '{' ? "\"" : ",\"") + key + "\":\"" + text + "\"";
    experience.copy = decodeJSON<VelmoraWidgetCopy>(json + "}}");
    return experience;
}

TEST(RuntimePolicyTest, EachSettingLimitsMotionAsItsRowSays) {
    struct Case {
        bool reduceMotion;
        bool crossFade;
        bool lowPower;
        VelmoraThermalState thermal;
        bool animationsEnabled;
        bool limits;
        bool animates;
    };
    using T = VelmoraThermalState;
    const Case cases[] = {
        {false, false, false, T::nominal, true, false, true},
        {false, false, false, T::fair, true, false, true},
        {false, false, false, T::serious, true, true, false},
        {false, false, false, T::critical, true, true, false},
        {true, false, false, T::nominal, true, true, false},
        {false, false, true, T::nominal, true, true, false},
        {false, true, false, T::nominal, true, false, true},
        {false, false, false, T::nominal, false, false, false},
        {true, true, true, T::critical, false, true, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.reduceMotion << c.crossFade << c.lowPower
                                          << static_cast<int>(c.thermal) << c.animationsEnabled);
        VelmoraPlatformSettingsValues values;
        values.reduceMotion = c.reduceMotion;
        values.preferCrossFadeTransitions = c.crossFade;
        values.lowPowerMode = c.lowPower;
        values.thermalState = c.thermal;
        VelmoraWidgetRuntimePolicy policy(std::make_shared<VelmoraFixedPlatformSettings>(values));
        policy.setAnimationsEnabled(c.animationsEnabled);
        EXPECT_EQ(policy.reduceMotion(), c.reduceMotion);
        EXPECT_EQ(policy.prefersCrossFadeTransitions(), c.crossFade);
        EXPECT_EQ(policy.lowPowerMode(), c.lowPower);
        EXPECT_EQ(policy.thermalState(), c.thermal);
        EXPECT_EQ(policy.limitsNonEssentialMotion(), c.limits);
        if (c.animates)
            EXPECT_EQ(policy.navigationAnimation(),
                      (VelmoraWidgetAnimation{VelmoraWidgetAnimation::Curve::easeInOut, 0.22}));
        else
            EXPECT_FALSE(policy.navigationAnimation());
    }
}

TEST(RuntimePolicyTest, FollowsChangesOnlyWhileStartedAndPublishesOnlyRealChanges) {
    auto settings = std::make_shared<VelmoraFixedPlatformSettings>();
    VelmoraWidgetRuntimePolicy policy(settings);
    std::vector<VelmoraWidgetRuntimePolicyProperty> published;
    auto observation =
        policy.observe([&](VelmoraWidgetRuntimePolicyProperty p) { published.push_back(p); });

    // Not started: a change is not followed.
    VelmoraPlatformSettingsValues values;
    values.lowPowerMode = true;
    settings->set(values);
    EXPECT_FALSE(policy.lowPowerMode());

    // start() reads the current values at once; a second start() only reads again.
    policy.start();
    policy.start();
    EXPECT_TRUE(policy.isStarted());
    EXPECT_TRUE(policy.lowPowerMode());
    EXPECT_EQ(published, std::vector{VelmoraWidgetRuntimePolicyProperty::lowPowerMode});

    // A change of a setting the policy does not mirror publishes nothing.
    published.clear();
    values.colorScheme = VelmoraColorScheme::dark;
    settings->set(values);
    EXPECT_TRUE(published.empty());

    values.thermalState = VelmoraThermalState::serious;
    values.reduceMotion = true;
    settings->set(values);
    EXPECT_EQ(published, (std::vector{VelmoraWidgetRuntimePolicyProperty::reduceMotion,
                                      VelmoraWidgetRuntimePolicyProperty::thermalState}));

    // Stopped (twice is harmless): changes are no longer followed; start() follows again.
    policy.stop();
    policy.stop();
    EXPECT_FALSE(policy.isStarted());
    values = {};
    settings->set(values);
    EXPECT_TRUE(policy.reduceMotion());
    policy.start();
    EXPECT_FALSE(policy.reduceMotion());
    EXPECT_FALSE(policy.lowPowerMode());
    values.preferCrossFadeTransitions = true;
    settings->set(values);
    EXPECT_TRUE(policy.prefersCrossFadeTransitions());
}

TEST(PanelMotionTest, ReduceMotionAndNavigationAnimationFollowEveryInput) {
    using P = PanelScenePhase;
    struct Case {
        P phase;
        bool open;
        bool accessibility;
        bool forced;
        bool limits;
        bool crossFade;
        bool animationsEnabled;
        bool reduce;
        bool animates;
    };
    const Case cases[] = {
        {P::active, true, false, false, false, false, true, false, true},
        {P::inactive, true, false, false, false, false, true, true, false},
        {P::background, true, false, false, false, false, true, true, false},
        {P::active, false, false, false, false, false, true, true, false},
        {P::active, true, true, false, false, false, true, true, false},
        {P::active, true, false, true, false, false, true, true, false},
        {P::active, true, false, false, true, false, true, true, false},
        {P::active, true, false, false, false, true, true, true, false},
        {P::active, true, false, false, false, false, false, false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << static_cast<int>(c.phase) << c.open << c.accessibility
                                          << c.forced << c.limits << c.crossFade);
        const PanelMotionInputs inputs{c.phase,  c.open,      c.accessibility,    c.forced,
                                       c.limits, c.crossFade, c.animationsEnabled};
        EXPECT_EQ(panelReduceMotion(inputs), c.reduce);
        EXPECT_EQ(panelNavigationAnimation(inputs).has_value(), c.animates);
        EXPECT_EQ(transcriptScrollAnimation(c.reduce).has_value(), !c.reduce);
    }
    EXPECT_EQ(transcriptScrollAnimation(false)->duration, 0.18);
    EXPECT_EQ(transcriptScrollAnimation(false)->curve, VelmoraWidgetAnimation::Curve::easeOut);
}

TEST(PanelMotionTest, PaletteFollowsTheModeAndTheSurroundings) {
    using M = VelmoraWidgetColorMode;
    using S = VelmoraColorScheme;
    EXPECT_FALSE(usesDarkPalette(M::system, S::light));
    EXPECT_TRUE(usesDarkPalette(M::system, S::dark));
    EXPECT_FALSE(usesDarkPalette(M::light, S::dark));
    EXPECT_TRUE(usesDarkPalette(M::dark, S::light));
}

TEST(PanelMotionTest, TheComposerIsEditableUnlessAFirstSendOrASendIsUnderWay) {
    using L = VelmoraLoadingState;
    for (const L state : {L::idle, L::loadingMessages, L::waitingForAssistant, L::executingAction,
                          L::reconnecting, L::flushingOutbox}) {
        EXPECT_TRUE(composerIsEditable(false, state));
        EXPECT_FALSE(composerIsEditable(true, state));
    }
    EXPECT_FALSE(composerIsEditable(false, L::sendingMessage));
    EXPECT_FALSE(composerIsEditable(false, L::startingSession));
}

TEST(ErrorRowTest, RetryIsOfferedForTransientCodesAndTryLaterStatusesOnly) {
    using C = VelmoraErrorCode;
    struct Case {
        C code;
        std::optional<std::int64_t> status;
        bool retryable;
    };
    const Case cases[] = {
        {C::network, std::nullopt, true},
        {C::rateLimited, 429, true},
        {C::rateLimited, std::nullopt, true},
        {C::requestInProgress, 409, true},
        {C::http, 408, true},
        {C::http, 425, true},
        {C::http, 429, true},
        {C::http, 500, true},
        {C::http, 501, false},
        {C::http, 502, true},
        {C::http, 503, true},
        {C::http, 504, true},
        {C::http, 400, false},
        {C::http, 401, false},
        {C::http, 404, false},
        {C::http, std::nullopt, false},
        {C::invalidConfig, std::nullopt, false},
        {C::sessionExpired, 401, false},
        {C::sessionExpired, std::nullopt, false},
        {C::payloadTooLarge, 413, false},
        // A status decides whatever the code: the service's own code may ride on a 503.
        {C::integrationPaused, 503, true},
    };
    const auto experience = fixtures::experience("en");
    const PanelContext context{experience};
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << rawValue(c.code) << " " << c.status.value_or(-1));
        const VelmoraError error(c.code, c.status, std::nullopt, "Anything");
        EXPECT_EQ(widgetMayRetry(error), c.retryable);
        // The client's outbox keeps an expired session's send as well; otherwise they agree.
        EXPECT_EQ(isRetryableMutationError(error), c.retryable || c.code == C::sessionExpired);
        for (const bool inFlight : {false, true}) {
            const auto model = errorRowModel(error, inFlight, context);
            EXPECT_EQ(model.showsRetry, c.retryable);
            EXPECT_EQ(model.retryEnabled, c.retryable && !inFlight);
            EXPECT_EQ(model.label, "status.failed");
            EXPECT_EQ(model.label.find("Anything"), std::string::npos);
        }
    }
}

TEST(ErrorRowTest, MissingCopyGivesEmptyTextsAndTheRowStillShows) {
    const auto experience = withoutCopy(fixtures::experience("en", VelmoraWidgetColorMode::dark),
                                        {"status.failed", "action.retry"});
    const PanelContext context{experience, true};
    const auto model =
        errorRowModel(VelmoraError(VelmoraErrorCode::network, std::nullopt, std::nullopt, "Lost"),
                      false, context);
    EXPECT_EQ(model.label, "");
    EXPECT_EQ(model.retryTitle, "");
    EXPECT_TRUE(model.showsRetry);
    EXPECT_EQ(model.foreground, systemRed(true));
    const auto& palette = experience.appearance.dark;
    EXPECT_EQ(model.background, colorFromHex(palette.raisedSurface));
    EXPECT_EQ(model.retryStyle.border, colorFromHex(palette.border).withOpacity(0.65));
    EXPECT_EQ(model.retryStyle.foreground, colorFromHex(palette.text));
}

TEST(PanelHeaderTest, FormTitleAndSubtitleFollowTheScreenAndTheNavigation) {
    struct Case {
        bool resolved;
        Screen screen;
        std::optional<std::string> workspace;
        bool homeForm;
        std::string title;
        std::string subtitle;
    };
    const Case cases[] = {
        {false, Screen::home, std::nullopt, false, "home.greeting", "home.question"},
        {false, Screen::messages, std::nullopt, false, "nav.messages", "panel.subtitle"},
        {true, Screen::home, "Acme", true, "home.greeting", "home.question"},
        {true, Screen::messages, "Acme", false, "nav.messages", "panel.subtitle"},
        {true, Screen::help, std::nullopt, false, "nav.help", "panel.title"},
        {true, Screen::help, "Acme Support", false, "nav.help", "Acme Support"},
        {true, Screen::help, "", false, "nav.help", ""},
    };
    const auto experience = fixtures::experience("en");
    const double base = experience.appearance.typography.fontSizePx;
    const PanelContext context{experience};
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.resolved << rawValue(c.screen));
        PanelHeaderInputs inputs;
        inputs.isInitialNavigationResolved = c.resolved;
        inputs.screen = c.screen;
        inputs.workspacePublicName = c.workspace;
        const auto model = panelHeaderModel(inputs, context);
        EXPECT_EQ(model.homeForm, c.homeForm);
        EXPECT_EQ(model.title, c.title);
        EXPECT_EQ(model.subtitle, c.subtitle);
        EXPECT_EQ(model.showsSubtitle, !c.subtitle.empty());
        if (c.homeForm) {
            EXPECT_DOUBLE_EQ(model.titleFont.pointSize, 1.25 * base);
            EXPECT_DOUBLE_EQ(model.subtitleFont.pointSize, 1.75 * base);
            EXPECT_EQ(model.subtitleFont.weight, VelmoraFontWeight::bold);
        } else {
            EXPECT_DOUBLE_EQ(model.titleFont.pointSize, base);
            EXPECT_EQ(model.titleFont.weight, VelmoraFontWeight::bold);
            EXPECT_DOUBLE_EQ(model.subtitleFont.pointSize, std::max(base - 3, 12.0));
        }
        EXPECT_FALSE(model.voiceButton);
        EXPECT_FALSE(model.voiceStatus);
    }
}

TEST(PanelHeaderTest, VoiceControlsAndStatusFollowTheVoiceState) {
    using A = HeaderButtonModel::Action;
    using G = HeaderGlyph;
    struct Case {
        std::optional<Voice> state;
        std::optional<std::string> statusKey;
        bool spinning;
        std::optional<G> mute;
        G voice;
        std::string voiceIdentifier;
    };
    const Case cases[] = {
        {std::nullopt, std::nullopt, false, std::nullopt, G::waveform,
         "velmora.widget.voice.start"},
        {Voice::idle, std::nullopt, false, std::nullopt, G::waveform, "velmora.widget.voice.start"},
        {Voice::requestingPermission, "voice.connecting", true, std::nullopt, G::phoneDown,
         "velmora.widget.voice.end"},
        {Voice::starting, "voice.connecting", true, std::nullopt, G::phoneDown,
         "velmora.widget.voice.end"},
        {Voice::connecting, "voice.connecting", true, std::nullopt, G::phoneDown,
         "velmora.widget.voice.end"},
        {Voice::connected, "voice.connected", false, G::microphone, G::phoneDown,
         "velmora.widget.voice.end"},
        {Voice::muted, "voice.connected", false, G::microphoneSlash, G::phoneDown,
         "velmora.widget.voice.end"},
        {Voice::stopping, "voice.connecting", true, std::nullopt, G::phoneDown,
         "velmora.widget.voice.end"},
        {Voice::failed, "voice.error", false, std::nullopt, G::waveform,
         "velmora.widget.voice.start"},
    };
    for (const std::string& locale : fixtures::locales) {
        const auto experience = fixtures::experience(locale);
        const auto text = [&](const std::string& key) {
            return WidgetProcedureLocaleCatalog::message(locale, key, {}, std::nullopt).value();
        };
        for (const auto& c : cases) {
            SCOPED_TRACE(locale + " " + c.statusKey.value_or("-"));
            PanelHeaderInputs inputs;
            inputs.screen = Screen::messages;
            inputs.voiceAvailable = true;
            inputs.voiceState = c.state;
            const auto model = panelHeaderModel(inputs, PanelContext{experience});
            ASSERT_TRUE(model.voiceButton);
            EXPECT_EQ(model.voiceButton->glyph, c.voice);
            EXPECT_EQ(model.voiceButton->identifier, c.voiceIdentifier);
            EXPECT_EQ(model.voiceButton->action, A::toggleVoice);
            EXPECT_EQ(model.voiceButton->accessibleName,
                      text(c.voice == G::phoneDown ? "voice.end" : "voice.start"));
            ASSERT_EQ(model.muteButton.has_value(), c.mute.has_value());
            if (c.mute) {
                const bool muted = *c.mute == G::microphoneSlash;
                EXPECT_EQ(model.muteButton->glyph, *c.mute);
                EXPECT_EQ(model.muteButton->action, muted ? A::unmute : A::mute);
                EXPECT_EQ(model.muteButton->accessibleName,
                          text(muted ? "voice.unmute" : "voice.mute"));
                EXPECT_EQ(model.muteButton->identifier, "velmora.widget.voice.mute");
            }
            ASSERT_EQ(model.voiceStatus.has_value(), c.statusKey.has_value());
            if (c.statusKey) {
                EXPECT_EQ(model.voiceStatus->text, text(*c.statusKey));
                EXPECT_EQ(model.voiceStatus->spinning, c.spinning);
                // Under reduced motion nothing spins; the text stays.
                const auto calm = panelHeaderModel(inputs, PanelContext{experience, false, true});
                EXPECT_FALSE(calm.voiceStatus->spinning);
                EXPECT_EQ(calm.voiceStatus->text, model.voiceStatus->text);
            }
        }
    }
}

TEST(PanelHeaderTest, HomeFormHasNoVoiceButtonsButTheStatusAndCloseFollowTheHost) {
    const auto experience = fixtures::experience("en");
    PanelHeaderInputs inputs;
    inputs.screen = Screen::home;
    inputs.voiceAvailable = true;
    inputs.voiceState = Voice::connecting;
    inputs.composerIsEditable = false;
    auto model = panelHeaderModel(inputs, PanelContext{experience});
    EXPECT_TRUE(model.homeForm);
    EXPECT_FALSE(model.voiceButton);
    EXPECT_FALSE(model.muteButton);
    ASSERT_TRUE(model.voiceStatus);
    EXPECT_FALSE(model.voiceStatus->enabled);
    EXPECT_FALSE(model.showsClose);

    for (const auto& [open, hostClose, shows] :
         {std::tuple{true, true, true}, {true, false, false}, {false, true, false}}) {
        inputs.isOpen = open;
        inputs.hasHostClose = hostClose;
        EXPECT_EQ(panelHeaderModel(inputs, PanelContext{experience}).showsClose, shows);
    }
    // Voice unavailable: nothing of voice, whatever its state.
    inputs.voiceAvailable = false;
    inputs.screen = Screen::messages;
    model = panelHeaderModel(inputs, PanelContext{experience});
    EXPECT_FALSE(model.voiceButton);
    EXPECT_FALSE(model.voiceStatus);
}

TEST(PanelHeaderTest, SubtitleFloorAndHairline) {
    for (const auto& [base, border, subtitle, line] :
         {std::tuple{14.0, 0.0, 12.0, 1.0}, {20.0, 0.5, 17.0, 1.0}, {16.0, 2.0, 13.0, 2.0}}) {
        auto experience = fixtures::experience("en");
        experience.appearance.typography.fontSizePx = base;
        experience.appearance.borderWidthPx = border;
        PanelHeaderInputs inputs;
        inputs.screen = Screen::messages;
        const auto model = panelHeaderModel(inputs, PanelContext{experience});
        EXPECT_DOUBLE_EQ(model.subtitleFont.pointSize, subtitle);
        EXPECT_DOUBLE_EQ(model.dividerHeight, line);
    }
}

TEST(PanelHeaderTest, TheHomeQuestionFollowsTheBaseSizeWithAnyFamily) {
    for (const char* family : {"Velmora Noto Sans", "Inter, sans-serif"}) {
        for (const double base : {14.0, 20.0}) {
            SCOPED_TRACE(::testing::Message() << family << " " << base);
            auto experience = fixtures::experience("en", VelmoraWidgetColorMode::system, family);
            experience.appearance.typography.fontSizePx = base;
            PanelHeaderInputs inputs;
            inputs.screen = Screen::home;
            const auto model = panelHeaderModel(inputs, PanelContext{experience});
            ASSERT_TRUE(model.homeForm);
            EXPECT_DOUBLE_EQ(model.subtitleFont.pointSize, 1.75 * base);
            EXPECT_EQ(model.subtitleFont.weight, VelmoraFontWeight::bold);
            EXPECT_DOUBLE_EQ(model.subtitleLineHeight, 1.12 * 1.75 * base);
        }
    }
}

TEST(TabBarTest, TabsFollowTheNavigationAndTheSelectionTheScreen) {
    struct Case {
        bool ready;
        bool messages;
        bool help;
        Screen screen;
        std::vector<std::string> tabs;
        std::string selected;
    };
    const Case cases[] = {
        {false, true, true, Screen::home, {}, ""},
        {true, false, false, Screen::home, {"home"}, "home"},
        {true, true, false, Screen::messages, {"home", "messages"}, "messages"},
        {true, false, true, Screen::help, {"home", "help"}, "help"},
        {true, true, true, Screen::messages, {"home", "messages", "help"}, "messages"},
        // A screen without its tab selects nothing.
        {true, false, false, Screen::help, {"home"}, ""},
    };
    const auto experience = fixtures::experience("de");
    const auto& palette = experience.appearance.light;
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.ready << c.messages << c.help);
        const auto model =
            tabBarModel({c.ready, c.messages, c.help, c.screen}, PanelContext{experience});
        EXPECT_EQ(model.showsWorking, !c.ready);
        EXPECT_EQ(model.workingText, c.ready ? "" : "Wird bearbeitet…");
        std::vector<std::string> tabs;
        std::string selected;
        for (const auto& tab : model.tabs) {
            const std::string raw(rawValue(tab.mode));
            tabs.push_back(raw);
            EXPECT_EQ(tab.identifier, "velmora.widget.tab." + raw);
            EXPECT_EQ(tab.label, "nav." + raw);
            EXPECT_EQ(tab.color, colorFromHex(tab.selected ? palette.text : palette.mutedText));
            if (tab.selected)
                selected = raw;
        }
        EXPECT_EQ(tabs, c.tabs);
        EXPECT_EQ(selected, c.selected);
    }
    for (const auto& [base, label] : {std::pair{14.0, 11.0}, {18.0, 13.0}}) {
        auto experience = fixtures::experience("en");
        experience.appearance.typography.fontSizePx = base;
        EXPECT_DOUBLE_EQ(tabBarModel({true}, PanelContext{experience}).labelFont.pointSize, label);
    }
}

TEST(AvailabilityTest, DurationBucketsIncludeTheirUpperBounds) {
    const std::pair<std::optional<std::int64_t>, const char*> cases[] = {
        {std::nullopt, nullptr},
        {0, nullptr},
        {-5, nullptr},
        {1, "fewMinutes"},
        {5, "fewMinutes"},
        {6, "15Minutes"},
        {15, "15Minutes"},
        {16, "30Minutes"},
        {30, "30Minutes"},
        {31, "oneHour"},
        {60, "oneHour"},
        {61, "fewHours"},
        {240, "fewHours"},
        {241, "oneBusinessDay"},
        {1440, "oneBusinessDay"},
        {1441, "severalBusinessDays"},
    };
    for (const auto& [minutes, key] : cases) {
        SCOPED_TRACE(minutes.value_or(-999));
        const auto got = availabilityDurationKey(minutes);
        ASSERT_EQ(got.has_value(), key != nullptr);
        if (key)
            EXPECT_EQ(*got, std::string("availability.duration.") + key);
    }
}

TEST(AvailabilityTest, TextsPerStatusSourceAndReplyTimeInTheFourLocales) {
    using St = VelmoraWidgetAvailabilityState;
    using Src = VelmoraWidgetReplyExpectationSource;
    struct Case {
        std::string locale;
        St state;
        std::optional<std::int64_t> minutes;
        Src source;
        std::string status;
        std::string reply;
    };
    const Case cases[] = {
        {"en", St::teamOnline, 3, Src::teamConfigured, "Our team is online",
         "The team usually replies in a few minutes"},
        {"en", St::teamOnline, 3, Src::sla, "Our team is online",
         "We aim to reply within a few minutes"},
        {"en", St::busy, 1000, Src::sla, "Our team is busy right now",
         "We are busy, but we aim to reply within one business day"},
        {"en", St::busy, std::nullopt, Src::sla, "Our team is busy right now",
         "We will reply as soon as we can"},
        {"en", St::aiOnline, 45, Src::recentPerformance, "Our AI assistant is ready to help",
         "The assistant answers right away; the team usually replies in an hour"},
        {"en", St::offline, 2000, Src::unavailable, "We are offline right now",
         "We will reply when we are back, usually in a few business days"},
        {"uk", St::teamOnline, 5, Src::recentPerformance, "Наша команда на зв’язку",
         "Команда зазвичай відповідає протягом кількох хвилин"},
        {"uk", St::busy, 1440, Src::sla, "Наша команда зараз дуже зайнята",
         "Ми зайняті, але прагнемо відповісти протягом одного робочого дня"},
        {"uk", St::offline, 0, Src::sla, "Зараз ми не на зв’язку", "Ми відповімо якнайшвидше"},
        {"de", St::teamOnline, 2, Src::teamConfigured, "Unser Team ist online",
         "Das Team antwortet in der Regel innerhalb von wenigen Minuten"},
        {"de", St::busy, 300, Src::sla, "Unser Team ist gerade stark ausgelastet",
         "Wir sind ausgelastet, möchten aber innerhalb von einem Werktag antworten"},
        {"de", St::offline, -5, Src::teamConfigured, "Wir sind gerade nicht erreichbar",
         "Wir antworten so bald wie möglich"},
        {"es", St::teamOnline, 4, Src::unavailable, "Nuestro equipo está en línea",
         "El equipo suele responder en unos minutos"},
        {"es", St::busy, 900, Src::sla,
         WidgetProcedureLocaleCatalog::message("es", "availability.status.busy", {}, std::nullopt)
             .value(),
         "Estamos ocupados, pero intentamos responder en un día hábil"},
        {"es", St::offline, std::nullopt, Src::unavailable, "Ahora mismo no estamos disponibles",
         "Responderemos lo antes posible"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.locale + " " + std::string(rawValue(c.state)) + " " +
                     std::to_string(c.minutes.value_or(-1)));
        const auto a = availability(c.state, c.minutes, c.source);
        EXPECT_EQ(availabilityMessage(a, c.locale), c.status);
        EXPECT_EQ(availabilityReply(a, c.locale), c.reply);
        const auto experience = fixtures::experience(c.locale);
        const auto card = availabilityCardModel(a, PanelContext{experience});
        ASSERT_TRUE(card);
        EXPECT_EQ(card->status, c.status);
        EXPECT_EQ(card->reply, c.reply);
        EXPECT_EQ(card->accessibleName, c.status + " " + c.reply);
        EXPECT_EQ(card->identifier, "velmora.widget.home.availability");
    }
}

TEST(AvailabilityTest, HiddenUnknownKeysAndDotColours) {
    using St = VelmoraWidgetAvailabilityState;
    using Src = VelmoraWidgetReplyExpectationSource;
    const auto experience = fixtures::experience("en");
    const PanelContext context{experience};
    EXPECT_FALSE(availabilityCardModel(std::nullopt, context));
    auto hidden = availability(St::teamOnline, 3, Src::sla);
    hidden.showAgentAvailability = false;
    EXPECT_FALSE(availabilityCardModel(hidden, context));

    // Keys the catalogue lacks: both lines stay, empty.
    auto unknown = availability(St::busy, 10, Src::sla);
    unknown.messageKeys.busy = "availability.status.nope";
    unknown.messageKeys.replyBusySla = "availability.reply.nope";
    const auto card = availabilityCardModel(unknown, context);
    ASSERT_TRUE(card);
    EXPECT_EQ(card->status, "");
    EXPECT_EQ(card->reply, "");
    EXPECT_EQ(card->accessibleName, " ");

    const auto& palette = experience.appearance.light;
    EXPECT_EQ(availabilityColor(St::teamOnline, context), systemGreen(false));
    EXPECT_EQ(availabilityColor(St::aiOnline, context), colorFromHex(palette.accent));
    EXPECT_EQ(availabilityColor(St::busy, context), systemOrange(false));
    EXPECT_EQ(availabilityColor(St::offline, context), colorFromHex(palette.mutedText));
}

VelmoraAttachmentDraft draftFile(std::string id, std::string name) {
    return VelmoraAttachmentDraft(std::move(id), std::move(name), "text/plain", "file", {});
}

TEST(ComposerTest, SendIsEnabledByTextOrFilesAndNeverWhileSending) {
    using L = VelmoraLoadingState;
    struct Case {
        std::string draft;
        bool files;
        L state;
        bool canSend;
    };
    const Case cases[] = {
        {"Hello", false, L::idle, true},
        {"", false, L::idle, false},
        {"  \n\t \u00a0\u3000", false, L::idle, false},
        {"\u200b", false, L::idle, true},
        {"", true, L::idle, true},
        {"  \n", true, L::idle, true},
        {"Hello", false, L::sendingMessage, false},
        {"Hello", false, L::startingSession, false},
        {"", true, L::sendingMessage, false},
        {"Hello", false, L::waitingForAssistant, true},
        {"Hello", false, L::loadingMessages, true},
        {"Hello", false, L::reconnecting, true},
        {"Hello", false, L::flushingOutbox, true},
        {"Hello", false, L::executingAction, true},
    };
    const auto experience = fixtures::experience("en");
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << '"' << c.draft << '"' << c.files << rawValue(c.state));
        EXPECT_EQ(canSendMessage(c.draft, c.files, c.state), c.canSend);
        ComposerInputs inputs;
        inputs.draft = c.draft;
        if (c.files)
            inputs.pendingAttachments.push_back(draftFile("a1", "notes.txt"));
        inputs.loadingState = c.state;
        const auto model = composerModel(inputs, PanelContext{experience});
        EXPECT_EQ(model.canSend, c.canSend);
        EXPECT_DOUBLE_EQ(model.sendOpacity, c.canSend ? 1.0 : 0.62);
    }
}

TEST(ComposerTest, ChipsKeepTheirIdentityAndLabelsFallBack) {
    const auto experience = fixtures::experience("en");
    ComposerInputs inputs;
    inputs.pendingAttachments = {draftFile("a1", "same.txt"), draftFile("a2", "same.txt"),
                                 draftFile("a3", "other.pdf")};
    auto model = composerModel(inputs, PanelContext{experience});
    ASSERT_EQ(model.chips.size(), 3u);
    EXPECT_EQ(model.chips[0].attachmentId, "a1");
    EXPECT_EQ(model.chips[1].attachmentId, "a2");
    EXPECT_EQ(model.chips[0].identifier, model.chips[1].identifier);
    EXPECT_EQ(model.chips[2].identifier, "velmora.widget.pending-attachment.other.pdf");
    EXPECT_EQ(model.chips[2].removeLabel, "attachment.remove");
    EXPECT_EQ(model.attachLabel, "attachment.add");

    const auto bare = withoutCopy(experience, {"attachment.remove", "attachment.add"});
    model = composerModel(inputs, PanelContext{bare});
    EXPECT_EQ(model.chips[2].removeLabel, "other.pdf");
    EXPECT_EQ(model.attachLabel, "field.message");
    const auto none = withoutCopy(experience, {"attachment.add", "field.message"});
    EXPECT_EQ(composerModel(inputs, PanelContext{none}).attachLabel, "");
}

std::vector<std::string> keys(const TranscriptModel& model) {
    std::vector<std::string> out;
    for (const auto& item : model.items)
        out.emplace_back(item.key);
    return out;
}

TEST(TranscriptTest, ElementsAppearUnderTheirConditionsInOrder) {
    using L = VelmoraLoadingState;
    const auto experience = fixtures::experience("en");
    const PanelContext context{experience};
    const std::vector<VelmoraMessage> none;
    const std::vector<VelmoraMessage> two = {fixtures::message("m1", "outbound", "customer", "Hi"),
                                             fixtures::message("m2", "inbound", "ai", "Hello")};
    const std::optional<VelmoraWidgetAvailability> shown = availability(
        VelmoraWidgetAvailabilityState::aiOnline, 3, VelmoraWidgetReplyExpectationSource::sla);
    const std::optional<VelmoraWidgetAvailability> noAvailability;
    VelmoraSnapshot snapshot;
    snapshot.support = VelmoraSupport{};
    snapshot.support->state = "teammate-joined";
    snapshot.procedureQuickActions = std::vector<JSONValue>{};
    const std::optional<VelmoraSnapshot> rich = snapshot;
    const std::optional<VelmoraSnapshot> noSnapshot;
    VelmoraSnapshot aiActive;
    aiActive.support = VelmoraSupport{};
    aiActive.support->state = "ai-active";
    const std::optional<VelmoraSnapshot> plain = aiActive;

    struct Case {
        const std::vector<VelmoraMessage>& messages;
        const std::optional<VelmoraWidgetAvailability>& availability;
        bool configurationLoading;
        L state;
        const std::optional<VelmoraSnapshot>& snapshot;
        bool error;
        std::vector<std::string> keys;
    };
    const Case cases[] = {
        {none, noAvailability, false, L::idle, noSnapshot, false, {}},
        {none, noAvailability, true, L::idle, noSnapshot, false, {"working"}},
        {none, shown, false, L::startingSession, noSnapshot, false, {"availability", "working"}},
        {none, shown, false, L::idle, noSnapshot, true, {"availability", "error"}},
        {two, shown, true, L::idle, noSnapshot, false, {"m1", "m2"}},
        {two, noAvailability, false, L::waitingForAssistant, plain, false, {"m1", "m2", "loading"}},
        {two,
         noAvailability,
         false,
         L::idle,
         rich,
         true,
         {"m1", "m2", "procedure", "support", "error"}},
        {two,
         noAvailability,
         false,
         L::sendingMessage,
         rich,
         true,
         {"m1", "m2", "procedure", "support", "loading", "error"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.keys));
        const auto model = transcriptModel(
            {c.messages, c.availability, c.configurationLoading, c.state, c.snapshot, c.error},
            context);
        EXPECT_EQ(keys(model), c.keys);
    }
}

TEST(TranscriptTest, LabelsScreensAndTheScrollTarget) {
    using L = VelmoraLoadingState;
    EXPECT_STREQ(loadingLabelKey(L::sendingMessage), "action.sending");
    EXPECT_STREQ(loadingLabelKey(L::waitingForAssistant), "status.replyWaiting");
    EXPECT_STREQ(loadingLabelKey(L::flushingOutbox), "status.working");
    EXPECT_STREQ(supportLabelKey("waiting-for-teammate"), "status.replyWaiting");
    EXPECT_STREQ(supportLabelKey("teammate-joined"), "status.replyWaiting");
    EXPECT_STREQ(supportLabelKey("human-requested"), "status.chatOnly");

    EXPECT_EQ(panelContent(false, Screen::messages), PanelContent::navigationLoading);
    EXPECT_EQ(panelContent(true, Screen::home), PanelContent::home);
    EXPECT_EQ(panelContent(true, Screen::messages), PanelContent::messages);
    EXPECT_EQ(panelContent(true, Screen::help), PanelContent::help);

    // The newest message, also while the loading row sits below it; nothing without messages.
    EXPECT_FALSE(transcriptScrollTarget({}));
    EXPECT_EQ(transcriptScrollTarget({fixtures::message("a", "outbound", "customer", "x"),
                                      fixtures::message("b", "inbound", "ai", "y")}),
              "b");
}

} // namespace
} // namespace velmora
