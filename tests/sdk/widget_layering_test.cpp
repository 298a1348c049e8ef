#include "detail/widget_defaults.hpp"

#include <gtest/gtest.h>

namespace velmora {
namespace {

namespace defaults = detail::VelmoraWidgetDefaults;
using Raw = VelmoraWidgetRawAppearanceV2;
using Tokens = Raw::Tokens;
using Layout = Raw::Layout;

VelmoraWidgetRawPalette defaultLight() {
    return *defaults::appearance().tokens->light;
}

TEST(WidgetLayeringTest, MergingNothingKeepsTheBaseAndAlwaysYieldsTokensAndLayout) {
    EXPECT_EQ(defaults::merge(defaults::appearance(), Raw{}), defaults::appearance());
    EXPECT_EQ(defaults::merge(Raw{}, defaults::appearance()), defaults::appearance());
    EXPECT_EQ(defaults::merge(Raw{}, Raw{}), (Raw{.tokens = Tokens{}, .layout = Layout{}}));
}

TEST(WidgetLayeringTest, PalettesMergeColourByColourNeverWhole) {
    const Raw accentOnly{.tokens = Tokens{.light = VelmoraWidgetRawPalette{.accent = "#111a34"}}};
    Raw expected = defaults::appearance();
    expected.tokens->light->accent = "#111a34";
    EXPECT_EQ(defaults::merge(defaults::appearance(), accentOnly), expected);

    const Raw emptyLight{.tokens = Tokens{.light = VelmoraWidgetRawPalette{}}};
    EXPECT_EQ(defaults::merge(defaults::appearance(), emptyLight), defaults::appearance());
    EXPECT_EQ(defaults::merge(std::optional<VelmoraWidgetRawPalette>(),
                              std::optional<VelmoraWidgetRawPalette>()),
              std::nullopt);
    EXPECT_EQ(defaults::merge(std::nullopt, VelmoraWidgetRawPalette{}), VelmoraWidgetRawPalette{});
}

TEST(WidgetLayeringTest, PresentOverlayValuesWinWhateverTheyHold) {
    const Raw overlay{
        .mode = VelmoraWidgetColorMode::dark,
        .lightSurfaceStyle = "",
        .tokens = Tokens{.fontSize = "99px", .shadow = VelmoraWidgetShadow::soft},
        .layout = Layout{.panelWidth = 1000},
    };
    const Raw merged = defaults::merge(defaults::appearance(), overlay);
    EXPECT_EQ(merged.mode, VelmoraWidgetColorMode::dark);
    EXPECT_EQ(merged.lightSurfaceStyle, "");
    EXPECT_EQ(merged.tokens->fontSize, "99px");
    EXPECT_EQ(merged.tokens->shadow, VelmoraWidgetShadow::soft);
    EXPECT_EQ(merged.tokens->fontFamily, "Velmora Noto Sans");
    EXPECT_EQ(merged.layout->panelWidth, 1000);
    EXPECT_EQ(merged.layout->panelHeight, 640);
}

TEST(WidgetLayeringTest, CreamTintsOnlyTheLightSurfacesItsOwnLayerLeavesUnset) {
    // Only the exact text "cream" tints.
    for (const char* style : {"Cream", "white", "cream "}) {
        const Raw layer{.lightSurfaceStyle = style};
        EXPECT_EQ(defaults::materialize(layer), layer) << style;
    }

    const Raw cream = defaults::materialize(Raw{.lightSurfaceStyle = "cream"});
    EXPECT_EQ(cream, (Raw{.lightSurfaceStyle = "cream",
                          .tokens = Tokens{.light = defaults::creamPalette()}}));
    const Raw merged = defaults::merge(defaults::appearance(), cream);
    VelmoraWidgetRawPalette expectedLight = defaultLight();
    expectedLight.surface = "#fffdf6";
    expectedLight.raisedSurface = "#fffdf6";
    EXPECT_EQ(merged.tokens->light, expectedLight);
    EXPECT_EQ(merged.tokens->dark, defaults::appearance().tokens->dark);
    EXPECT_EQ(merged.lightSurfaceStyle, "cream");

    const Raw ownSurface = defaults::materialize(
        Raw{.lightSurfaceStyle = "cream",
            .tokens =
                Tokens{.light = VelmoraWidgetRawPalette{.surface = "#ffffff"}, .fontSize = "18px"},
            .layout = Layout{.placement = "bottom-left"}});
    EXPECT_EQ(ownSurface.tokens->light,
              (VelmoraWidgetRawPalette{.surface = "#ffffff", .raisedSurface = "#fffdf6"}));
    EXPECT_EQ(ownSurface.tokens->fontSize, "18px");
    EXPECT_EQ(ownSurface.layout->placement, "bottom-left");
}

} // namespace
} // namespace velmora
