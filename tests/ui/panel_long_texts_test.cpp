// The panel over services a host does not control: a workspace name, questions, answers and
// workflow steps of 100,000 characters each stay inside their cards, the panel keeps the
// window's size and every screen is built; a design's base size holds with any font family.
#include "fixtures.hpp"
#include "platform/qt_child.hpp"
#include "service_client_fixture.hpp"
#include "ui/row_service_fakes.hpp"
#include "ui/ui_test_support.hpp"
#include "velmora/json_coding.hpp"
#include "velmora/ui/qt_main_executor.hpp"
#include "velmora/ui/widget_draft_store.hpp"
#include "velmora/ui/widget_view.hpp"
#include "views/bounded_text_view.hpp"
#include "views/commerce_message_view.hpp"
#include "views/conversation_form_view.hpp"
#include "views/form_submission.hpp"
#include "views/panel_header.hpp"
#include "views/procedure_view_context.hpp"
#include "widget_service.hpp"

#include <QAbstractButton>
#include <QCheckBox>
#include <QFontMetrics>
#include <QLabel>
#include <QScrollArea>
#include <QVBoxLayout>
#include <boost/json.hpp>
#include <gtest/gtest.h>

namespace velmora {
namespace {

using velmora::testing::IdleForms;

namespace json = boost::json;

constexpr int panelWidth = 380;
constexpr int panelHeight = 700;

/// About 100,000 characters: words, then one unbroken run (nothing to wrap at), then words.
std::string hostileText(const std::string& seed) {
    std::string text = seed + " ";
    while (text.size() < 40000)
        text += "overlong words from the service ";
    text += std::string(30000, 'W');
    while (text.size() < 100000)
        text += " and more";
    text.resize(100000); // the longest message text the content may carry
    return text;
}

/// The local service's English configuration and content with every text replaced.
tools::WidgetService::Options hostileTexts() {
    tools::WidgetService::Options options;
    auto config = json::parse(options.configurationBody).as_object();
    config["config"].as_object()["workspacePublicName"] = hostileText("Workspace");
    options.configurationBody = json::serialize(config);
    auto body = json::parse(options.contentBodies.at("en")).as_object();
    // As many as the client accepts in one answer (1 MiB).
    auto& messages = body["messages"].as_object();
    for (const char* key :
         {"faq.hours.title", "faq.hours.body", "faq.order.title", "workflow.track.title",
          "workflow.track.description", "workflow.track.prompt", "workflow.track.shipped"})
        messages[key] = hostileText(key);
    options.contentBodies["en"] = json::serialize(body);
    return options;
}

std::string repeated(const std::string& piece, int times) {
    std::string text;
    for (int i = 0; i < times; ++i)
        text += piece;
    return text;
}

TEST(BoundedTextTest, KeepsWholeCharactersAndMarksTheCut) {
    const QString ellipsis(QChar(0x2026));
    const std::string family = "\xF0\x9F\x91\xA8\xE2\x80\x8D\xF0\x9F\x91\xA9"; // one ZWJ cluster
    struct Case {
        std::string text;
        int limit;
        QString shown;
    };
    const Case cases[] = {
        {"", 3, ""},
        {"abc", 3, "abc"},
        {"abcd", 3, "abc" + ellipsis},
        {family + family + family, 2, QString::fromStdString(family + family) + ellipsis},
        {family + family, 2, QString::fromStdString(family + family)},
        {"e\xCC\x81"
         "e\xCC\x81",
         1, QString::fromUtf8("e\xCC\x81") + ellipsis},
        // Longer than the bytes looked at: the prefix is cut on a sequence boundary.
        {"x" + repeated("\xC3\xA9", 100), 2, QString::fromUtf8("x\xC3\xA9") + ellipsis},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text.substr(0, 40));
        EXPECT_EQ(detail::boundedText(std::string_view(c.text), c.limit), c.shown);
    }
    const std::string longText(1'000'000, 'y');
    EXPECT_EQ(detail::boundedText(std::string_view(longText), 5), "yyyyy" + ellipsis);
}

TEST(BoundedTextTest, AViewShowsAtMostItsLinesAndNamesTheWholeText) {
    detail::BoundedTextView view;
    const QString text = QString::fromStdString(hostileText("Title"));
    view.apply(text, QFont(), Qt::black, 3);
    EXPECT_EQ(view.accessibleName(), text);
    for (const int width : {40, 200, 380}) {
        SCOPED_TRACE(width);
        const auto lines = view.lines(width);
        ASSERT_EQ(lines.size(), 3);
        EXPECT_TRUE(lines.back().endsWith(QChar(0x2026)));
        EXPECT_LE(view.heightForWidth(width), 3 * QFontMetrics(QFont()).height() + 3);
    }
    EXPECT_EQ(view.minimumSizeHint().width(), 0);
    view.apply("Short\nand two lines", QFont(), Qt::black, 3);
    EXPECT_EQ(view.lines(380), (QStringList{"Short", "and two lines"}));
    view.apply("", QFont(), Qt::black, 3);
    EXPECT_EQ(view.heightForWidth(380), 0);
}

TEST(PanelHeaderViewTest, EveryLineOfTheTitleAndTheQuestionGetsItsHeight) {
    // "Wie können wir helfen?" fits the column but wraps at the question's 310 points.
    const auto experience = fixtures::experience("de");
    for (const auto screen : {VelmoraWidgetViewMode::home, VelmoraWidgetViewMode::help}) {
        SCOPED_TRACE(rawValue(screen));
        detail::PanelHeaderInputs inputs;
        inputs.screen = screen;
        inputs.workspacePublicName = "Kundendienst der Velmora Handelsgesellschaft mbH";
        auto model = detail::panelHeaderModel(inputs, detail::PanelContext{experience});
        model.subtitle =
            screen == VelmoraWidgetViewMode::home ? "Wie können wir helfen?" : model.subtitle;
        detail::PanelHeaderView header;
        header.apply(model, 1, true);
        header.resize(420, 10);
        header.show();
        testing::drainEvents();
        for (const char* name : {"velmora.widget.header.title", "velmora.widget.header.subtitle"}) {
            SCOPED_TRACE(name);
            auto* text = header.findChild<detail::BoundedTextView*>(name);
            ASSERT_TRUE(text);
            EXPECT_GE(text->height(), text->heightForWidth(text->width()));
            EXPECT_LE(text->geometry().right(), header.width());
        }
        EXPECT_GE(header.findChild<detail::BoundedTextView*>("velmora.widget.header.subtitle")
                      ->lines(310)
                      .size(),
                  screen == VelmoraWidgetViewMode::home ? 2 : 1);
    }
}

/// Built at the panel's width: no wider than offered, and only a bounded part of each text laid
/// out (a card in the transcript scrolls, so it may be taller than the panel, not without end).
void expectBounded(QWidget& view, const char* what) {
    SCOPED_TRACE(what);
    view.resize(panelWidth, view.heightForWidth(panelWidth));
    view.show();
    testing::drainEvents();
    EXPECT_LE(view.minimumSizeHint().width(), panelWidth);
    EXPECT_GT(view.heightForWidth(panelWidth), 0);
    EXPECT_LE(view.heightForWidth(panelWidth), 4 * panelHeight);
    EXPECT_LE(view.width(), panelWidth);
}

TEST(CardLongTextsTest, FormsProceduresAndCommerceResultsKeepThePanelsWidth) {
    const auto experience = fixtures::experience("en");
    VelmoraConversationForm form;
    form.requestId = "fr_long";
    form.name = hostileText("Form");
    form.submitLabel = hostileText("Send");
    form.status = "pending";
    for (const char* type : {"text", "boolean", "select", "multi_select"}) {
        VelmoraConversationFormField field;
        field.id = type;
        field.name = hostileText(type);
        field.type = type;
        if (field.type.find("select") != std::string::npos)
            field.options = {hostileText("first option"), hostileText("second option")};
        form.fields.push_back(std::move(field));
    }
    detail::VelmoraConversationFormView formView(form, std::make_shared<IdleForms>(),
                                                 experience.copy, "en", true, experience.appearance,
                                                 std::make_shared<VelmoraFixedPlatformSettings>());
    expectBounded(formView, "form");
    auto* toggle = formView.findChild<QCheckBox*>();
    ASSERT_TRUE(toggle);
    EXPECT_EQ(toggle->accessibleName(), QString::fromStdString(hostileText("boolean")));

    const std::string store = hostileText("Store");
    const std::string orders =
        R"({"kind":"order_collection","collection":{"source":{"storeDisplayName":")" + store +
        R"("},"orders":[{"reference":"o1","displayNumber":")" + hostileText("#") +
        R"(","createdAt":"2024-03-05T10:15:00Z","total":{"amount":"12.50","currencyCode":")" +
        hostileText("EUR") + R"("},"financialStatus":"paid"}]}})";
    detail::VelmoraCommerceMessageView commerce(decodeJSON<JSONValue>(orders),
                                                {.locale = "en",
                                                 .copy = experience.copy,
                                                 .primary = {},
                                                 .textScale = 1,
                                                 .timeZoneId = std::string("UTC")});
    ASSERT_FALSE(commerce.texts().empty());
    expectBounded(commerce, "commerce result");

    QWidget card;
    auto* text = detail::procedureText(hostileText("Procedure"), {}, {});
    text->setParent(&card);
    auto* column = detail::makeQtChild<QVBoxLayout>(&card);
    column->addWidget(text);
    expectBounded(card, "procedure text");
    EXPECT_EQ(text->accessibleName(), QString::fromStdString(hostileText("Procedure")));
}

