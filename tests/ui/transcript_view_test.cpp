// The transcript at scale: what the user did in a row survives every redraw of its message, only
// the rows near the viewport have widgets, and the reading position follows the reader.
#include "views/form_date_field.hpp"
#include "views/form_multi_select.hpp"
#include "views/form_submission.hpp"
#include "views/message_row.hpp"
#include "views/transcript.hpp"

#include "fixtures.hpp"
#include "ui/controller_test_support.hpp"
#include "ui/row_service_fakes.hpp"
#include "ui/ui_test_support.hpp"
#include "velmora/ui/qt_main_executor.hpp"
#include "velmora/ui/widget_view.hpp"

#include <QLineEdit>
#include <QScrollBar>
#include <QTest>
#include <gtest/gtest.h>

#include <cmath>
#include <set>

namespace velmora {
namespace {

using namespace detail;
using velmora::testing::IdleForms;
using velmora::testing::ManualAttachments;
using velmora::testing::RecordingExporter;

std::string deliveryForm(const char* updatedAt, const char* prefilledStreet) {
    std::string options;
    for (char c = 'a'; c <= 'k'; ++c)
        options += std::string(options.empty() ? "" : ",") + "\"Option " + c + "b\"";
    return std::string(R"({"requestId":"fr_1","name":"Delivery","submitLabel":"Send",)") +
           R"("status":"pending","updatedAt":")" + updatedAt + R"(","fields":[)" +
           R"({"id":"street","name":"Street","type":"text","required":true,"value":")" +
           prefilledStreet + R"("},)" +
           R"({"id":"day","name":"Day","type":"date","required":false,"value":"2026-03-10"},)" +
           R"({"id":"extras","name":"Extras","type":"multi_select","required":false,"options":[)" +
           options + "]}]}";
}

VelmoraMessage formMessage() {
    auto message = fixtures::message("m-form", "inbound", "ai", "Where should we deliver?");
    message.deliveryStatus = "sent";
    message.conversationForm = decodeJSON<JSONValue>(deliveryForm("2026-01-01T10:00:00Z", ""));
    message.attachments = std::vector<VelmoraAttachment>{
        {.id = "a1", .fileName = "label.pdf", .downloadUrl = "https://x/a1"}};
    return message;
}

std::vector<VelmoraMessage> conversation(std::size_t count, std::size_t from = 0) {
    std::vector<VelmoraMessage> messages;
    for (std::size_t i = from; i < from + count; ++i)
        messages.push_back(fixtures::message(
            "m" + std::to_string(i), i % 2 ? "inbound" : "outbound", i % 2 ? "ai" : "customer",
            "Message number " + std::to_string(i) +
                std::string(i % 7 == 0 ? " with a longer text that wraps onto "
                                         "more than one line of the bubble"
                                       : "")));
    return messages;
}

struct TranscriptHarness {
    VelmoraWidgetExperience experience = fixtures::experience("en");
    std::shared_ptr<VelmoraFixedPlatformSettings> settings =
        std::make_shared<VelmoraFixedPlatformSettings>();
    std::shared_ptr<ManualAttachments> attachments = std::make_shared<ManualAttachments>();
    std::shared_ptr<RecordingExporter> exporter = std::make_shared<RecordingExporter>();
    TranscriptView view{TranscriptRowServices{attachments, std::make_shared<IdleForms>(), exporter},
                        nullptr, experience, settings};
    std::optional<VelmoraWidgetAvailability> availability;
    std::optional<VelmoraSnapshot> snapshot;
    std::vector<VelmoraMessage> messages;
    VelmoraLoadingState loadingState = VelmoraLoadingState::idle;
    bool reduceMotion = false;

