#include "gallery.hpp"
#include "platform/qt_child.hpp"

#include "fixtures.hpp"
#include "platform/color.hpp"
#include "platform/qt_conversions.hpp"
#include "views/line_height_text.hpp"
#include "views/message_text_view.hpp"
#include "views/progress_label.hpp"
#include "views/styled_button.hpp"
#include "views/widget_icon.hpp"

#include <QHBoxLayout>

namespace velmora::gallery {

using namespace detail;

void addControlScenes(std::vector<Scene>& scenes) {
    for (const bool dark : {false, true}) {
        const std::string paletteName = dark ? "dark" : "light";
        scenes.push_back(
            {"controls-" + paletteName, 380, [dark] {
                 const auto experience = fixtures::experience("en");
                 const auto& appearance = experience.appearance;
                 const auto& p = dark ? appearance.dark : appearance.light;
                 const VelmoraFontSpec font = widgetFontSpec(
                     appearance.typography.fontFamily, appearance.typography.fontSizePx * 0.875,
                     VelmoraTextStyle::body, VelmoraFontWeight::medium, 1);
                 const double radius = appearance.controlRadiusPx;
                 const double border = appearance.borderWidthPx;
                 std::vector<QWidget*> items;
                 items.push_back(detail::makeQtChild<VelmoraLineHeightText>(
                     LineHeightTextModel{
                         .text = "How can we help today? Ask a question or pick a topic below.",
                         .color = colorFromHex(p.text),
                         .lineHeight = 26,
                         .preferredMaxWidth = 340,
                         .accessibilityIdentifier = "velmora.widget.home-title"},
                     toQFont(widgetFontSpec(appearance.typography.fontFamily, 20,
                                            VelmoraTextStyle::title3, VelmoraFontWeight::semibold,
                                            1))));
                 items.push_back(detail::makeQtChild<VelmoraStyledButton>(
                     "Confirm order", PrimaryButtonStyle{font, colorFromHex(p.onAccent),
                                                         colorFromHex(p.accent), radius, border}));
                 items.push_back(detail::makeQtChild<VelmoraStyledButton>(
                     "Back",
                     SecondaryButtonStyle{font, colorFromHex(p.text), colorFromHex(p.raisedSurface),
                                          colorFromHex(p.border), radius, border}));
                 items.push_back(detail::makeQtChild<VelmoraStyledButton>(
                     "Deliver on Friday between 10:00 and 14:00, leave the parcel at the door",
                     ChoiceButtonStyle{font, colorFromHex(p.text), colorFromHex(p.accent), radius,
                                       border}));
                 auto* icons = detail::makeQtChild<QWidget>();
                 auto* row = detail::makeQtChild<QHBoxLayout>(icons);
                 for (auto kind : {VelmoraWidgetIconKind::attachment, VelmoraWidgetIconKind::close,
                                   VelmoraWidgetIconKind::forward, VelmoraWidgetIconKind::help,
                                   VelmoraWidgetIconKind::home, VelmoraWidgetIconKind::messages,
                                   VelmoraWidgetIconKind::paperclip, VelmoraWidgetIconKind::send})
                     row->addWidget(detail::makeQtChild<VelmoraWidgetIconView>(
                         kind, 24, toQColor(colorFromHex(p.text))));
                 items.push_back(icons);
                 for (const bool reduceMotion : {false, true}) {
                     auto* busy = detail::makeQtChild<VelmoraProgressLabel>(
                         progressLabelModel("Working…", reduceMotion, 1));
                     busy->setColor(toQColor(colorFromHex(p.mutedText)));
                     items.push_back(busy);
                 }
                 const QFont composerFont = toQFont(widgetFontSpec(
                     appearance.typography.fontFamily, appearance.typography.fontSizePx * 0.9375,
                     VelmoraTextStyle::body, std::nullopt, 1));
                 items.push_back(detail::makeQtChild<VelmoraMessageTextView>(
                     VelmoraMessageTextView::Options{.placeholder = "Write a message…",
                                                     .textColor = colorFromHex(p.text),
                                                     .placeholderColor = colorFromHex(p.mutedText),
                                                     .font = composerFont}));
                 auto* filled = detail::makeQtChild<VelmoraMessageTextView>(
                     VelmoraMessageTextView::Options{.placeholder = "Write a message…",
                                                     .textColor = colorFromHex(p.text),
                                                     .placeholderColor = colorFromHex(p.mutedText),
                                                     .font = composerFont});
                 filled->setBoundText("Hello!\nMy order 1001 has not arrived yet.\nCould you check "
                                      "where it is?\nThanks\nAnd one more line\nand another");
                 items.push_back(filled);
                 return stack(items, toQColor(colorFromHex(p.surface)));
             }});
    }
}

} // namespace velmora::gallery
