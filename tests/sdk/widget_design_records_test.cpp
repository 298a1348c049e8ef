#include "detail/widget_defaults.hpp"
#include "sdk/widget_test_support.hpp"
#include "velmora/decoding_error.hpp"
#include "velmora/widget_experience.hpp"

#include <gtest/gtest.h>

namespace velmora {
namespace {

namespace defaults = detail::VelmoraWidgetDefaults;
using Kind = VelmoraDecodingError::Kind;
using Raw = VelmoraWidgetRawAppearanceV2;

// The kind of decoding failure, or nothing when `decode` succeeds.
template <class Decode> std::optional<Kind> decodingFailure(Decode&& decode) {
    try {
        decode();
    } catch (const VelmoraDecodingError& error) {
        return error.kind();
    }
    return std::nullopt;
}

TEST(WidgetEnumerationTest, TextsMatchExactly) {
    EXPECT_EQ(velmoraWidgetPlatformFromRawValue("react-native"),
              VelmoraWidgetPlatform::reactNative);
    EXPECT_EQ(rawValue(VelmoraWidgetPlatform::nativescript), "nativescript");
    EXPECT_EQ(velmoraWidgetShadowFromRawValue("strong"), VelmoraWidgetShadow::strong);
    EXPECT_EQ(velmoraWidgetColorModeFromRawValue("dark"), VelmoraWidgetColorMode::dark);
    EXPECT_EQ(velmoraWidgetReducedMotionModeFromRawValue("always"),
              VelmoraWidgetReducedMotionMode::always);
    for (const char* miss : {"reactNative", "IOS", " ios", ""}) {
        EXPECT_EQ(velmoraWidgetPlatformFromRawValue(miss), std::nullopt) << miss;
    }
    EXPECT_EQ(velmoraWidgetShadowFromRawValue("Soft"), std::nullopt);
    EXPECT_EQ(velmoraWidgetColorModeFromRawValue("auto"), std::nullopt);
    EXPECT_EQ(velmoraWidgetReducedMotionModeFromRawValue("Always"), std::nullopt);
}

TEST(WidgetRawAppearanceCodingTest, DecodesOptionalFieldsAndEncodesOnlyPresentOnes) {
    const Raw empty = decodeJSON<Raw>("{}");
    EXPECT_EQ(empty, Raw{});
    EXPECT_EQ(encodeJSON(empty), "{}");

    const Raw accent = decodeJSON<Raw>(R"({"tokens":{"light":{"accent":"#275cf6"}}})");
    EXPECT_EQ(accent,
              (Raw{.tokens = Raw::Tokens{.light = VelmoraWidgetRawPalette{.accent = "#275cf6"}}}));

    const Raw values = decodeJSON<Raw>(
        R"({"mode":null,"tokens":{"shadow":"none","lineHeight":2,"light":{"surface":"red"}},)"
        R"("layout":{"panelWidth":400,"width":1}})");
    EXPECT_EQ(values.mode, std::nullopt);
    EXPECT_EQ(values.tokens->shadow, VelmoraWidgetShadow::none);
    EXPECT_EQ(values.tokens->lineHeight, 2.0);
    EXPECT_EQ(values.tokens->light->surface, "red");
    EXPECT_EQ(values.layout, Raw::Layout{.panelWidth = 400});
    EXPECT_EQ(encodeJSON(values),
              R"({"tokens":{"light":{"surface":"red"},"lineHeight":2,"shadow":"none"},)"
              R"("layout":{"panelWidth":400}})");

    EXPECT_EQ(decodeJSON<Raw>(encodeJSON(defaults::appearance())), defaults::appearance());
    EXPECT_NE(VelmoraWidgetRawPalette{}, VelmoraWidgetRawPalette{.focus = "#ffffff"});
}

TEST(WidgetRawAppearanceCodingTest, RefusesWrongTypesAndUnknownEnumerationTexts) {
    struct Case {
        const char* json;
        Kind kind;
    };
    const Case cases[] = {
        {R"({"mode":"auto"})", Kind::dataCorrupted},
        {R"({"mode":"Dark"})", Kind::dataCorrupted},
        {R"({"mode":1})", Kind::typeMismatch},
        {R"({"tokens":{"shadow":"Soft"}})", Kind::dataCorrupted},
        {R"({"tokens":{"fontSize":16}})", Kind::typeMismatch},
        {R"({"tokens":{"lineHeight":"1.5"}})", Kind::typeMismatch},
        {R"({"tokens":5})", Kind::typeMismatch},
        {R"({"layout":{"panelWidth":true}})", Kind::typeMismatch},
        {R"([])", Kind::typeMismatch},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(decodingFailure([&] { decodeJSON<Raw>(c.json); }), c.kind) << c.json;
    }
}

TEST(WidgetAppearanceCodingTest, RequiresEveryFieldButChecksNoValue) {
    const VelmoraWidgetAppearance resolved = defaults::resolve(defaults::appearance());
    const std::string json = encodeJSON(resolved);
    EXPECT_EQ(decodeJSON<VelmoraWidgetAppearance>(json), resolved);
    EXPECT_EQ(json.find("\"mode\":\"system\""), 1u);

    const auto palette = decodeJSON<VelmoraWidgetPalette>(
        R"({"surface":"red","raisedSurface":"","text":"","mutedText":"","border":"",)"
        R"("accent":"","onAccent":"","link":"","focus":"","extra":1})");
    EXPECT_EQ(palette.surface, "red");
    EXPECT_EQ(decodingFailure([] {
                  decodeJSON<VelmoraWidgetPalette>(
                      R"({"surface":"","raisedSurface":"","text":"","mutedText":"",)"
                      R"("border":"","accent":"","onAccent":"","link":""})");
              }),
              Kind::keyNotFound);
    EXPECT_EQ(decodingFailure([] {
                  decodeJSON<VelmoraWidgetSpacing>(
                      R"({"xsPx":4,"smPx":8,"mdPx":12,"lgPx":16,"xlPx":null})");
              }),
              Kind::valueNotFound);
    EXPECT_EQ(
        decodeJSON<VelmoraWidgetSpacing>(R"({"xsPx":4,"smPx":8,"mdPx":12,"lgPx":16,"xlPx":30})")
            .xlPx,
        30);

    VelmoraWidgetAppearance otherFocus = resolved;
    otherFocus.dark.focus = "#ffffff";
    EXPECT_NE(otherFocus, resolved);
    std::string autoMode = json;
    autoMode.replace(json.find("system"), 6, "auto");
    EXPECT_EQ(decodingFailure([&] { decodeJSON<VelmoraWidgetAppearance>(autoMode); }),
              Kind::dataCorrupted);
}

TEST(WidgetDesignProfileCodingTest, OnlySchemaAndLocaleAreRequired) {
    const auto input =
        decodeJSON<VelmoraWidgetExperienceInput>(R"({"locale":"en","schemaVersion":2})");
    EXPECT_EQ(input, (VelmoraWidgetExperienceInput{.schemaVersion = 2, .locale = "en"}));
    EXPECT_EQ(encodeJSON(input), R"({"schemaVersion":2,"locale":"en"})");
    EXPECT_EQ(
        decodingFailure([] { decodeJSON<VelmoraWidgetExperienceInput>(R"({"locale":"en"})"); }),
        Kind::keyNotFound);
    EXPECT_EQ(decodingFailure([] {
                  decodeJSON<VelmoraWidgetExperienceInput>(
                      R"({"schemaVersion":2.5,"locale":"en"})");
              }),
              Kind::dataCorrupted);
    EXPECT_EQ(decodingFailure([] {
                  decodeJSON<VelmoraWidgetExperienceInput>(
                      R"({"schemaVersion":2,"locale":"en","copy":{"panel.title":1}})");
              }),
              Kind::typeMismatch);

    const std::string full =
        R"({"schemaVersion":2,"locale":"de","appearance":{"lightSurfaceStyle":"cream"},)"
        R"("platformOverrides":{"android":{"safeArea":{"topPx":4}},"ios":{"keyboard":)"
        R"({"resizeMode":"pan","dismissOnSubmit":true},"navigation":{"presentation":"push"}}},)"
        R"("presentation":{"launcherVisible":false},"reducedMotion":"always",)"
        R"("copy":{"panel.title":"Hallo"}})";
    EXPECT_EQ(encodeJSON(decodeJSON<VelmoraWidgetExperienceInput>(full)), full);
}

TEST(WidgetDesignProfileCodingTest, ResolvedPresentationAlwaysHasItsThreeFields) {
    EXPECT_EQ(
        encodeJSON(defaults::presentation()),
        R"({"launcherVisible":true,"hideLauncherOnOpen":true,"panelPresentation":"floating"})");
    EXPECT_EQ(decodingFailure([] {
                  decodeJSON<VelmoraWidgetPresentation>(
                      R"({"launcherVisible":true,"hideLauncherOnOpen":true})");
              }),
              Kind::keyNotFound);
}

} // namespace
} // namespace velmora
