#include "detail/widget_defaults.hpp"
#include "sdk/widget_test_support.hpp"
#include "velmora/decoding_error.hpp"
#include "velmora/velmora.hpp"

#include <gtest/gtest.h>

namespace velmora {
namespace {

namespace defaults = detail::VelmoraWidgetDefaults;
using testing::bytes;
using testing::failure;
using testing::fullLocaleCopy;
using Sources = std::map<std::string, std::string>;

/// A profile for "en" with the given members added.
std::string profile(std::string_view members = "") {
    std::string text = R"({"schemaVersion":2,"locale":"en")";
    if (!members.empty()) {
        text += ",";
        text += members;
    }
    return text + "}";
}

VelmoraWidgetExperience
resolveText(const std::string& json, VelmoraWidgetPlatform platform = VelmoraWidgetPlatform::ios,
            bool osReducedMotion = false,
            const std::map<std::string, std::string>& localeCopy = fullLocaleCopy()) {
    return VelmoraWidgetExperience::decodeAndResolve(bytes(json), platform, osReducedMotion,
                                                     localeCopy);
}

std::string resolveFailure(const std::string& json) {
    return failure([&] { resolveText(json); });
}

TEST(WidgetExperienceResolutionTest, AMinimalProfileGetsEveryDefault) {
    const VelmoraWidgetExperience experience = resolveText(profile());
    EXPECT_EQ(experience.schemaVersion, 2);
    EXPECT_EQ(experience.locale, "en");
    EXPECT_EQ(experience.platform, VelmoraWidgetPlatform::ios);
    EXPECT_EQ(experience.rawAppearanceV2, defaults::appearance());
    EXPECT_EQ(experience.appearance, defaults::resolve(defaults::appearance()));
    EXPECT_EQ(experience.platformOverride, std::nullopt);
    EXPECT_EQ(experience.presentation, defaults::presentation());
    EXPECT_EQ(experience.reducedMotionMode, VelmoraWidgetReducedMotionMode::system);
    EXPECT_FALSE(experience.reducedMotion);
    EXPECT_EQ(experience.copy.values(), fullLocaleCopy());
    EXPECT_EQ(experience.sources, (Sources{{"appearance", "default"},
                                           {"platform", "default"},
                                           {"copy", "locale"},
                                           {"reducedMotion", "default"}}));
}

TEST(WidgetExperienceResolutionTest, SourcesTellEmptyObjectsFromAbsentOnes) {
    struct Case {
        std::string members;
        bool osReducedMotion;
        Sources sources;
        VelmoraWidgetReducedMotionMode mode;
        bool reducedMotion;
    };
    using Mode = VelmoraWidgetReducedMotionMode;
    const auto sources = [](const char* appearance, const char* platform, const char* copy,
                            const char* motion) {
        return Sources{{"appearance", appearance},
                       {"platform", platform},
                       {"copy", copy},
                       {"reducedMotion", motion}};
    };
    const std::vector<Case> cases = {
        {"", false, sources("default", "default", "locale", "default"), Mode::system, false},
        {R"("appearance":{})", false, sources("profile", "default", "locale", "default"),
         Mode::system, false},
        {R"("appearance":null)", false, sources("default", "default", "locale", "default"),
         Mode::system, false},
        {R"("platformOverrides":{"ios":{}})", false,
         sources("default", "platform", "locale", "default"), Mode::system, false},
        {R"("platformOverrides":{"android":{},"web":{}})", false,
         sources("default", "default", "locale", "default"), Mode::system, false},
        {R"("platformOverrides":{})", false, sources("default", "default", "locale", "default"),
         Mode::system, false},
        {R"("copy":{})", false, sources("default", "default", "profile", "default"), Mode::system,
         false},
        {"", true, sources("default", "default", "locale", "system"), Mode::system, true},
        {R"("reducedMotion":"system")", true, sources("default", "default", "locale", "system"),
         Mode::system, true},
        {R"("reducedMotion":"system")", false, sources("default", "default", "locale", "default"),
         Mode::system, false},
        {R"("reducedMotion":"always")", false, sources("default", "default", "locale", "profile"),
         Mode::always, true},
        {R"("reducedMotion":"always")", true, sources("default", "default", "locale", "profile"),
         Mode::always, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.members + (c.osReducedMotion ? " (device reduces motion)" : ""));
        const auto experience =
            resolveText(profile(c.members), VelmoraWidgetPlatform::ios, c.osReducedMotion);
        EXPECT_EQ(experience.sources, c.sources);
        EXPECT_EQ(experience.reducedMotionMode, c.mode);
        EXPECT_EQ(experience.reducedMotion, c.reducedMotion);
        EXPECT_EQ(experience.requiresForcedReducedMotion(), c.mode == Mode::always);
        // Empty objects change no value: the design and texts stay the defaults and locale's.
        EXPECT_EQ(experience.appearance, defaults::resolve(defaults::appearance()));
        EXPECT_EQ(experience.copy.values(), fullLocaleCopy());
    }
    EXPECT_EQ(resolveText(profile(R"("platformOverrides":{"ios":{}})")).platformOverride,
              VelmoraWidgetPlatformOverride{});
}

TEST(WidgetExperienceResolutionTest, LayersDefaultsThenProfileThenTheRunningPlatform) {
    const VelmoraWidgetRawPalette defaultLight = *defaults::appearance().tokens->light;

    // The profile's cream tint survives an override that only switches the style back.
    const auto creamThenWhite = resolveText(
        profile(R"("appearance":{"lightSurfaceStyle":"cream"},)"
                R"("platformOverrides":{"ios":{"appearance":{"lightSurfaceStyle":"white"}}})"));
    EXPECT_EQ(creamThenWhite.rawAppearanceV2.lightSurfaceStyle, "white");
    EXPECT_EQ(creamThenWhite.appearance.light.surface, "#fffdf6");
    EXPECT_EQ(creamThenWhite.appearance.light.raisedSurface, "#fffdf6");
    EXPECT_EQ(creamThenWhite.appearance.dark,
              defaults::palette(*defaults::appearance().tokens->dark));

    // An override's own cream tint covers the profile's surface colour.
    const auto whiteThenCream = resolveText(
        profile(R"("appearance":{"tokens":{"light":{"surface":"#ffffff"}}},)"
                R"("platformOverrides":{"ios":{"appearance":{"lightSurfaceStyle":"cream"}}})"));
    EXPECT_EQ(whiteThenCream.appearance.light.surface, "#fffdf6");
    EXPECT_EQ(whiteThenCream.appearance.light.raisedSurface, "#fffdf6");
    EXPECT_EQ(whiteThenCream.sources.at("platform"), "platform");

    // An accent set by the ios override lands on top of the profile's values.
    const std::string appearance = R"("appearance":{"tokens":{"fontSize":"18px"}})";
    const std::string accent = R"({"appearance":{"tokens":{"light":{"accent":"#1d4ed8"}}}})";
    const auto iosAccent =
        resolveText(profile(appearance + R"(,"platformOverrides":{"ios":)" + accent + "}"));
    VelmoraWidgetRawAppearanceV2 expected = defaults::appearance();
    expected.tokens->fontSize = "18px";
    expected.tokens->light->accent = "#1d4ed8";
    EXPECT_EQ(iosAccent.rawAppearanceV2, expected);
    EXPECT_EQ(iosAccent.appearance.typography.fontSizePx, 18);
    EXPECT_EQ(iosAccent.appearance.light.accent, "#1d4ed8");
    EXPECT_EQ(iosAccent.appearance.light.link, defaultLight.link);

    // The same override for web leaves the ios result as the profile alone gives it.
    const auto profileOnly = resolveText(profile(appearance));
    const auto webAccent =
        resolveText(profile(appearance + R"(,"platformOverrides":{"web":)" + accent + "}"));
    EXPECT_EQ(webAccent.rawAppearanceV2, profileOnly.rawAppearanceV2);
    EXPECT_EQ(webAccent.appearance, profileOnly.appearance);
    EXPECT_EQ(webAccent.platformOverride, std::nullopt);
    const auto forWeb =
        resolveText(profile(appearance + R"(,"platformOverrides":{"web":)" + accent + "}"),
                    VelmoraWidgetPlatform::web);
    EXPECT_EQ(forWeb.appearance.light.accent, "#1d4ed8");
    EXPECT_EQ(forWeb.platform, VelmoraWidgetPlatform::web);
}

TEST(WidgetExperienceResolutionTest, ProfileCopyAndPresentationLayerOverTheirDefaults) {
    auto locale = fullLocaleCopy();
    const auto titled = resolveText(profile(R"("copy":{"panel.title":"Support"})"),
                                    VelmoraWidgetPlatform::ios, false, locale);
    locale["panel.title"] = "Support";
    EXPECT_EQ(titled.copy.values(), locale);

    auto withoutHelp = fullLocaleCopy();
    withoutHelp.erase("nav.help");
    EXPECT_EQ(resolveText(profile(R"("copy":{"nav.help":"Help"})"), VelmoraWidgetPlatform::ios,
                          false, withoutHelp)
                  .copy.values()
                  .at("nav.help"),
              "Help");
    EXPECT_EQ(
        failure([&] { resolveText(profile(), VelmoraWidgetPlatform::ios, false, withoutHelp); }),
        "field-invalid: Widget locale copy is incomplete.");
    auto extra = fullLocaleCopy();
    extra["nav.settings"] = "Settings";
    EXPECT_EQ(failure([&] { resolveText(profile(), VelmoraWidgetPlatform::ios, false, extra); }),
              "field-invalid: Widget locale copy is incomplete.");

    EXPECT_EQ(resolveText(profile(R"("presentation":{})")).presentation, defaults::presentation());
    EXPECT_EQ(resolveText(profile(R"("presentation":{"launcherVisible":false})")).presentation,
              (VelmoraWidgetPresentation{false, true, "floating"}));
    EXPECT_EQ(resolveText(profile(R"("presentation":{"hideLauncherOnOpen":false,)"
                                  R"("panelPresentation":"embedded"})"))
                  .presentation,
              (VelmoraWidgetPresentation{true, false, "embedded"}));
}

TEST(WidgetExperienceResolutionTest, ReportsTheFirstFailureInCheckOrder) {
    const std::string unsupported = "unsupported: Unsupported widget design schema.";
    const std::string locale = "field-invalid: Unsupported widget locale.";
    const std::string safeArea = "field-invalid: Widget safeArea is out of bounds.";
    struct Case {
        std::string profile;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {R"({"schemaVersion":3,"locale":"xx"})", unsupported},
        {R"({"schemaVersion":1,"locale":"en","reducedMotion":"never"})", unsupported},
        {R"({"schemaVersion":2,"locale":"EN"})", locale},
        {R"({"schemaVersion":2,"locale":"en-US"})", locale},
        {R"({"schemaVersion":2,"locale":" en"})", locale},
        {R"({"schemaVersion":2,"locale":"uk"})", "no error"},
        {R"({"schemaVersion":2,"locale":"xx","reducedMotion":"never"})", locale},
        {profile(R"("reducedMotion":"Always")"),
         "field-invalid: Reduced motion must be system or always."},
        {profile(R"("reducedMotion":"never","presentation":{"panelPresentation":"modal"})"),
         "field-invalid: Reduced motion must be system or always."},
        // Every override's settings are checked, whichever platform is resolved...
        {profile(R"("platformOverrides":{"android":{"safeArea":{"leftPx":100.5}}})"), safeArea},
        {profile(R"("platformOverrides":{"web":{"safeArea":{"topPx":-1}}})"), safeArea},
        {profile(R"("platformOverrides":{"ios":{"safeArea":{"topPx":0,"rightPx":100,)"
                 R"("bottomPx":0,"leftPx":100}}})"),
         "no error"},
        {profile(R"("platformOverrides":{"ios":{"safeArea":{},"keyboard":{"dismissOnSubmit":)"
                 R"(true},"navigation":{"presentation":"push","closeBehavior":"pop"}}})"),
         "no error"},
        {profile(R"("platformOverrides":{"ios":{"keyboard":{"resizeMode":"bogus"},)"
                 R"("safeArea":{"rightPx":101}}})"),
         safeArea},
        {profile(R"("platformOverrides":{"ios":{"keyboard":{"resizeMode":"Pan"}}})"),
         "field-invalid: Widget keyboard resize mode is invalid."},
        {profile(R"("platformOverrides":{"ios":{"navigation":{"presentation":"sheet",)"
                 R"("closeBehavior":"close"}}})"),
         "field-invalid: Widget navigation presentation is invalid."},
        {profile(R"("platformOverrides":{"ios":{"navigation":{"closeBehavior":"close"}}})"),
         "field-invalid: Widget navigation close behavior is invalid."},
        // ...but only the running platform's appearance.
        {profile(R"("platformOverrides":{"android":{"appearance":{"tokens":{"light":)"
                 R"({"text":"#ffffff"}}}}})"),
         "no error"},
        {profile(R"("platformOverrides":{"ios":{"appearance":{"tokens":{"light":)"
                 R"({"text":"#ffffff"}}}}})"),
         "field-invalid: Widget palette contrast is insufficient."},
        {profile(R"("presentation":{"panelPresentation":"modal"},"copy":{"panel.title":""})"),
         "field-invalid: Unsupported widget panel presentation."},
        {profile(R"("copy":{"panel.title":""},"appearance":{"tokens":{"fontSize":"30px"}})"),
         "field-invalid: Widget locale copy is incomplete."},
        {profile(R"("appearance":{"tokens":{"fontSize":"30px"}})"),
         "field-invalid: Widget fontSize is out of bounds."},
        // A trailing line break never slips through a pattern.
        {profile(R"("appearance":{"tokens":{"light":{"surface":"#ffffff\n"}}})"),
         "field-invalid: Widget palette contains an invalid color."},
        {profile(R"("appearance":{"tokens":{"fontFamily":"Inter\n"}})"),
         "field-invalid: Widget font family is invalid."},
        {profile(R"("appearance":{"tokens":{"fontFamily":"Inter"}})"), "no error"},
        // The field check runs before anything else.
        {R"({"schemaVersion":3,"locale":"xx","theme":{}})",
         "field-invalid: Unsupported widget design field at experience.theme."},
        {profile(R"("platformOverrides":{"ios":{"appearance":{"tokens":{"light":{"shade":1}}}}})"),
         "field-invalid: Unsupported widget design field at "
         "experience.platformOverrides.ios.appearance.tokens.light.shade."},
        {profile(R"("platformOverrides":{"windows":{}})"),
         "field-invalid: Unsupported widget design field at experience.platformOverrides.windows."},
        {profile(R"("copy":{"panel.heading":"Hi"})"),
         "field-invalid: Unsupported widget design field at experience.copy.panel.heading."},
        {"[]", "field-invalid: Widget design profile must be an object."},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(resolveFailure(c.profile), c.expected) << c.profile;
    }
}

TEST(WidgetExperienceResolutionTest, JsonAndTypeFailuresComeThroughAsDecodingErrors) {
    using Kind = VelmoraDecodingError::Kind;
    struct Case {
        std::string profile;
        Kind kind;
    };
    const std::vector<Case> cases = {
        {"not json", Kind::dataCorrupted},
        {"42", Kind::dataCorrupted},
        {"{}", Kind::keyNotFound},
        {R"({"schemaVersion":2})", Kind::keyNotFound},
        {R"({"schemaVersion":"2","locale":"en"})", Kind::typeMismatch},
        {R"({"schemaVersion":3,"locale":null})", Kind::valueNotFound},
        {profile(R"("appearance":{"tokens":{"fontSize":16}})"), Kind::typeMismatch},
        {profile(R"("appearance":{"mode":"auto"})"), Kind::dataCorrupted},
        {profile(R"("appearance":{"tokens":5})"), Kind::typeMismatch},
    };
    for (const auto& c : cases) {
        try {
            resolveText(c.profile);
            ADD_FAILURE() << "resolved " << c.profile;
        } catch (const VelmoraDecodingError& error) {
            EXPECT_EQ(error.kind(), c.kind) << c.profile;
        } catch (const std::exception& error) {
            ADD_FAILURE() << c.profile << " threw " << error.what();
        }
    }
}

TEST(WidgetExperienceResolutionTest, DirectResolutionChecksNamesItsCallerDidNot) {
    VelmoraWidgetExperienceInput input{.schemaVersion = 2, .locale = "en"};
    VelmoraWidgetPlatformOverride badSafeArea;
    badSafeArea.safeArea = VelmoraWidgetPlatformOverride::SafeArea{.topPx = 500};
    // Names are all checked before any override's contents ("android" sorts first).
    input.platformOverrides = {{"android", badSafeArea}, {"windows", {}}};
    const auto resolve = [&] {
        VelmoraWidgetExperience::resolve(input, VelmoraWidgetPlatform::ios, false,
                                         fullLocaleCopy());
    };
    EXPECT_EQ(failure(resolve), "field-invalid: Unsupported widget platform override.");
    input.platformOverrides = {{"android", badSafeArea}};
    EXPECT_EQ(failure(resolve), "field-invalid: Widget safeArea is out of bounds.");
    input.platformOverrides.reset();
    input.copy = std::map<std::string, std::string>{{"panel.heading", "Hi"}};
    EXPECT_EQ(failure(resolve), "field-invalid: Widget copy contains an unknown key.");
    input.copy = std::map<std::string, std::string>{{"panel.title", "Hi"}};
    EXPECT_EQ(failure(resolve), "no error");
}

TEST(WidgetExperienceCodingTest, EncodingThenDecodingGivesAnEqualExperience) {
    const auto plain = resolveText(profile());
    const std::string plainJson = encodeJSON(plain);
    EXPECT_EQ(plainJson.find("platformOverride\""), std::string::npos);
    EXPECT_EQ(decodeJSON<VelmoraWidgetExperience>(plainJson), plain);

    auto locale = fullLocaleCopy();
    locale["panel.title"] = "Hilfe \u2013 \U0001F44B / \"Support\"";
    const auto rich = resolveText(
        R"({"schemaVersion":2,"locale":"de","appearance":{"mode":"dark","lightSurfaceStyle":)"
        R"("cream","tokens":{"shadow":"soft","fontFamily":"Ното, sans-serif","lineHeight":1.25},)"
        R"("layout":{"panelWidth":400.75}},"platformOverrides":{"react-native":{"safeArea":)"
        R"({"topPx":12.5},"navigation":{"presentation":"modal","closeBehavior":"dismiss"}}},)"
        R"("presentation":{"panelPresentation":"fullscreen"},"reducedMotion":"always"})",
        VelmoraWidgetPlatform::reactNative, true, locale);
    EXPECT_EQ(rich.appearance.layout.panelWidth, "400px");
    EXPECT_EQ(rich.appearance.metrics.panelWidthPx, 400.75);
    const std::string richJson = encodeJSON(rich);
    EXPECT_NE(richJson.find(R"("platform":"react-native")"), std::string::npos);
    EXPECT_EQ(decodeJSON<VelmoraWidgetExperience>(richJson), rich);

    auto changed = rich;
    changed.copy = VelmoraWidgetCopy(fullLocaleCopy());
    EXPECT_NE(changed, rich);
}

TEST(WidgetExperienceCodingTest, DecodingChecksShapeAndEnumerationsOnly) {
    using Kind = VelmoraDecodingError::Kind;
    const std::string json = encodeJSON(resolveText(profile()));
    const auto replaced = [&](std::string_view from, std::string_view to) {
        std::string text = json;
        text.replace(text.find(from), from.size(), to);
        return text;
    };
    EXPECT_EQ(decodeJSON<VelmoraWidgetExperience>(
                  replaced(R"("reducedMotion":false)",
                           R"("reducedMotion":false,"platformOverride":null)"))
                  .platformOverride,
              std::nullopt);
    EXPECT_EQ(decodeJSON<VelmoraWidgetExperience>(
                  replaced(R"("schemaVersion":2)", R"("schemaVersion":3)"))
                  .schemaVersion,
              3);
    EXPECT_EQ(decodeJSON<VelmoraWidgetExperience>(
                  replaced(R"("platform":"ios")", R"("platform":"react-native")"))
                  .platform,
              VelmoraWidgetPlatform::reactNative);

    const auto kindOf = [](const std::string& text) -> std::optional<Kind> {
        try {
            decodeJSON<VelmoraWidgetExperience>(text);
        } catch (const VelmoraDecodingError& error) {
            return error.kind();
        }
        return std::nullopt;
    };
    EXPECT_EQ(kindOf(replaced(R"("platform":"ios")", R"("platform":"reactNative")")),
              Kind::dataCorrupted);
    EXPECT_EQ(kindOf(replaced(R"("reducedMotionMode":"system")", R"("reducedMotionMode":"never")")),
              Kind::dataCorrupted);
    EXPECT_EQ(kindOf(replaced(R"(,"sources":)", R"(,"origins":)")), Kind::keyNotFound);
    EXPECT_EQ(kindOf(replaced(R"("reducedMotion":false)", R"("reducedMotion":null)")),
              Kind::valueNotFound);
}

} // namespace
} // namespace velmora
