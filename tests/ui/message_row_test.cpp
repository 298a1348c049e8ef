#include "platform/qt_child.hpp"
#include "views/attachment_download_service.hpp"
#include "views/message_row.hpp"
#include "views/message_row_model.hpp"
#include "views/text_block_view.hpp"

#include "fixtures.hpp"
#include "ui/controller_test_support.hpp"
#include "ui/row_service_fakes.hpp"
#include "ui/text_line_checks.hpp"
#include "ui/ui_test_support.hpp"
#include "velmora/ui/qt_main_executor.hpp"

#include <QAbstractButton>
#include <QElapsedTimer>
#include <QFontMetricsF>
#include <QImage>
#include <QPainter>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QTextBoundaryFinder>
#include <gtest/gtest.h>

#include <map>

namespace velmora {
namespace {

using namespace detail;
using velmora::testing::ManualAttachments;
using velmora::testing::RecordingExporter;

// A fixed line height keeps the model's spacing independent of the machine's fonts.
MessageRowContext context(std::string locale,
                          VelmoraColorScheme scheme = VelmoraColorScheme::light) {
    MessageRowContext c;
    c.locale = std::move(locale);
    c.platform.colorScheme = scheme;
    c.fontLineHeight = [](const VelmoraFontSpec& spec) { return spec.pointSize * 1.25; };
    return c;
}

TEST(MessageRowModelTest, AuthorKindEdgePaletteAndLocaleDecideTheRow) {
    struct Case {
        const char* direction;
        std::optional<std::string> author;
        VelmoraWidgetColorMode mode;
        VelmoraColorScheme scheme;
        std::string locale;
        std::optional<std::string> tag;
        bool trailing;
        bool dark;
    };
    using M = VelmoraWidgetColorMode;
    using S = VelmoraColorScheme;
    const Case cases[] = {
        {"outbound", "customer", M::system, S::light, "en", std::nullopt, true, false},
        {"inbound", "ai", M::system, S::light, "en", "AI agent", false, false},
        {"inbound", "teammate", M::system, S::dark, "uk", "Команда підтримки", false, true},
        {"inbound", "ai", M::dark, S::light, "de", "KI-Agent", false, true},
        {"inbound", "teammate", M::light, S::dark, "es", "Equipo de soporte", false, false},
        {"outbound", "ai", M::system, S::dark, "es", "Agente de IA", true, true},
        {"Outbound", "AI", M::system, S::light, "en", std::nullopt, false, false},
        {"inbound", "customer", M::system, S::light, "en", std::nullopt, true, false},
        {"", std::nullopt, M::system, S::light, "en", std::nullopt, false, false},
        {"inbound", "ai", M::system, S::light, "fr", std::nullopt, false, false},
        {"inbound", "bot", M::system, S::light, "en", std::nullopt, false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.direction) + "/" + c.author.value_or("-") + "/" + c.locale);
        const auto experience = fixtures::experience("en", c.mode);
        const auto& a = experience.appearance;
        const auto& palette = c.dark ? a.dark : a.light;
        const auto message = fixtures::message("msg_7", c.direction, c.author, "Hello");
        const auto model =
            messageRowModel(message, a, experience.copy, context(c.locale, c.scheme));
        EXPECT_EQ(model.trailing, c.trailing);
        EXPECT_EQ(model.dark, c.dark);
        EXPECT_EQ(model.bubbleIdentifier, "velmora.widget.message-bubble.msg_7");
        EXPECT_DOUBLE_EQ(model.horizontalPadding, a.spacing.mdPx);
        EXPECT_DOUBLE_EQ(model.cornerRadius, a.controlRadiusPx);
        ASSERT_EQ(model.authorTag.has_value(), c.tag.has_value());
        if (c.tag) {
            EXPECT_EQ(model.authorTag->text, *c.tag);
            EXPECT_EQ(model.authorTag->identifier, "velmora.widget.message-author-tag.msg_7");
            EXPECT_EQ(model.authorTag->color, c.trailing
                                                  ? colorFromHex(palette.onAccent).withOpacity(0.78)
                                                  : colorFromHex(palette.mutedText));
            EXPECT_DOUBLE_EQ(model.authorTag->font.pointSize, a.typography.fontSizePx * 0.75);
            EXPECT_EQ(model.authorTag->font.weight, VelmoraFontWeight::medium);
        }
        ASSERT_TRUE(model.body);
        EXPECT_EQ(model.body->color, colorFromHex(c.trailing ? palette.onAccent : palette.text));
        if (c.trailing) {
            EXPECT_EQ(model.bubbleBackground, colorFromHex(palette.accent));
            EXPECT_EQ(model.bubbleBorder.alpha, 0);
        } else if (c.dark) {
            EXPECT_EQ(model.bubbleBackground, colorFromHex(palette.raisedSurface));
            EXPECT_EQ(model.bubbleBorder, colorFromHex(palette.border));
        } else {
            EXPECT_EQ(model.bubbleBackground, colorFromHex(palette.surface));
            EXPECT_EQ(model.bubbleOverlay, colorFromHex(palette.mutedText).withOpacity(0.06));
            EXPECT_EQ(model.bubbleBorder.alpha, 0);
        }
    }
}

TEST(MessageRowModelTest, FontsAndLineSpacingFollowTheDesign) {
    const auto bundled = fixtures::experience("en");
    const double base = bundled.appearance.typography.fontSizePx;
    const auto message = fixtures::message("m", "inbound", "ai", "Hi");
    const auto model = messageRowModel(message, bundled.appearance, bundled.copy, context("en"));
    EXPECT_TRUE(model.body->font.bundledFamily);
    EXPECT_DOUBLE_EQ(model.body->font.pointSize, base * 0.875);
    // size × 1.5 − line height (1.25 × size here), not clamped.
    EXPECT_DOUBLE_EQ(model.body->lineSpacing, base * 0.875 * 0.25);
    // size × 1.2 − line height is negative here: clamped to 0.
    EXPECT_DOUBLE_EQ(model.authorTag->lineSpacing, 0);

    // Another family: the system caption and body sizes, spacings still from the design size.
    const auto system = fixtures::experience("en", VelmoraWidgetColorMode::system, "Inter");
    auto ctx = context("en");
    ctx.fontLineHeight = [](const VelmoraFontSpec& spec) { return spec.pointSize; };
    const auto other = messageRowModel(message, system.appearance, system.copy, ctx);
    EXPECT_FALSE(other.body->font.bundledFamily);
    EXPECT_DOUBLE_EQ(other.body->font.pointSize, 17);
    EXPECT_DOUBLE_EQ(other.authorTag->font.pointSize, 12);
    EXPECT_DOUBLE_EQ(other.body->lineSpacing, base * 0.875 * 0.5);
    EXPECT_DOUBLE_EQ(other.authorTag->lineSpacing, base * 0.75 * 0.2);
}

TEST(MessageRowModelTest, AttachmentsShowDownloadLabelProgressOrTheInvalidText) {
    const auto experience = fixtures::experience("en");
    auto message = fixtures::message("m", "inbound", "teammate", "");
    message.attachments = std::vector<VelmoraAttachment>{
        {.id = "a1", .fileName = "invoice.pdf", .downloadUrl = "https://ok/a1"},
        {.id = "a2", .fileName = "refused.pdf", .downloadUrl = "https://bad/a2"},
        {.id = "a3", .fileName = "no-address.pdf"},
        {.id = "a4", .downloadUrl = "https://ok/a4"},
    };
    auto ctx = context("de");
    ctx.hasController = true;
    ctx.canDownload = [](const VelmoraAttachment& a) {
        return a.downloadUrl && a.downloadUrl->starts_with("https://ok/");
    };
    struct Expected {
        AttachmentContent content;
        std::string title;
        std::string identifier;
        std::string accessibleName;
        bool enabled;
    };
    const auto check = [&](const MessageRowModel& model, const std::vector<Expected>& expected) {
        ASSERT_EQ(model.attachments.size(), expected.size());
        for (std::size_t i = 0; i < expected.size(); ++i) {
            SCOPED_TRACE(i);
            const auto& item = model.attachments[i];
            EXPECT_EQ(item.content, expected[i].content);
            EXPECT_EQ(item.title, expected[i].title);
            EXPECT_EQ(item.identifier, expected[i].identifier);
            EXPECT_EQ(item.accessibleName, expected[i].accessibleName);
            EXPECT_EQ(item.enabled, expected[i].enabled);
            EXPECT_DOUBLE_EQ(item.minimumHeight, 44);
        }
    };
    const std::string id = "velmora.widget.message-attachment.";
    const std::string invalid = "Diese Datei kann nicht geladen werden";
    check(messageRowModel(message, experience.appearance, experience.copy, ctx),
          {{AttachmentContent::downloadButton, "invoice.pdf", id + "invoice.pdf", "invoice.pdf",
            true},
           {AttachmentContent::label, "This file can't be downloaded", id + "refused.pdf",
            "This file can't be downloaded", false},
           {AttachmentContent::label, "no-address.pdf", id + "no-address.pdf", "no-address.pdf",
            false},
           {AttachmentContent::downloadButton, "Anhang", id + "Anhang", "Anhang", true}});

    ctx.downloadingAttachmentId = "a1";
    auto model = messageRowModel(message, experience.appearance, experience.copy, ctx);
    EXPECT_EQ(model.attachments[0].content, AttachmentContent::downloadProgress);
    EXPECT_FALSE(model.attachments[0].enabled);
    EXPECT_EQ(model.attachments[3].content, AttachmentContent::downloadButton);
    EXPECT_FALSE(model.attachments[3].enabled); // every button of the row waits
    ctx.platform.reduceMotion = true;
    model = messageRowModel(message, experience.appearance, experience.copy, ctx);
    EXPECT_EQ(model.attachments[0].content, AttachmentContent::downloadWorkingText);
    EXPECT_EQ(model.attachments[0].title, "Working…");

    // Without a controller nothing downloads.
    ctx = context("en");
    model = messageRowModel(message, experience.appearance, experience.copy, ctx);
    EXPECT_EQ(model.attachments[0].content, AttachmentContent::label);
    EXPECT_EQ(model.attachments[0].title, "This file can't be downloaded");
    EXPECT_EQ(model.attachments[2].title, "no-address.pdf");
}

TEST(AttachmentExportFileNameTest, NamesNeverLeaveTheChosenFolder) {
    struct Case {
        std::optional<std::string> fileName;
        std::string expected;
    };
    const Case cases[] = {
        {"reports/2024/invoice.pdf", "invoice.pdf"},
        {"folder/name/", "name"},
        {"a\\b", "a_b"},
        {"/", "_"},
        {"///", "_"},
        {std::nullopt, "attachment"},
        {"", "attachment"},
        {".", "attachment"},
        {"..", "attachment"},
        {"x/..", "attachment"},
        {"../..", "attachment"},
        {"...", "..."},
        {"in\nvoice\t.pdf", "invoice.pdf"},
        {"\x01\x02", "attachment"},
        {"photo\u202Egnp.exe", "photognp.exe"}, // no hidden direction override
        {"r\xC3\xA9sum\xC3\xA9.pdf", "r\xC3\xA9sum\xC3\xA9.pdf"},
        {std::string(200, 'a'), std::string(180, 'a')},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.fileName.value_or("<none>"));
        EXPECT_EQ(attachmentExportFileName({.fileName = c.fileName}), c.expected);
    }
    // Cut by user-perceived characters: a family emoji is never split.
    std::string families;
    for (int i = 0; i < 181; ++i)
        families += "👩‍👩‍👧";
    const std::string cut = attachmentExportFileName({.fileName = families});
    EXPECT_EQ(cut.size(), families.size() / 181 * 180);
}

