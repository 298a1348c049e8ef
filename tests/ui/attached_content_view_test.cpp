#include "views/commerce_message_view.hpp"
#include "views/conversation_form_view.hpp"
#include "views/form_submission.hpp"
#include "views/message_row.hpp"

#include "fixtures.hpp"
#include "ui/row_service_fakes.hpp"
#include "ui/ui_test_support.hpp"

#include <QLineEdit>
#include <QTest>
#include <gtest/gtest.h>

namespace velmora {
namespace {

using namespace detail;
using velmora::testing::IdleForms;

const char* kForm =
    R"({"requestId":"fr_1","name":"Delivery","submitLabel":"Send","status":"pending",
  "fields":[{"id":"street","name":"Street","type":"text","required":true},
  {"id":"qty","name":"Parcels","type":"number","required":false}]})";
// "required" given as text makes the whole form unusable.
const char* kBrokenForm = R"({"requestId":"fr_1","name":"Delivery","submitLabel":"Send",
  "status":"pending","fields":[{"id":"street","name":"Street","type":"text","required":"true"}]})";
const char* kOrders =
    R"({"kind":"order_collection","collection":{"source":{"storeDisplayName":"Harbour Shop"},
  "orders":[{"reference":"o1","displayNumber":"#1001","createdAt":"2024-03-05T10:15:00Z",
  "total":{"amount":"12.50","currencyCode":"EUR"},"financialStatus":"paid"}]}})";
// A quantity far outside the 64-bit range only drops its line; a detail without an order number
// is no result at all.
const char* kBrokenCommerce = R"({"kind":"order_detail","detail":{"order":{"reference":"o1",
  "createdAt":"2024-03-05T10:15:00Z"},"lineItems":[{"reference":"l","title":"T","quantity":1e300}]}})";

struct RowHarness {
    RowHarness(std::optional<const char*> formJSON, std::optional<const char*> commerceJSON,
               bool withForms)
        : message(fixtures::message("m1", "inbound", "ai", "Here is what I found.")) {
        if (formJSON)
            message.conversationForm = decodeJSON<JSONValue>(*formJSON);
        if (commerceJSON)
            message.commerceResult = decodeJSON<JSONValue>(*commerceJSON);
        row = std::make_unique<VelmoraWidgetMessageRow>(
            message, experience.appearance, experience.copy, nullptr, "en", false, settings,
            nullptr, withForms ? std::make_shared<IdleForms>() : nullptr);
        row->resize(360, row->heightForWidth(360));
        testing::drainEvents();
    }
    VelmoraWidgetExperience experience = fixtures::experience("en");
    std::shared_ptr<VelmoraFixedPlatformSettings> settings =
        std::make_shared<VelmoraFixedPlatformSettings>();
    VelmoraMessage message;
    std::unique_ptr<VelmoraWidgetMessageRow> row;
};