    TranscriptHarness() {
        view.resize(380, 600);
        view.show();
    }
    void apply() {
        const PanelContext context{experience};
        view.apply(TranscriptState{
            transcriptModel({messages, availability, false, loadingState, snapshot, false},
                            context),
            messages, std::nullopt, std::nullopt, snapshot, loadingState, reduceMotion, false, 1,
            context.font(12, VelmoraTextStyle::footnote), VelmoraColor{}, VelmoraColor{}});
        testing::drainEvents();
    }
    template <class T = QWidget> T* find(const std::string& name) {
        return view.findChild<T*>(QString::fromStdString(name));
    }
    int value() const { return view.verticalScrollBar()->value(); }
    int maximum() const { return view.verticalScrollBar()->maximum(); }
};

/// What the user did in the delivery form's row, as the row shows it now.
struct RowWork {
    std::string street;
    std::string month;
    std::string search;
    friend bool operator==(const RowWork&, const RowWork&) = default;
    friend void PrintTo(const RowWork& w, std::ostream* out) {
        *out << '"' << w.street << "\", month " << w.month << ", search \"" << w.search << '"';
    }
};

RowWork shownWork(TranscriptHarness& h) {
    RowWork work;
    if (auto* street = h.find<QLineEdit>("velmora.widget.form.field.street"))
        work.street = street->text().toStdString();
    if (auto* day = h.view.findChild<VelmoraFormDateFieldView*>())
        work.month = day->visibleMonth().iso();
    if (auto* extras = h.view.findChild<VelmoraFormMultiSelectView*>())
        work.search = extras->searchField() ? extras->searchField()->text().toStdString() : "-";
    return work;
}

void doWork(TranscriptHarness& h) {
    auto* street = h.find<QLineEdit>("velmora.widget.form.field.street");
    ASSERT_TRUE(street);
    street->setFocus();
    QTest::keyClicks(street, "12 Harbour Road");
    auto* day = h.view.findChild<VelmoraFormDateFieldView*>();
    ASSERT_TRUE(day);
    day->moveMonth(2); // March 2026 to May 2026
    auto* extras = h.view.findChild<VelmoraFormMultiSelectView*>();
    ASSERT_TRUE(extras && extras->searchField());
    QTest::keyClicks(extras->searchField(), "b");
    testing::drainEvents();
    auto* download = h.find<QAbstractButton>("velmora.widget.message-attachment.label.pdf");
    ASSERT_TRUE(download);
    download->click();
    testing::drainEvents();
    ASSERT_EQ(h.attachments->pending.size(), 1u);
}