struct RowFixture {
    RowFixture() {
        message = fixtures::message("m9", "inbound", "teammate", "Files");
        message.attachments = std::vector<VelmoraAttachment>{
            {.id = "a1", .fileName = "docs/first.pdf", .downloadUrl = "https://x/a1"},
            {.id = "a2", .fileName = "second.txt", .downloadUrl = "https://x/a2"},
        };
    }
    std::unique_ptr<VelmoraWidgetMessageRow> makeRow() {
        const auto experience = fixtures::experience("en");
        auto row = std::make_unique<VelmoraWidgetMessageRow>(
            message, experience.appearance, experience.copy, service, "en", false,
            std::make_shared<VelmoraFixedPlatformSettings>(), exporter);
        row->resize(360, row->heightForWidth(360));
        return row;
    }
    QAbstractButton* button(QWidget& row, const char* name) {
        return row.findChild<QAbstractButton*>(QString("velmora.widget.message-attachment.") +
                                               name);
    }
    VelmoraMessage message;
    std::shared_ptr<ManualAttachments> service = std::make_shared<ManualAttachments>();
    std::shared_ptr<RecordingExporter> exporter = std::make_shared<RecordingExporter>();
};

TEST(MessageRowTest, EachExportCarriesItsOwnFileAndName) {
    RowFixture f;
    auto row = f.makeRow();
    ASSERT_NE(f.button(*row, "docs/first.pdf"), nullptr);
    f.button(*row, "docs/first.pdf")->click();
    testing::drainEvents();
    EXPECT_EQ(row->downloadingAttachmentId(), "a1");
    EXPECT_FALSE(f.button(*row, "second.txt")->isEnabled());
    f.service->finish(0, Data{'1'});
    testing::drainEvents();
    EXPECT_FALSE(row->downloadingAttachmentId());
    // The first export is still open when the second file arrives.
    f.button(*row, "second.txt")->click();
    testing::drainEvents();
    f.service->finish(1, Data{'2', '2'});
    ASSERT_EQ(f.exporter->exports.size(), 2u);
    EXPECT_EQ(f.exporter->exports[0].fileName, "first.pdf");
    EXPECT_EQ(f.exporter->exports[0].data, Data{'1'});
    EXPECT_EQ(f.exporter->exports[1].fileName, "second.txt");
    EXPECT_EQ(f.exporter->exports[1].data, (Data{'2', '2'}));
}

