// The design document built from the service's appearance and a bridged host's options.
#include "hosting/bridge_configuration.hpp"
#include "sdk/field_invalid_support.hpp"
#include "velmora/ui/widget_locale_catalog.hpp"
#include "velmora/widget_experience.hpp"

#include <gtest/gtest.h>

namespace velmora {
namespace {

using Configuration = VelmoraWidgetBridgeConfiguration;
using Object = JSONValue::Object;
using Options = VelmoraNativeWidgetOptionValues;
using testing::failureOf;

Object documentOf(const VelmoraWidgetExperienceDocument& document) {
    const std::string text(document.data.begin(), document.data.end());
    return *decodeJSON<JSONValue>(text).ifObject();
}

Object build(const Object& backend, const Options& options) {
    return documentOf(Configuration::experienceData(backend, options));
}

// A value whose objects nest `depth` deep.
JSONValue nested(std::size_t depth) {
    JSONValue value = 1;
    for (std::size_t level = 0; level < depth; ++level) {
        value = Object{{"k", std::move(value)}};
    }
    return value;
}

const Object& serviceAppearance() {
    static const Object appearance = {
        {"mode", "light"},
        {"tokens",
         Object{{"fontFamily", "Noto Sans"},
                {"borderWidth", "1px"},
                {"light",
                 Object{{"surface", "#ffffff"}, {"text", "#101828"}, {"accent", "#275cf6"}}}}},
        {"layout", Object{{"panelWidth", 380}}},
    };
    return appearance;
}

TEST(VelmoraBridgeDesignDocument, LocaleAloneKeepsTheServiceAppearance) {
    const auto document = Configuration::experienceData(serviceAppearance(), {.locale = "de"});
    EXPECT_EQ(document.locale, "de");
    EXPECT_EQ(
        documentOf(document),
        (Object{{"schemaVersion", 2}, {"locale", "de"}, {"appearance", serviceAppearance()}}));

    const auto english = Configuration::experienceData({}, {});
    EXPECT_EQ(english.locale, "en");
    EXPECT_EQ(documentOf(english),
              (Object{{"schemaVersion", 2}, {"locale", "en"}, {"appearance", Object{}}}));
}

TEST(VelmoraBridgeDesignDocument, MergeLetsTheOverrideWinAtEveryLeaf) {
    const JSONValue base = Object{
        {"a", Object{{"x", 1}, {"y", 2}}}, {"list", JSONValue::Array{1, 2, 3}}, {"text", "t"}};
    struct Case {
        const char* name;
        const JSONValue* base;
        JSONValue override;
        JSONValue expected;
    } cases[] = {
        {"objects merge key by key, base-only keys stay", &base,
         Object{{"a", Object{{"y", 20}, {"z", 30}}}},
         Object{{"a", Object{{"x", 1}, {"y", 20}, {"z", 30}}},
                {"list", JSONValue::Array{1, 2, 3}},
                {"text", "t"}}},
        {"arrays replace whole", &base, Object{{"list", JSONValue::Array{9}}},
         Object{{"a", Object{{"x", 1}, {"y", 2}}}, {"list", JSONValue::Array{9}}, {"text", "t"}}},
        {"text replaces an object", &base, Object{{"a", "flat"}},
         Object{{"a", "flat"}, {"list", JSONValue::Array{1, 2, 3}}, {"text", "t"}}},
        {"object replaces text", &base, Object{{"text", Object{{"b", true}}}},
         Object{{"a", Object{{"x", 1}, {"y", 2}}},
                {"list", JSONValue::Array{1, 2, 3}},
                {"text", Object{{"b", true}}}}},
        {"null override replaces", &base, nullptr, nullptr},
        {"object over nothing", nullptr, Object{{"k", 1}}, Object{{"k", 1}}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Configuration::merge(c.base, c.override), c.expected) << c.name;
    }
}

TEST(VelmoraBridgeDesignDocument, HostOptionsAdjustTheDocument) {
    Object merged = serviceAppearance();
    Object tokens = *merged.at("tokens").ifObject();
    Object light = *tokens.at("light").ifObject();
    light["surface"] = "#fafafa";
    tokens["light"] = light;
    merged["tokens"] = tokens;

    struct Case {
        const char* name;
        Options options;
        Object expectedAdditions; // beside schemaVersion, locale "en" and the appearance
        Object expectedAppearance;
    } cases[] = {
        {"a partial palette replaces only its colour",
         {.appearance = Object{{"tokens", Object{{"light", Object{{"surface", "#fafafa"}}}}}}},
         {},
         merged},
        {"platform becomes the ios override",
         {.platform = Object{{"navigation", Object{{"presentation", "push"}}}}},
         {{"platformOverrides",
           Object{{"ios", Object{{"navigation", Object{{"presentation", "push"}}}}}}}},
         serviceAppearance()},
        {"title alone",
         {.title = "Help desk"},
         {{"copy", Object{{"panel.title", "Help desk"}}}},
         serviceAppearance()},
        {"subtitle alone",
         {.subtitle = "We reply fast"},
         {{"copy", Object{{"panel.subtitle", "We reply fast"}}}},
         serviceAppearance()},
        {"reduceMotion true",
         {.reduceMotion = true},
         {{"reducedMotion", "always"}},
         serviceAppearance()},
        {"reduceMotion false",
         {.reduceMotion = false},
         {{"reducedMotion", "system"}},
         serviceAppearance()},
        {"reduceMotion absent", {}, {}, serviceAppearance()},
    };
    for (const auto& c : cases) {
        Object expected = {
            {"schemaVersion", 2}, {"locale", "en"}, {"appearance", c.expectedAppearance}};
        expected.insert(c.expectedAdditions.begin(), c.expectedAdditions.end());
        EXPECT_EQ(build(serviceAppearance(), c.options), expected) << c.name;
    }
}

// The whole road a bridged host's numbers and booleans travel: host dictionary, document text,
// resolved design. A 1 or 0 read as a boolean would not resolve as an inset, and a boolean read
// as a number would not resolve as a keyboard flag.
TEST(VelmoraBridgeDesignDocument, HostNumbersAndBooleansResolveAsThemselves) {
    using Dictionary = VelmoraHostDictionary;
    const Dictionary host{
        {"platform", Dictionary{{"safeArea", Dictionary{{"topPx", 1}, {"bottomPx", 0}}},
                                {"keyboard", Dictionary{{"dismissOnSubmit", true}}}}},
        {"reduceMotion", false},
    };
    const Options options = Configuration::decodeNativeOptions(host);
    const auto document = Configuration::experienceData(serviceAppearance(), options);
    const std::string text(document.data.begin(), document.data.end());
    EXPECT_NE(text.find(R"("safeArea":{"bottomPx":0,"topPx":1})"), std::string::npos) << text;

    const auto experience = VelmoraWidgetExperience::decodeAndResolve(
        document.data, VelmoraWidgetPlatform::ios, false,
        VelmoraWidgetLocaleCatalog::copy(document.locale));
    ASSERT_TRUE(experience.platformOverride);
    ASSERT_TRUE(experience.platformOverride->safeArea);
    EXPECT_EQ(experience.platformOverride->safeArea->topPx, 1.0);
    EXPECT_EQ(experience.platformOverride->safeArea->bottomPx, 0.0);
    ASSERT_TRUE(experience.platformOverride->keyboard);
    EXPECT_EQ(experience.platformOverride->keyboard->dismissOnSubmit, true);
    EXPECT_FALSE(experience.requiresForcedReducedMotion());
}

TEST(VelmoraBridgeDesignDocument, RefusesHostileAppearancesAndOptions) {
    const std::size_t cap = Configuration::maxOptionDepth;
    // Options built by hand, past the decoder's own bound.
    Object deepOption = *nested(cap + 1).ifObject();
    struct Case {
        const char* name;
        Object backend;
        Options options;
        std::string message;
    } cases[] = {
        {"palette at the appearance's top level",
         {{"light", Object{}}},
         {},
         "Unknown widget option: appearance.light"},
        {"layout as a number", {{"layout", 3}}, {}, "appearance.layout must be an object."},
        {"unknown layout key",
         {{"layout", Object{{"width", 3}}}},
         {},
         "Unknown widget option: appearance.layout.width"},
        {"tokens as text", {{"tokens", "dark"}}, {}, "appearance.tokens must be an object."},
        {"palette as a number",
         {{"tokens", Object{{"light", 1}}}},
         {},
         "appearance.tokens.light must be an object."},
        {"unknown palette colour",
         {{"tokens", Object{{"dark", Object{{"glow", "#fff"}}}}}},
         {},
         "Unknown widget option: appearance.tokens.dark.glow"},
        {"unknown key from the host's appearance",
         serviceAppearance(),
         {.appearance = Object{{"tokens", Object{{"size", 14}}}}},
         "Unknown widget option: appearance.tokens.size"},
        {"appearance replaced by a boolean",
         {},
         {.appearance = Object{{"tokens", true}}},
         "appearance.tokens must be an object."},
        {"unknown platform key",
         {},
         {.platform = Object{{"colour", "red"}}},
         "Unknown widget option: platformOverrides.ios.colour"},
        {"platform navigation as text",
         {},
         {.platform = Object{{"navigation", "push"}}},
         "platformOverrides.ios.navigation must be an object."},
        {"unknown safe-area key",
         {},
         {.platform = Object{{"safeArea", Object{{"top", 1}}}}},
         "Unknown widget option: platformOverrides.ios.safeArea.top"},
        {"unknown keyboard key",
         {},
         {.platform = Object{{"keyboard", Object{{"hide", true}}}}},
         "Unknown widget option: platformOverrides.ios.keyboard.hide"},
        {"platform appearance checked like the main one",
         {},
         {.platform = Object{{"appearance", Object{{"layout", Object{{"width", 1}}}}}}},
         "Unknown widget option: platformOverrides.ios.appearance.layout.width"},
        {"locale outside the four", {}, {.locale = "fr"}, "Unsupported widget locale."},
        {"empty title", {}, {.title = ""}, "Widget copy contains an empty value."},
        {"appearance nested too deeply",
         {},
         {.appearance = deepOption},
         "appearance is nested too deeply."},
        {"platform nested too deeply",
         {},
         {.platform = deepOption},
         "platform is nested too deeply."},
        {"service appearance nested too deeply",
         {{"tokens", Object{{"shadow", nested(Configuration::maxDocumentDepth - 2)}}}},
         {},
         "The widget design configuration is nested too deeply."},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(failureOf([&] { Configuration::experienceData(c.backend, c.options); }),
                  c.message)
            << c.name;
    }
    // The deepest option the decoder lets through is still checked as a document.
    Object deepest = *nested(cap).ifObject();
    EXPECT_EQ(failureOf([&] { Configuration::experienceData({}, {.platform = deepest}); }),
              "Unknown widget option: platformOverrides.ios.k");
    // The service's shadow sits three containers down: root, appearance, tokens.
    const JSONValue deepestShadow = nested(Configuration::maxDocumentDepth - 3);
    EXPECT_EQ(
        failureOf([&] {
            Configuration::experienceData({{"tokens", Object{{"shadow", deepestShadow}}}}, {});
        }),
        std::nullopt);
}

TEST(VelmoraBridgeDesignDocument, ValidatesWholeDocuments) {
    const Object valid = {
        {"schemaVersion", 2},
        {"locale", "es"},
        {"appearance", serviceAppearance()},
        {"platformOverrides",
         Object{{"android", Object{{"safeArea", Object{{"topPx", 4}}}}},
                {"ios", Object{{"navigation",
                                Object{{"presentation", "push"}, {"closeBehavior", "pop"}}}}}}},
        {"presentation",
         Object{{"panelPresentation", "embedded"}, {"launcherVisible", "anything"}}},
        {"reducedMotion", "always"},
        {"copy", Object{{"panel.title", "Ayuda"}}},
    };
    EXPECT_EQ(failureOf([&] { Configuration::validateExperience(valid); }), std::nullopt);

    const auto with = [&](const char* key, JSONValue value) {
        Object document = valid;
        document.insert_or_assign(key, std::move(value));
        return document;
    };
    const auto without = [&](const char* key) {
        Object document = valid;
        document.erase(key);
        return document;
    };
    struct Case {
        const char* name;
        Object document;
        std::string message;
    } cases[] = {
        {"unknown top-level key", with("theme", "dark"), "Unknown widget option: experience.theme"},
        {"no schema version", without("schemaVersion"), "Unsupported widget design schema."},
        {"schema version 3", with("schemaVersion", 3), "Unsupported widget design schema."},
        {"schema version 2.5", with("schemaVersion", 2.5), "Unsupported widget design schema."},
        {"schema version as text", with("schemaVersion", "2"), "Unsupported widget design schema."},
        {"schema version as a boolean", with("schemaVersion", true),
         "Unsupported widget design schema."},
        {"no locale", without("locale"), "Unsupported widget locale."},
        {"locale as a number", with("locale", 1), "Unsupported widget locale."},
        {"appearance as an array", with("appearance", JSONValue::Array{}),
         "appearance must be an object."},
        {"platform overrides as an array", with("platformOverrides", JSONValue::Array{}),
         "Platform overrides must be an object."},
        {"unknown platform", with("platformOverrides", Object{{"windows", Object{}}}),
         "Unsupported widget platform override."},
        {"platform override as text", with("platformOverrides", Object{{"web", "x"}}),
         "platformOverrides.web must be an object."},
        {"presentation as text", with("presentation", "modal"), "Presentation must be an object."},
        {"unknown presentation key", with("presentation", Object{{"mode", "x"}}),
         "Unknown widget option: presentation.mode"},
        {"unknown reduced-motion mode", with("reducedMotion", "never"),
         "Reduced motion must be system or always."},
        {"copy as an array", with("copy", JSONValue::Array{}), "Widget copy must be an object."},
        {"unknown copy key", with("copy", Object{{"panel.heading", "x"}}),
         "Unknown widget option: copy.panel.heading"},
        {"copy text as a number", with("copy", Object{{"panel.title", 1}}),
         "Widget copy contains an empty value."},
        {"empty copy text", with("copy", Object{{"nav.help", ""}}),
         "Widget copy contains an empty value."},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(failureOf([&] { Configuration::validateExperience(c.document); }), c.message)
            << c.name;
    }
}

} // namespace
} // namespace velmora