TEST(MessageRowAttachedContentTest, AtMostOneContentAndBrokenPayloadsNeverBreakTheRow) {
    using K = AttachedContentKind;
    struct Case {
        const char* name;
        std::optional<const char*> form;
        std::optional<const char*> commerce;
        bool withForms;
        K kind;
        const char* shownClass; // null: nothing drawn
    };
    const Case cases[] = {
        {"form wins over commerce", kForm, kOrders, true, K::form,
         "velmora::detail::VelmoraConversationFormView"},
        {"no controller: the commerce result", kForm, kOrders, false, K::commerce,
         "velmora::detail::VelmoraCommerceMessageView"},
        {"broken form: the note", kBrokenForm, std::nullopt, true, K::chatOnlyNote, "QWidget"},
        {"no controller, no commerce: the note", kForm, std::nullopt, false, K::chatOnlyNote,
         "QWidget"},
        {"broken form, commerce shown", kBrokenForm, kOrders, true, K::commerce,
         "velmora::detail::VelmoraCommerceMessageView"},
        {"broken commerce draws nothing", std::nullopt, kBrokenCommerce, true, K::commerce,
         nullptr},
        {"a form JSON that is a string", "\"form\"", std::nullopt, true, K::chatOnlyNote,
         "QWidget"},
        {"neither", std::nullopt, std::nullopt, true, K::none, nullptr},
    };
    const RowHarness plain(std::nullopt, std::nullopt, true);
    const int plainHeight = plain.row->heightForWidth(360);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        RowHarness h(c.form, c.commerce, c.withForms);
        EXPECT_EQ(h.row->attachedContentKind(), c.kind);
        QWidget* shown = h.row->attachedContentView();
        if (!c.shownClass) {
            EXPECT_EQ(shown, nullptr);
            EXPECT_EQ(h.row->heightForWidth(360), plainHeight) << "no room taken";
            continue;
        }
        ASSERT_NE(shown, nullptr);
        EXPECT_STREQ(shown->metaObject()->className(), c.shownClass);
        EXPECT_TRUE(shown->isVisibleTo(h.row.get()));
        EXPECT_GT(h.row->heightForWidth(360), plainHeight + shown->height() / 2);
        if (c.kind == K::chatOnlyNote)
            EXPECT_EQ(shown->accessibleName().toStdString(),
                      h.experience.copy.values().at("status.chatOnly"));
    }
}

TEST(MessageRowAttachedContentTest, AFormKeepsItsAnswersWhenTheRowRedrawsAndTheRowGrowsWithIt) {
    RowHarness h(kForm, std::nullopt, true);
    auto* form = h.row->findChild<VelmoraConversationFormView*>();
    ASSERT_NE(form, nullptr);
    QTest::keyClicks(h.row->findChild<QLineEdit*>("velmora.widget.form.field.street"), "Quay 4");
    testing::drainEvents();
    // A change of the platform's settings redraws the whole row.
    h.settings->set({.colorScheme = VelmoraColorScheme::dark});
    testing::drainEvents();
    form = h.row->findChild<VelmoraConversationFormView*>();
    ASSERT_NE(form, nullptr);
    EXPECT_EQ(form->answers().values.at("street"), "Quay 4");
    EXPECT_EQ(h.row->findChild<QLineEdit*>("velmora.widget.form.field.street")->text(), "Quay 4");
    EXPECT_TRUE(form->model().dark);

    // A refused attempt adds the validation line: the row makes room for it.
    const int before = h.row->heightForWidth(360);
    QTest::keyClicks(h.row->findChild<QLineEdit*>("velmora.widget.form.field.qty"), "twelve");
    testing::drainEvents();
    form->submit();
    testing::drainEvents();
    ASSERT_TRUE(form->validationFailed());
    EXPECT_GT(h.row->heightForWidth(360), before);
    EXPECT_EQ(form->height(), form->heightForWidth(form->width())) << "the row placed it again";
}

TEST(CommerceMessageViewTest, AnOrderListShowsItsLinesAndABrokenResultNothing) {
    const auto experience = fixtures::experience("en");
    CommerceTextContext context{.locale = "en",
                                .copy = experience.copy,
                                .primary = {},
                                .textScale = 1,
                                .timeZoneId = std::string("UTC")};
    VelmoraCommerceMessageView orders(decodeJSON<JSONValue>(kOrders), context);
    const auto texts = orders.texts();
    EXPECT_NE(std::find(texts.begin(), texts.end(), "Harbour Shop"), texts.end());
    EXPECT_NE(std::find(texts.begin(), texts.end(), "#1001"), texts.end());
    EXPECT_NE(std::find(texts.begin(), texts.end(), "12.50 EUR"), texts.end());
    EXPECT_NE(std::find(texts.begin(), texts.end(), "Mar 5, 2024"), texts.end());
    EXPECT_GT(orders.heightForWidth(300), 0);

    VelmoraCommerceMessageView broken(decodeJSON<JSONValue>(kBrokenCommerce), context);
    EXPECT_TRUE(broken.texts().empty());
    EXPECT_EQ(broken.heightForWidth(300), 0);
    EXPECT_TRUE(broken.isHidden());
}

} // namespace
} // namespace velmora
