#include "platform/qt_conversions.hpp"
#include "views/button_style_model.hpp"
#include "views/line_height_text.hpp"
#include "views/message_text_view.hpp"
#include "views/message_text_view_model.hpp"
#include "views/progress_label.hpp"
#include "views/styled_button.hpp"
#include "views/widget_icon.hpp"

#include "ui/ui_test_support.hpp"

#include <QAbstractTextDocumentLayout>
#include <QFontMetricsF>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>
#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace velmora {
namespace {

using namespace detail;

QFont bodyFont() {
    return toQFont({.bundledFamily = true, .pointSize = 14});
}

TEST(LineHeightTextTest, EveryLineIsExactlyTheLineHeightAndGlyphsSitCentred) {
    const QFont font = bodyFont();
    const double fontLine = QFontMetricsF(font).height();
    EXPECT_DOUBLE_EQ(lineHeightBaselineOffset(fontLine, fontLine), 0);
    EXPECT_DOUBLE_EQ(lineHeightBaselineOffset(30, 20), 5);
    EXPECT_DOUBLE_EQ(lineHeightBaselineOffset(16, 20), -2);

    LineHeightTextModel model{.text = "",
                              .lineHeight = 24,
                              .preferredMaxWidth = 200,
                              .accessibilityIdentifier = "velmora.widget.home-title"};
    VelmoraLineHeightText text(model, font);
    EXPECT_EQ(text.objectName(), "velmora.widget.home-title");
    EXPECT_EQ(text.heightForWidth(200), 0);
    EXPECT_EQ(text.accessibleName(), "");

    model.text = "A support conversation that needs several lines at this width, wrapped at "
                 "word boundaries";
    model.accessibilityIdentifier = "changed";
    text.apply(model, font);
    text.resize(200, text.heightForWidth(200));
    EXPECT_GT(text.lineCount(), 2);
    EXPECT_EQ(text.heightForWidth(200), text.lineCount() * 24);
    EXPECT_EQ(text.objectName(), "velmora.widget.home-title"); // set once, at creation
    EXPECT_EQ(text.accessibleName(), QString::fromStdString(model.text));
    // Wider than its preferred maximum, it still wraps there.
    EXPECT_EQ(text.heightForWidth(1000), text.heightForWidth(200));
}

TEST(ProgressLabelTest, ReducedMotionShowsTheTextOtherwiseASpinnerAndBothSpeakTheText) {
    for (const bool reduceMotion : {false, true}) {
        SCOPED_TRACE(reduceMotion);
        const auto model = progressLabelModel("Working…", reduceMotion, 1);
        EXPECT_EQ(model.showsText, reduceMotion);
        EXPECT_EQ(model.showsSpinner, !reduceMotion);
        EXPECT_EQ(model.accessibleName, "Working…");
        EXPECT_EQ(model.objectName, "velmora.widget.loading");
        EXPECT_DOUBLE_EQ(model.font.pointSize, 13); // footnote
        VelmoraProgressLabel label(model);
        EXPECT_EQ(label.accessibleName(), "Working…");
        EXPECT_EQ(label.spinnerShown(), !reduceMotion);
    }
}

TEST(WidgetIconTest, OutlinesScaleFromTheGridAndTheClipIsShared) {
    EXPECT_EQ(iconCommands(VelmoraWidgetIconKind::attachment),
              iconCommands(VelmoraWidgetIconKind::paperclip));
    const QPainterPath grid = iconPath(VelmoraWidgetIconKind::close, QRectF(0, 0, 24, 24));
    ASSERT_EQ(grid.elementCount(), 4);
    EXPECT_EQ(QPointF(grid.elementAt(0)), QPointF(6, 6));
    EXPECT_EQ(QPointF(grid.elementAt(3)), QPointF(6, 18));
    const QPainterPath half = iconPath(VelmoraWidgetIconKind::close, QRectF(0, 0, 12, 12));
    EXPECT_EQ(QPointF(half.elementAt(1)), QPointF(9, 9));
    const QPainterPath stretched = iconPath(VelmoraWidgetIconKind::close, QRectF(0, 0, 48, 24));
    EXPECT_EQ(QPointF(stretched.elementAt(1)), QPointF(36, 18));
    for (auto kind :
         {VelmoraWidgetIconKind::forward, VelmoraWidgetIconKind::help, VelmoraWidgetIconKind::home,
          VelmoraWidgetIconKind::messages, VelmoraWidgetIconKind::send}) {
        const QRectF bounds = iconPath(kind, QRectF(0, 0, 24, 24)).boundingRect();
        EXPECT_TRUE(QRectF(0, 0, 24, 24).contains(bounds)) << static_cast<int>(kind);
    }
}

TEST(ButtonStyleTest, EachStyleDrawsItsFillAndBorderAndOnlyPressingChangesIt) {
    const VelmoraColor text{1, 2, 3, 255}, fill{10, 20, 30, 255}, edge{40, 50, 60, 255},
        accent{200, 100, 0, 255};
    const VelmoraFontSpec font{
        .bundledFamily = true, .pointSize = 14, .weight = VelmoraFontWeight::medium};
    struct Case {
        const char* name;
        ButtonStyle style;
        VelmoraColor fill;
        VelmoraColor border;
    };
    const Case cases[] = {
        {"primary", PrimaryButtonStyle{font, text, fill, 8, 2}, fill, fill},
        {"secondary", SecondaryButtonStyle{font, text, fill, edge, 8, 2}, fill, edge},
        {"choice",
         ChoiceButtonStyle{font, text, accent, 8, 2},
         {200, 100, 0, 13},
         {200, 100, 0, 89}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        for (const bool pressed : {false, true}) {
            const ButtonLook look = buttonLook(c.style, pressed);
            EXPECT_EQ(look.fill, c.fill);
            EXPECT_EQ(look.border, c.border);
            EXPECT_EQ(look.foreground, text);
            EXPECT_EQ(look.font, font);
            EXPECT_DOUBLE_EQ(look.radius, 8);
            EXPECT_DOUBLE_EQ(look.borderWidth, 2);
            EXPECT_DOUBLE_EQ(look.opacity, pressed ? 0.82 : 1);
            EXPECT_DOUBLE_EQ(look.minimumHeight, 44);
            EXPECT_DOUBLE_EQ(look.horizontalPadding, 10);
        }
    }
}

TEST(ButtonStyleTest, TheButtonIsAtLeast44HighAndGrowsWithALongLabel) {
    const ButtonStyle style = SecondaryButtonStyle{{.bundledFamily = true, .pointSize = 14},
                                                   {0, 0, 0, 255},
                                                   {255, 255, 255, 255},
                                                   {0, 0, 0, 255},
                                                   8,
                                                   1};
    VelmoraStyledButton shortButton("OK", style);
    EXPECT_EQ(shortButton.heightForWidth(200), 44);
    VelmoraStyledButton longButton(QString("Choose another delivery window ").repeated(4), style);
    EXPECT_GT(longButton.heightForWidth(200), 44);
    EXPECT_EQ(longButton.accessibleName(), longButton.text());
    bool pressedLook = false;
    QObject::connect(&shortButton, &QAbstractButton::pressed,
                     [&] { pressedLook = shortButton.currentLook().opacity == 0.82; });
    shortButton.resize(200, 44);
    QTest::mousePress(&shortButton, Qt::LeftButton);
    EXPECT_TRUE(pressedLook);
    QTest::mouseRelease(&shortButton, Qt::LeftButton);
    EXPECT_DOUBLE_EQ(shortButton.currentLook().opacity, 1);
}

TEST(MessageTextViewTest, SizingClampsBetween36And120AndScrollsOnlyAbove) {
    using S = MessageTextViewSizing;
    struct Case {
        double fitting;
        double height;
        bool scrolls;
    };
    const Case cases[] = {{0, 36, false},      {20, 36, false},  {36, 36, false},
                          {36.5, 36.5, false}, {80, 80, false},  {120, 120, false},
                          {120.5, 120, true},  {1000, 120, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.fitting);
        EXPECT_DOUBLE_EQ(S::height(c.fitting), c.height);
        EXPECT_EQ(S::scrollEnabled(c.fitting), c.scrolls);
    }
    EXPECT_DOUBLE_EQ(S::measuringWidth(0), 320);
    EXPECT_DOUBLE_EQ(S::measuringWidth(250), 250);
    EXPECT_FALSE(S::needsRemeasure(300.5, 300));
    EXPECT_TRUE(S::needsRemeasure(300.6, 300));
    EXPECT_FALSE(S::needsRemeasure(0, 300));
}

TEST(MessageTextViewTest, GrowsWithItsTextThenScrollsAndShrinksBack) {
    std::vector<std::string> edits;
    VelmoraMessageTextView view({.placeholder = "Write a message",
                                 .textColor = {0, 0, 0, 255},
                                 .placeholderColor = {120, 120, 120, 255},
                                 .font = bodyFont()});
    view.onTextChanged = [&](const std::string& text) { edits.push_back(text); };
    view.resize(300, view.sizeHint().height());
    EXPECT_EQ(view.objectName(), "velmora.widget.message");
    EXPECT_EQ(view.accessibleName(), "Write a message");
    EXPECT_TRUE(view.placeholderShown());
    EXPECT_EQ(view.height(), 36);
    EXPECT_FALSE(view.scrollEnabled());

    std::vector<int> heights;
    std::string text = "line";
    for (int lines = 1; lines <= 10; ++lines) {
        view.setBoundText(text);
        heights.push_back(view.height());
        text += "\nline";
    }
    EXPECT_FALSE(view.placeholderShown());
    EXPECT_EQ(heights.front(), 36);
    EXPECT_EQ(heights.back(), 120);
    EXPECT_TRUE(view.scrollEnabled());
    for (std::size_t i = 1; i < heights.size(); ++i)
        EXPECT_GE(heights[i], heights[i - 1]);
    EXPECT_GT(heights[3], 36); // it grew before it reached the cap
    EXPECT_LT(heights[3], 120);

    view.setBoundText(""); // a sent message clears the draft from outside
    EXPECT_EQ(view.height(), 36);
    EXPECT_FALSE(view.scrollEnabled());
    EXPECT_TRUE(view.placeholderShown());
    EXPECT_EQ(edits.back(), "");
}

TEST(MessageTextViewTest, TheFittingHeightFollowsTheTextTheFontAndTheWidth) {
    VelmoraMessageTextView view({.placeholder = "Write", .font = bodyFont()});
    view.resize(300, 36);
    view.show(); // so resizes reach it at once
    // What a fresh document of the same text, font and width measures.
    const auto expected = [&view] {
        QTextDocument document;
        document.setDocumentMargin(0);
        document.setDefaultFont(view.document()->defaultFont());
        document.setPlainText(view.toPlainText());
        document.setTextWidth(view.viewport()->width());
        return std::ceil(document.size().height()) + 2 * MessageTextViewSizing::verticalInset;
    };
    view.setBoundText("one line");
    const double oneLine = view.fittingHeight();
    EXPECT_EQ(oneLine, expected());
    EXPECT_EQ(view.fittingHeight(), oneLine);
    view.setBoundText("one line\nand another");
    EXPECT_GT(view.fittingHeight(), oneLine);
    EXPECT_EQ(view.fittingHeight(), expected());
    QFont larger = bodyFont();
    larger.setPointSizeF(larger.pointSizeF() * 2);
    view.applyOptions({.placeholder = "Write", .font = larger});
    EXPECT_EQ(view.fittingHeight(), expected());
    const double wide = view.fittingHeight();
    view.resize(120, view.height());
    EXPECT_GT(view.fittingHeight(), wide);
    EXPECT_EQ(view.fittingHeight(), expected());
}

TEST(MessageTextViewTest, APastedRunWithoutBreaksWrapsAnywhereWhileOrdinaryTextWrapsAtWords) {
    VelmoraMessageTextView view({.placeholder = "Write", .font = bodyFont()});
    view.resize(300, 36);
    view.show();
    std::string blob(100'000, 'A');
    for (std::size_t i = 0; i < blob.size(); ++i)
        blob[i] = "Qm9zZTY0ZGF0YQ"[i % 14];
    const std::string words = "The quick brown fox jumps over the lazy dog again and again. ";
    const struct Case {
        const char* name;
        std::string text;
        bool anywhere;
        bool onlyWords;
    } cases[] = {
        {"words", words + words + words, false, true},
        {"a pasted blob among words", words + blob + " thanks", true, false},
        {"a long link", words + "https://example.com/" + std::string(900, 'x') + " " + words, false,
         false},
        {"the blob deleted again", words + words, false, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        view.setBoundText(c.text);
        EXPECT_EQ(view.boundText(), c.text);
        EXPECT_EQ(view.wordWrapMode(), c.anywhere ? QTextOption::WrapAnywhere
                                                  : QTextOption::WrapAtWordBoundaryOrAnywhere);
        view.document()->documentLayout()->documentSize();
        const QString text = view.document()->toPlainText();
        const double width = view.document()->textWidth();
        int lines = 0;
        int end = 0;
        for (QTextBlock block = view.document()->begin(); block.isValid(); block = block.next()) {
            const QTextLayout* layout = block.layout();
            for (int i = 0; i < layout->lineCount(); ++i, ++lines) {
                const QTextLine line = layout->lineAt(i);
                const int start = block.position() + line.textStart();
                ASSERT_EQ(start, end);
                ASSERT_LE(line.naturalTextWidth(), width);
                // Among words, a line starts after a space.
                if (c.onlyWords && start > 0)
                    ASSERT_EQ(text[start - 1], QLatin1Char(' ')) << "line " << lines;
                end = start + line.textLength();
            }
        }
        EXPECT_EQ(end, text.size());
        EXPECT_GT(lines, c.anywhere ? 1000 : 1);
    }
}

TEST(MessageTextViewTest, TypingReportsEditsAndTheSameTextKeepsTheCaret) {
    VelmoraMessageTextView view({.placeholder = "Write", .font = bodyFont()});
    std::string bound;
    view.onTextChanged = [&](const std::string& text) { bound = text; };
    view.resize(300, 36);
    QTest::keyClicks(&view, "Hi");
    EXPECT_EQ(bound, "Hi");
    EXPECT_FALSE(view.placeholderShown());
    QTextCursor cursor = view.textCursor();
    cursor.setPosition(1);
    view.setTextCursor(cursor);
    view.setBoundText("Hi");
    EXPECT_EQ(view.textCursor().position(), 1);
    QTest::keyClick(&view, Qt::Key_End);
    QTest::keyClick(&view, Qt::Key_Backspace);
    QTest::keyClick(&view, Qt::Key_Backspace);
    EXPECT_EQ(bound, "");
    EXPECT_TRUE(view.placeholderShown());

    VelmoraMessageTextView readOnly(
        {.placeholder = "Write", .font = bodyFont(), .editable = false});
    readOnly.setBoundText("fixed");
    QTest::keyClicks(&readOnly, "x");
    EXPECT_EQ(readOnly.boundText(), "fixed");
    EXPECT_TRUE(readOnly.textInteractionFlags() & Qt::TextSelectableByMouse);
}

} // namespace
} // namespace velmora