class PanelLongTextsTest : public testing::ServicePanelFixture {
protected:
    explicit PanelLongTextsTest(tools::WidgetService::Options options = hostileTexts())
        : ServicePanelFixture(std::move(options)) {}

    /// The panel keeps the window's size, and `name` (a card, the header) lies inside it.
    void expectInside(const std::string& name) {
        SCOPED_TRACE(name);
        testing::drainEvents();
        EXPECT_EQ(view->size(), QSize(panelWidth, panelHeight));
        EXPECT_LE(view->minimumSizeHint().width(), panelWidth);
        EXPECT_LE(view->minimumSizeHint().height(), panelHeight);
        auto* widget = find(name);
        ASSERT_TRUE(widget);
        EXPECT_LE(widget->width(), panelWidth);
        EXPECT_LE(widget->minimumSizeHint().width(), panelWidth);
        // A card scrolls with its screen, so it may be taller than the panel, but only what is
        // shown of a text is laid out: a few screens at most, never the whole text.
        EXPECT_LE(widget->height(), 4 * panelHeight);
        // No screen scrolls sideways.
        for (auto* area : view->findChildren<QScrollArea*>())
            if (area->isVisible() && area->widget())
                EXPECT_LE(area->widget()->width(), area->viewport()->width());
    }
};