TEST(TranscriptRowStateTest, WhatTheUserDidInARowSurvivesEveryRedrawOfItsMessage) {
    struct Case {
        const char* name;
        std::function<void(TranscriptHarness&)> change;
    };
    const Case cases[] = {
        {"delivered", [](TranscriptHarness& h) { h.messages[0].deliveryStatus = "delivered"; }},
        {"the form's own update with new prefilled values",
         [](TranscriptHarness& h) {
             h.messages[0].conversationForm =
                 decodeJSON<JSONValue>(deliveryForm("2026-01-01T10:05:00Z", "1 Old Street"));
         }},
        {"reduced motion turns on", [](TranscriptHarness& h) { h.reduceMotion = true; }},
        {"dark colour scheme",
         [](TranscriptHarness& h) { h.settings->set({.colorScheme = VelmoraColorScheme::dark}); }},
        {"larger text", [](TranscriptHarness& h) { h.settings->set({.textScale = 1.3}); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TranscriptHarness h;
        h.messages = {formMessage()};
        h.apply();
        doWork(h);
        const RowWork done{"12 Harbour Road", "2026-05-01", "b"};
        ASSERT_EQ(shownWork(h), done);

        c.change(h);
        h.apply();
        EXPECT_EQ(shownWork(h), done);

        // The download clicked before the change ends in the save offer, with its bytes.
        h.attachments->pending[0].second(Data{'p', 'd', 'f'});
        testing::drainEvents();
        EXPECT_EQ(h.exporter->exports.size(), 1u);
        if (h.exporter->exports.size() == 1) {
            EXPECT_EQ(h.exporter->exports[0].data, (Data{'p', 'd', 'f'}));
            EXPECT_EQ(h.exporter->exports[0].fileName, "label.pdf");
        }
    }
}

TEST(TranscriptRowStateTest, ARowScrolledAwayAndBackPicksUpWhereTheUserLeftIt) {
    TranscriptHarness h;
    h.messages = {formMessage()};
    for (auto& m : conversation(200))
        h.messages.push_back(std::move(m));
    h.apply();
    doWork(h);

    h.view.scrollToItem("m199");
    testing::drainEvents();
    EXPECT_EQ(h.view.itemWidget("m-form"), nullptr) << "no widget held off screen";
    EXPECT_FALSE(h.find("velmora.widget.form.field.street"));
    // The download ends while its row is away: the save offer still comes.
    h.attachments->pending[0].second(Data{'1'});
    testing::drainEvents();
    EXPECT_EQ(h.exporter->exports.size(), 1u);

    h.view.scrollToItem("m-form");
    testing::drainEvents();
    ASSERT_TRUE(h.view.itemWidget("m-form"));
    EXPECT_EQ(shownWork(h), (RowWork{"12 Harbour Road", "2026-05-01", "b"}));
    auto* download = h.find<QAbstractButton>("velmora.widget.message-attachment.label.pdf");
    ASSERT_TRUE(download);
    EXPECT_TRUE(download->isEnabled()) << "the finished download no longer shows as running";
}

TEST(TranscriptLazyRowsTest, OnlyRowsNearTheViewportHaveWidgetsAndOneMoreMessageBuildsOne) {
    TranscriptHarness h;
    h.messages = conversation(1000);
    h.apply();
    const int live = h.view.liveRowCount();
    EXPECT_GT(live, 0);
    EXPECT_LT(live, 60);
    EXPECT_EQ(h.view.rowBuilds(), live);
    EXPECT_EQ(h.view.keys().size(), 1000u);

    // The reader is at the top: a new message leaves them there and builds nothing.
    h.messages.push_back(fixtures::message("m1000", "inbound", "ai", "One more"));
    h.apply();
    EXPECT_EQ(h.value(), 0);
    EXPECT_EQ(h.view.rowBuilds(), live);
    EXPECT_FALSE(h.view.itemWidget("m1000"));

    // An edited message on screen is drawn again in the same row.
    QWidget* first = h.view.itemWidget("m1");
    ASSERT_TRUE(first);
    h.messages[1].bodyText = "Edited";
    h.apply();
    EXPECT_EQ(h.view.itemWidget("m1"), first);
    EXPECT_EQ(static_cast<VelmoraWidgetMessageRow*>(first)->message().bodyText, "Edited");

    // Built rows stack without overlapping, in order.
    std::optional<QRect> previous;
    for (const auto& m : h.messages) {
        QWidget* row = h.view.itemWidget(m.id);
        if (!row)
            continue;
        if (previous)
            ASSERT_GT(row->geometry().top(), previous->bottom()) << m.id;
        previous = row->geometry();
    }
}

TEST(TranscriptLazyRowsTest, TheNewestMessagesGoingAwayTakeOnlyTheirRows) {
    TranscriptHarness h;
    h.messages = conversation(4);
    // An id the service sent twice: its first row is the one found by that id.
    h.messages.push_back(h.messages[1]);
    h.messages.back().bodyText = "Sent twice";
    h.apply();
    QWidget* twice = h.view.itemWidget("m1");
    QWidget* third = h.view.itemWidget("m2");
    ASSERT_TRUE(twice && third);
    EXPECT_EQ(static_cast<VelmoraWidgetMessageRow*>(twice)->message().bodyText,
              h.messages[1].bodyText);
    const int builds = h.view.rowBuilds();

    h.messages.resize(3); // m3 and the second m1 go
    h.apply();
    EXPECT_EQ(h.view.keys(), (std::vector<std::string>{"m0", "m1", "m2"}));
    EXPECT_EQ(h.view.liveRowCount(), 3);
    EXPECT_EQ(h.view.itemWidget("m1"), twice);
    EXPECT_EQ(h.view.itemWidget("m2"), third);
    EXPECT_FALSE(h.view.itemWidget("m3"));
    EXPECT_FALSE(h.view.itemRect("m3"));
    EXPECT_EQ(h.view.rowBuilds(), builds);

    // A gone id that comes back is a new row.
    h.messages.push_back(fixtures::message("m3", "inbound", "ai", "Back again"));
    h.apply();
    auto* back = static_cast<VelmoraWidgetMessageRow*>(h.view.itemWidget("m3"));
    ASSERT_TRUE(back);
    EXPECT_EQ(back->message().bodyText, "Back again");
    EXPECT_EQ(h.view.rowBuilds(), builds + 1);
    EXPECT_EQ(h.view.itemRect("m3")->top(),
              h.view.itemRect("m2")->bottom() + 1 +
                  static_cast<int>(std::round(h.experience.appearance.spacing.smPx)));
}

TEST(TranscriptLazyRowsTest,
     NewMessagesKeepAReaderAtTheBottomThereAndOthersInPlaceButASendBringsThemDown) {
    TranscriptHarness h;
    h.reduceMotion = true; // the scroll jumps
    h.messages = {};
    h.apply();
    h.messages = conversation(300);
    h.apply();
    // Opening onto a conversation shows its newest message at the bottom edge.
    ASSERT_TRUE(h.view.itemWidget("m299"));
    EXPECT_EQ(h.view.itemWidget("m299")->geometry().bottom() + 1, h.view.viewport()->height());
    // The scroll bar that came with them narrowed the rows.
    const int padding = static_cast<int>(h.experience.appearance.spacing.lgPx);
    EXPECT_EQ(h.view.itemWidget("m299")->width(), h.view.viewport()->width() - 2 * padding);

    /// How the visitor sends a message from where they are before the replies arrive.
    enum class Send { none, throughTheSendingState, tooQuicklyToShowIt };
    struct Case {
        const char* name;
        bool atBottom;
        Send send;
    };
    const auto newestAtTheBottom = [&h] {
        QWidget* newest = h.view.itemWidget(h.messages.back().id);
        return newest && newest->geometry().bottom() + 1 == h.view.viewport()->height();
    };
    std::size_t next = 300;
    for (const auto& c :
         {Case{"at the bottom", true, Send::none}, Case{"reading higher up", false, Send::none},
          Case{"back at the bottom", true, Send::none},
          Case{"sending from higher up", false, Send::throughTheSendingState},
          Case{"a quick send from higher up", false, Send::tooQuicklyToShowIt}}) {
        SCOPED_TRACE(c.name);
        if (!c.atBottom)
            h.view.scrollToItem("m150");
        else
            h.view.verticalScrollBar()->setValue(h.maximum());
        testing::drainEvents();
        const auto readRect = h.view.itemRect("m150");
        if (c.send == Send::throughTheSendingState) {
            h.loadingState = VelmoraLoadingState::sendingMessage;
            h.apply();
            EXPECT_TRUE(newestAtTheBottom()) << "the send's start brings the reader down";
            h.loadingState = VelmoraLoadingState::waitingForAssistant;
        }
        if (c.send != Send::none) {
            h.messages.push_back(fixtures::message("m" + std::to_string(next++), "outbound",
                                                   "customer", "Sent while reading"));
            h.apply();
            h.loadingState = VelmoraLoadingState::idle;
        }
        for (int i = 0; i < 3; ++i) {
            h.messages.push_back(fixtures::message("m" + std::to_string(next++), "inbound", "ai",
                                                   "A reply that arrives while reading"));
            h.apply();
        }
        if (c.atBottom || c.send != Send::none) {
            EXPECT_TRUE(newestAtTheBottom());
        } else {
            EXPECT_EQ(h.view.itemRect("m150"), readRect) << "the row read stays put";
            EXPECT_FALSE(h.view.itemWidget(h.messages.back().id));
        }
    }
}

TEST(TranscriptLazyRowsTest, ScrollingAThousandMessagesFromFirstToLastBuildsEachOnTheWay) {
    TranscriptHarness h;
    h.messages = conversation(1000);
    h.apply();
    std::set<std::string> seen;
    int maxLive = 0;
    int steps = 0;
    while (true) {
        for (const auto& m : h.messages)
            if (QWidget* row = h.view.itemWidget(m.id);
                row && row->geometry().intersects(h.view.viewport()->rect()))
                seen.insert(m.id);
        maxLive = std::max(maxLive, h.view.liveRowCount());
        if (h.value() >= h.maximum() || ++steps > 5000)
            break;
        // A page at a time, as the page-down key does.
        QTest::keyClick(&h.view, Qt::Key_PageDown);
        testing::drainEvents();
    }
    EXPECT_EQ(h.value(), h.maximum());
    EXPECT_EQ(seen.size(), 1000u) << "every message shown on the way";
    EXPECT_TRUE(h.view.itemWidget("m999"));
    EXPECT_FALSE(h.view.itemWidget("m0"));
    EXPECT_LT(maxLive, 80) << "rows scrolled away are destroyed";
    // The last row sits at the bottom, fully inside the viewport.
    const QRect last = h.view.itemWidget("m999")->geometry();
    EXPECT_LE(last.bottom(), h.view.viewport()->height());
    EXPECT_GT(last.top(), 0);
}

TEST(TranscriptLazyRowsTest, TheTranscriptIsLabelledForAssistiveTechnology) {
    TranscriptHarness h;
    EXPECT_EQ(h.view.objectName(), "velmora.widget.screen");
    EXPECT_EQ(h.view.accessibleName().toStdString(), h.experience.copy.values().at("panel.title"));
}

/// The panel over a scripted client: the reduced-motion decision changes while the user types
/// in a form.
TEST(TranscriptPanelTest, TypedAnswersSurviveReducedMotionTurningOnThroughThePanel) {
    VelmoraQtExecutionContext qtContext;
    auto client = std::make_shared<testing::ScriptedWidgetClient>();
    auto controller = VelmoraWidgetController::create(
        qtContext.get_executor(), client, true, VelmoraWidgetNavigation{true, true}, std::nullopt,
        {}, {}, std::make_shared<VelmoraWidgetDraftStore>());
    controller->applyInitialNavigation(VelmoraWidgetViewMode::messages, std::nullopt);
    auto settings = std::make_shared<VelmoraFixedPlatformSettings>();
    {
        VelmoraWidgetView view(controller, fixtures::experience("en"), settings);
        view.resize(380, 800);
        view.show();
        controller->open();
        ASSERT_TRUE(testing::processEventsUntil([&] { return client->openSubscriptions() > 0; }));
        VelmoraSnapshot snapshot = testing::snapshotWithMessages(3);
        snapshot.messages.push_back(formMessage());
        client->emit(event::snapshot{snapshot});
        QLineEdit* street = nullptr;
        ASSERT_TRUE(testing::processEventsUntil([&] {
            street = view.findChild<QLineEdit*>("velmora.widget.form.field.street");
            return street != nullptr;
        }));
        street->setFocus();
        QTest::keyClicks(street, "12 Harbour Road");
        testing::drainEvents();
        ASSERT_FALSE(view.reduceMotion());

        settings->set({.reduceMotion = true});
        testing::drainEvents();
        ASSERT_TRUE(view.reduceMotion());
        street = view.findChild<QLineEdit*>("velmora.widget.form.field.street");
        ASSERT_TRUE(street);
        EXPECT_EQ(street->text(), "12 Harbour Road");
    }
    controller->destroy();
    testing::drainEvents();
}

} // namespace
} // namespace velmora
