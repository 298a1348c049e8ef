#include "gallery.hpp"
#include "platform/qt_child.hpp"

#include "fixtures.hpp"
#include "platform/color.hpp"
#include "platform/qt_conversions.hpp"
#include "views/message_row.hpp"

#include <QAbstractButton>

namespace velmora::gallery {

using namespace detail;

namespace {

// Accepts addresses of the fixture service; never downloads (the gallery only draws).
class FixtureAttachments final : public MessageRowAttachmentService {
public:
    bool canDownloadAttachment(const VelmoraAttachment& attachment) const override {
        return attachment.downloadUrl && attachment.downloadUrl->starts_with("https://ok/");
    }
    void downloadAttachment(const VelmoraAttachment&,
                            std::function<void(std::optional<Data>)>) override {}
};

std::vector<VelmoraMessage> conversation(const std::string& locale) {
    auto customer = fixtures::message("m1", "outbound", "customer", "Where is my order 1001?");
    auto ai = fixtures::message("m2", "inbound", "ai", fixtures::sampleText(locale));
    auto teammate =
        fixtures::message("m3", "inbound", "teammate", "Here are the documents for your order.");
    teammate.attachments = std::vector<VelmoraAttachment>{
        {.id = "a1", .fileName = "invoice-1001.pdf", .downloadUrl = "https://ok/a1?token=t"},
        {.id = "a2",
         .fileName = "photo of the parcel with a rather long file name.jpeg",
         .downloadUrl = "https://ok/a2?token=t"},
        {.id = "a3", .fileName = "refused.zip", .downloadUrl = "https://elsewhere/a3"},
        {.id = "a4"},
    };
    return {customer, ai, teammate};
}

std::unique_ptr<QWidget> rows(const std::vector<VelmoraMessage>& messages,
                              const VelmoraWidgetExperience& experience, bool dark,
                              bool downloading = false) {
    auto settings = std::make_shared<VelmoraFixedPlatformSettings>(VelmoraPlatformSettingsValues{
        .colorScheme = dark ? VelmoraColorScheme::dark : VelmoraColorScheme::light});
    auto service = std::make_shared<FixtureAttachments>();
    std::vector<QWidget*> widgets;
    for (const auto& message : messages) {
        auto* row = detail::makeQtChild<VelmoraWidgetMessageRow>(
            message, experience.appearance, experience.copy, service, experience.locale, false,
            settings);
        if (downloading && message.attachments)
            if (auto* button = row->findChild<QAbstractButton*>(
                    "velmora.widget.message-attachment.invoice-1001.pdf"))
                button->click();
        widgets.push_back(row);
    }
    const auto& palette = dark ? experience.appearance.dark : experience.appearance.light;
    return stack(widgets, toQColor(colorFromHex(palette.surface)), 10);
}

} // namespace

void addMessageRowScenes(std::vector<Scene>& scenes) {
    for (const auto& locale : fixtures::locales) {
        for (const bool dark : {false, true}) {
            const std::string suffix = std::string(dark ? "dark" : "light") + "-" + locale;
            scenes.push_back({"message-rows-" + suffix, 380, [locale, dark] {
                                  return rows(conversation(locale), fixtures::experience(locale),
                                              dark);
                              }});
        }
    }
    for (const bool dark : {false, true}) {
        const std::string palette = dark ? "dark" : "light";
        scenes.push_back({"message-rows-rtl-" + palette, 380, [dark] {
                              auto inbound = fixtures::message("r1", "outbound", "customer",
                                                               fixtures::longRightToLeftText());
                              auto reply = fixtures::message("r2", "inbound", "ai",
                                                             fixtures::longRightToLeftText());
                              return rows({inbound, reply}, fixtures::experience("en"), dark);
                          }});
        scenes.push_back(
            {"message-rows-downloading-" + palette, 380,
             [dark] { return rows(conversation("en"), fixtures::experience("en"), dark, true); }});
        scenes.push_back({"message-rows-system-font-" + palette, 380, [dark] {
                              return rows(conversation("de"),
                                          fixtures::experience("de", VelmoraWidgetColorMode::system,
                                                               "Inter, sans-serif"),
                                          dark);
                          }});
    }
    scenes.push_back({"message-rows-mixed-scripts-light", 380, [] {
                          auto m =
                              fixtures::message("x1", "inbound", "ai", fixtures::mixedText(600));
                          auto empty = fixtures::message("x2", "outbound", std::nullopt, "");
                          return rows({m, empty}, fixtures::experience("en"), false);
                      }});
}

} // namespace velmora::gallery