TEST_F(PanelLongTextsTest, EveryScreenStaysInsideThePanelAndNamesKeepTheWholeText) {
    view = std::make_unique<VelmoraWidgetView>(controller, fixtures::experience("en"),
                                               std::make_shared<VelmoraFixedPlatformSettings>());
    view->resize(panelWidth, panelHeight);
    view->show();
    controller->open();

    // Home: the help card lists the questions.
    ASSERT_TRUE(testing::processEventsUntil([&] {
        return find("velmora.widget.home.help-card") && controller->content().snapshot;
    })) << (controller->content().error ? controller->content().error->what() : "no error");
    expectInside("velmora.widget.home.help-card");
    expectInside("velmora.widget.header");

    // Help: the workspace name is the header's subtitle, a few lines of it.
    click("velmora.widget.tab.help");
    ASSERT_TRUE(testing::processEventsUntil(
        [&] { return controller->screen() == VelmoraWidgetViewMode::help; }));
    const std::string workspace = hostileText("Workspace");
    ASSERT_TRUE(testing::processEventsUntil([&] {
        auto* subtitle = find("velmora.widget.header.subtitle");
        return subtitle && subtitle->accessibleName() == QString::fromStdString(workspace);
    }));
    expectInside("velmora.widget.header");
    EXPECT_LE(find("velmora.widget.header")->height(), 200);

    // A question opened: its answer wraps inside the card.
    click("velmora.widget.help.faq.opening-hours.header");
    ASSERT_TRUE(testing::processEventsUntil(
        [&] { return find("velmora.widget.help.faq.opening-hours.answer"); }));
    expectInside("velmora.widget.help.faq.opening-hours");
    EXPECT_EQ(find("velmora.widget.help.faq.opening-hours.answer")->accessibleName(),
              QString::fromStdString(hostileText("faq.hours.body")));

    // A workflow started: its prompt and options stay inside the card.
    click("velmora.widget.help.workflow.track-order.header");
    ASSERT_TRUE(testing::processEventsUntil(
        [&] { return find("velmora.widget.help.workflow-option.shipped"); }));
    expectInside("velmora.widget.help.workflow.track-order");
    EXPECT_EQ(find("velmora.widget.help.workflow-option.shipped")->accessibleName(),
              QString::fromStdString(hostileText("workflow.track.shipped")));
}

/// The same panel over the service as the project ships it.
class PanelDesignTest : public PanelLongTextsTest {
protected:
    PanelDesignTest() : PanelLongTextsTest(tools::WidgetService::Options{}) {}
};

TEST_F(PanelDesignTest, TheComposerAndTheHomeQuestionKeepTheDesignsSizeWithAnyFamily) {
    for (const double base : {14.0, 20.0}) {
        SCOPED_TRACE(base);
        auto experience =
            fixtures::experience("en", VelmoraWidgetColorMode::system, "Inter, sans-serif");
        experience.appearance.typography.fontSizePx = base;
        view = std::make_unique<VelmoraWidgetView>(
            controller, experience, std::make_shared<VelmoraFixedPlatformSettings>());
        view->resize(panelWidth, panelHeight);
        view->show();
        controller->open();
        ASSERT_TRUE(testing::processEventsUntil([&] {
            auto* question = find("velmora.widget.header.subtitle");
            return question && controller->isInitialNavigationResolved() &&
                   controller->screen() == VelmoraWidgetViewMode::home;
        }));
        testing::drainEvents();
        // Design points are pixels: a QFont's points are three quarters of them.
        EXPECT_DOUBLE_EQ(find("velmora.widget.header.subtitle")->font().pointSizeF(),
                         0.75 * 1.75 * base);

        click("velmora.widget.tab.messages");
        QWidget* input = nullptr;
        ASSERT_TRUE(testing::processEventsUntil([&] {
            input = find("velmora.widget.message");
            return input && input->isVisible();
        }));
        EXPECT_DOUBLE_EQ(input->font().pointSizeF(), 0.75 * base);
        controller->setScreen(VelmoraWidgetViewMode::home);
        view.reset();
        testing::drainEvents();
    }
}

} // namespace
} // namespace velmora