TEST(MessageRowTest, AFailedDownloadEndsTheProgressAndExportsNothing) {
    RowFixture f;
    auto row = f.makeRow();
    f.button(*row, "second.txt")->click();
    testing::drainEvents();
    f.service->finish(0, std::nullopt);
    testing::drainEvents();
    EXPECT_FALSE(row->downloadingAttachmentId());
    EXPECT_TRUE(f.button(*row, "second.txt")->isEnabled());
    EXPECT_TRUE(f.exporter->exports.empty());
}

TEST(MessageRowTest, ADownloadFinishingAfterItsRowIsGoneIsDropped) {
    RowFixture f;
    auto row = f.makeRow();
    f.button(*row, "docs/first.pdf")->click();
    row.reset();
    f.service->finish(0, Data{'1'});
    testing::drainEvents();
    EXPECT_TRUE(f.exporter->exports.empty());
}

/// Runs the event loop until the text has every line laid out and the row has taken its height.
void layOutEveryLine(const TextBlockView& view) {
    QElapsedTimer waited;
    waited.start();
    while (!view.block().complete() && waited.elapsed() < 60'000)
        QCoreApplication::processEvents();
    ASSERT_TRUE(view.block().complete());
    testing::drainEvents();
}

TEST(MessageRowTest, ALongMixedScriptMessageWrapsOnGraphemeBoundariesAndPaints) {
    const auto experience = fixtures::experience("en");
    for (const char* direction : {"outbound", "inbound"}) {
        SCOPED_TRACE(direction);
        const auto message =
            fixtures::message("long", direction, "customer", fixtures::mixedText(10000));
        VelmoraWidgetMessageRow row(message, experience.appearance, experience.copy, nullptr, "en",
                                    false, std::make_shared<VelmoraFixedPlatformSettings>());
        row.resize(320, row.heightForWidth(320));
        auto* body = row.findChild<TextBlockView*>();
        ASSERT_NE(body, nullptr);
        // Drawn once, the row lays out the rest of its lines on later turns.
        QImage image(row.size(), QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::white);
        row.render(&image);
        EXPECT_NE(image.pixelColor(row.bubbleRect().center()), QColor(Qt::white));
        layOutEveryLine(*body);
        const TextBlock& block = body->block();
        const auto lines = block.lineRanges();
        ASSERT_GT(lines.size(), 50u);
        const QString& text = block.displayedText();
        testing::expectLinesTileTextAtClusterBoundaries(lines, text);
        EXPECT_LE(row.bubbleRect().width(), 320);
        // The height is now that of every line.
        const double lineHeight = QFontMetricsF(block.font()).height();
        EXPECT_GE(body->heightForWidth(body->width()),
                  static_cast<int>(static_cast<double>(lines.size()) * lineHeight));
    }
}

TEST(MessageRowTest, AVeryLongUnbrokenMessageShowsInFullAndPaintsTheLinesInView) {
    // A pasted blob: words, then 200,000 characters with no break opportunity, then words.
    std::string blob(200'000, 'x');
    for (std::size_t i = 0; i < blob.size(); ++i)
        blob[i] = "Qm9zZTY0ZGF0YQ"[i % 14];
    const std::string text = "Here is the file: " + blob + " thanks";
    const auto experience = fixtures::experience("en");
    QScrollArea area;
    area.setWidgetResizable(true);
    area.setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    area.setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    area.resize(380, 500);
    auto* row = makeQtChild<VelmoraWidgetMessageRow>(
        fixtures::message("blob", "outbound", "customer", text), experience.appearance,
        experience.copy, nullptr, "en", false, std::make_shared<VelmoraFixedPlatformSettings>(),
        nullptr, nullptr, &area);
    area.setWidget(row);
    area.show();
    testing::drainEvents();
    auto* body = row->findChild<TextBlockView*>();
    ASSERT_NE(body, nullptr);
    // The first frame lays out what the window shows; the rest follows on later turns, and then
    // the row takes the height of every line.
    layOutEveryLine(*body);
    const int width = row->width();
    const int height = row->height();
    // Nothing is cut or elided: every character is laid out, and the row is as tall as them.
    EXPECT_EQ(body->accessibleName(), QString::fromStdString(text));
    const TextBlock& block = body->block();
    EXPECT_EQ(block.text(), QString::fromStdString(text));
    const auto lines = block.lineRanges();
    ASSERT_GT(lines.size(), 1000u);
    EXPECT_EQ(lines.back().first + lines.back().second, block.displayedText().size());
    EXPECT_GE(body->height(), static_cast<int>(lines.size()) * QFontMetrics(block.font()).height());
    EXPECT_EQ(row->heightForWidth(width), height);
    EXPECT_LE(row->bubbleRect().width(), width);

    // Measuring the row again at its width lays nothing out again.
    const int passes = block.layoutPasses();
    row->heightForWidth(width);
    row->sizeHint();
    EXPECT_EQ(body->block().layoutPasses(), passes);

    // Scrolled to its middle, the window shows lines of the text (only those are painted).
    area.verticalScrollBar()->setValue(area.verticalScrollBar()->maximum() / 2);
    testing::drainEvents();
    const QImage shot = area.screen()->grabWindow(area.winId()).toImage();
    ASSERT_FALSE(shot.isNull());
    const QColor bubble = shot.pixelColor(4, shot.height() / 2);
    int textPixels = 0;
    for (int y = 0; y < shot.height(); ++y)
        for (int x = 0; x < shot.width() / 2; ++x)
            textPixels += shot.pixelColor(x, y) != bubble;
    EXPECT_GT(textPixels, 2000);
}

TEST(MessageRowTest, AnEmptyMessageDrawsAnEmptyBubble) {
    const auto experience = fixtures::experience("en");
    const auto message = fixtures::message("e", "inbound", std::nullopt, "");
    VelmoraWidgetMessageRow row(message, experience.appearance, experience.copy, nullptr, "en",
                                false, nullptr);
    row.resize(300, row.heightForWidth(300));
    EXPECT_EQ(row.bubbleRect().size(),
              QSize(static_cast<int>(2 * experience.appearance.spacing.mdPx), 20));
    EXPECT_NE(row.findChild<QWidget*>("velmora.widget.message-bubble.e"), nullptr);
}

TEST(MessageRowTest, TheBubbleFollowsTheColourSchemeWhenItChanges) {
    const auto experience = fixtures::experience("en");
    auto settings = std::make_shared<VelmoraFixedPlatformSettings>();
    VelmoraWidgetMessageRow row(fixtures::message("c", "inbound", "ai", "Hi"),
                                experience.appearance, experience.copy, nullptr, "en", false,
                                settings);
    EXPECT_FALSE(row.model().dark);
    settings->set({.colorScheme = VelmoraColorScheme::dark});
    EXPECT_FALSE(row.model().dark); // redrawn on the next turn, not inside the notification
    testing::drainEvents();
    EXPECT_TRUE(row.model().dark);
}

TEST(MessageRowTest, TheControllerDecidesWhatDownloads) {
    // The scripted client accepts no address: every attachment is a plain label.
    VelmoraQtExecutionContext mainContext;
    auto controller = VelmoraWidgetController::create(
        mainContext.get_executor(), std::make_shared<testing::ScriptedWidgetClient>(), true,
        std::nullopt, std::nullopt, {}, {}, std::make_shared<VelmoraWidgetDraftStore>());
    RowFixture f;
    const auto experience = fixtures::experience("en");
    VelmoraWidgetMessageRow row(f.message, experience.appearance, experience.copy,
                                makeControllerAttachmentService(controller), "en", false, nullptr,
                                f.exporter);
    ASSERT_EQ(row.model().attachments.size(), 2u);
    for (const auto& item : row.model().attachments) {
        EXPECT_EQ(item.content, AttachmentContent::label);
        EXPECT_EQ(item.title, "This file can't be downloaded");
    }
    EXPECT_EQ(makeControllerAttachmentService(nullptr), nullptr);
}

} // namespace
} // namespace velmora
