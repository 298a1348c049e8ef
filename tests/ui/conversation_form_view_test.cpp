#include "views/conversation_form_view.hpp"
#include "views/form_date_field.hpp"
#include "views/form_multi_select.hpp"
#include "views/form_submission.hpp"

#include "fixtures.hpp"
#include "ui/controller_service_fixture.hpp"
#include "ui/ui_test_support.hpp"
#include "velmora/ui/conversation_form_json.hpp"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QTest>
#include <gtest/gtest.h>

namespace velmora {
namespace {

using namespace detail;

VelmoraConversationFormField field(std::string id, std::string type, bool required = false,
                                   std::vector<std::string> options = {},
                                   std::optional<JSONValue> value = std::nullopt,
                                   std::vector<JSONValue> conditions = {}) {
    VelmoraConversationFormField f;
    f.id = id;
    f.name = "Field " + id;
    f.type = std::move(type);
    f.options = std::move(options);
    f.required = required;
    f.conditions = std::move(conditions);
    f.value = std::move(value);
    return f;
}

VelmoraConversationForm form(std::vector<VelmoraConversationFormField> fields,
                             std::string status = "pending") {
    VelmoraConversationForm f;
    f.requestId = "fr_contact";
    f.name = "Contact details";
    f.submitLabel = "Send details";
    f.status = std::move(status);
    f.fields = std::move(fields);
    return f;
}

/// The controller's side of forms, scripted: what was sent, and a busy flag to raise.
class ScriptedForms final : public ConversationFormService {
public:
    bool isActionInFlight() const override { return busy; }
    VelmoraObservation observeActionInFlight(std::function<void()> changed) override {
        changed_ = std::move(changed);
        return {};
    }
    void submitForm(const VelmoraConversationForm&, JSONValue::Object values) override {
        sent.push_back(std::move(values));
    }
    void setBusy(bool value) {
        busy = value;
        if (changed_)
            changed_();
    }
    bool busy = false;
    std::vector<JSONValue::Object> sent;

private:
    std::function<void()> changed_;
};

struct FormHarness {
    explicit FormHarness(VelmoraConversationForm f,
                         std::shared_ptr<ConversationFormService> service = nullptr)
        : forms(std::make_shared<ScriptedForms>()),
          view(std::move(f), service ? std::move(service) : forms, experience.copy, "en", true,
               experience.appearance, std::make_shared<VelmoraFixedPlatformSettings>()) {
        view.resize(360, view.heightForWidth(360));
        view.show();
        testing::drainEvents();
    }
    template <class T> T* find(const std::string& name) {
        return view.findChild<T*>(QString::fromStdString(name));
    }
    QLineEdit* input(const std::string& id) {
        return find<QLineEdit>("velmora.widget.form.field." + id);
    }
    QAbstractButton* submit() { return find<QAbstractButton>("velmora.widget.form.submit"); }
    void type(const std::string& id, const QString& text) {
        QTest::keyClicks(input(id), text);
        testing::drainEvents();
    }
    void clickSubmit() {
        submit()->click();
        testing::drainEvents();
    }

    VelmoraWidgetExperience experience = fixtures::experience("en");
    std::shared_ptr<ScriptedForms> forms;
    VelmoraConversationFormView view;
};

TEST(ConversationFormViewTest, RequiredAnswersGateTheButtonAndTheContractGatesSending) {
    JSONValue::Object showWhenRush{{"fieldId", "rush"}, {"operator", "equals"}, {"value", true}};
    FormHarness h(
        form({field("name", "text", true), field("qty", "number"), field("rush", "boolean"),
              field("reason", "text", true, {}, std::nullopt, {JSONValue(showWhenRush)})}));
    ASSERT_NE(h.submit(), nullptr);
    EXPECT_FALSE(h.submit()->isEnabled()) << "the required name is empty";
    // The required reason is hidden until rush is switched on, so it does not block.
    EXPECT_FALSE(h.input("reason")->parentWidget()->isVisibleTo(&h.view));
    h.type("name", "  Ada  ");
    EXPECT_TRUE(h.submit()->isEnabled());

    h.view.findChildren<QCheckBox*>().front()->click();
    testing::drainEvents();
    EXPECT_TRUE(h.input("reason")->parentWidget()->isVisibleTo(&h.view));
    EXPECT_FALSE(h.submit()->isEnabled()) << "the reason now shows and is required";
    h.view.findChildren<QCheckBox*>().front()->click();
    testing::drainEvents();
    EXPECT_EQ(h.view.answers().values.at("rush"), "false");
    EXPECT_TRUE(h.submit()->isEnabled());

    // Letters in a number field pass the required check; the contract refuses them.
    h.type("qty", "twelve");
    h.clickSubmit();
    EXPECT_TRUE(h.forms->sent.empty());
    auto* validation = h.find<QWidget>("velmora.widget.form.validation");
    ASSERT_NE(validation, nullptr);
    EXPECT_TRUE(validation->isVisibleTo(&h.view));
    // Editing does not clear the message; the next accepted attempt does.
    h.input("qty")->clear();
    h.type("qty", "12");
    EXPECT_TRUE(validation->isVisibleTo(&h.view));
    h.clickSubmit();
    ASSERT_EQ(h.forms->sent.size(), 1u);
    EXPECT_EQ(encodeJSON(JSONValue(h.forms->sent.front())),
              R"({"name":"Ada","qty":12,"rush":false})");
    EXPECT_FALSE(validation->isVisibleTo(&h.view));
}

TEST(ConversationFormViewTest, AChoiceIsNeverMadeForTheUser) {
    struct Case {
        const char* name;
        std::optional<JSONValue> prefilled;
        int shownIndex;
        std::string answer;
    };
    const Case cases[] = {
        {"unanswered", std::nullopt, -1, ""},
        {"answered", JSONValue("Pro"), 1, "Pro"},
        {"an answer that is no option", JSONValue("Gold"), -1, "Gold"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FormHarness h(form({field("plan", "select", true, {"Basic", "Pro"}, c.prefilled)}));
        auto* picker = h.find<QComboBox>("velmora.widget.form.field.plan");
        ASSERT_NE(picker, nullptr);
        EXPECT_EQ(picker->currentIndex(), c.shownIndex);
        EXPECT_EQ(h.view.answers().values.at("plan"), c.answer);
        EXPECT_EQ(h.submit()->isEnabled(), !c.answer.empty());
        // The user's pick is stored; nothing else is.
        picker->activated(0);
        testing::drainEvents();
        EXPECT_EQ(h.view.answers().values.at("plan"), "Basic");
        EXPECT_EQ(picker->currentIndex(), 0);
    }
}

TEST(ConversationFormViewTest, TextIsKeptExactlyAsTypedWithoutTheViewRewritingIt) {
    const std::string seeded = "a\u00A0b\u2028c";
    FormHarness h(
        form({field("note", "text", false, {}, JSONValue(seeded)), field("other", "text")}));
    testing::drainEvents();
    EXPECT_EQ(h.view.answers().values.at("note"), seeded) << "nothing was typed";
    h.type("other", QString::fromUtf8(" x\u00A0y "));
    EXPECT_EQ(h.view.answers().values.at("other"), " x\u00A0y ");
    EXPECT_EQ(h.view.answers().values.at("note"), seeded);
    const int redraws = h.view.redrawCount();
    testing::drainEvents();
    testing::drainEvents();
    EXPECT_EQ(h.view.redrawCount(), redraws) << "the view settles after an edit";
}

TEST(ConversationFormViewTest, MultiSelectSearchHidesRowsButKeepsChoices) {
    std::vector<std::string> eleven = {"cab", "ABC",  "dog", "eel",  "fox", "gnu",
                                       "hen", "ibis", "jay", "kiwi", "lynx"};
    std::vector<std::string> ten(eleven.begin(), eleven.begin() + 10);
    {
        FormHarness h(form({field("pets", "multi_select", true, ten)}));
        EXPECT_EQ(
            h.find<VelmoraFormMultiSelectView>("velmora.widget.form.field.pets")->searchField(),
            nullptr);
    }
    FormHarness h(form({field("pets", "multi_select", true, eleven)}));
    auto* editor = h.find<VelmoraFormMultiSelectView>("velmora.widget.form.field.pets");
    ASSERT_NE(editor->searchField(), nullptr);
    EXPECT_FALSE(h.submit()->isEnabled());
    editor->rows()[10]->click(); // lynx
    editor->rows()[2]->click();  // dog
    testing::drainEvents();
    QTest::keyClicks(editor->searchField(), "  Ab ");
    testing::drainEvents();
    std::vector<std::string> shown;
    for (auto* row : editor->rows())
        if (row->isVisibleTo(editor))
            shown.push_back(row->text().toStdString());
    EXPECT_EQ(shown, (std::vector<std::string>{"cab", "ABC"}));
    // "dog" and "lynx" are hidden by the search and stay chosen.
    EXPECT_EQ(editor->selection(), (std::set<std::string>{"dog", "lynx"}));
    h.clickSubmit();
    ASSERT_EQ(h.forms->sent.size(), 1u);
    // Sent in option order, a hidden choice included.
    EXPECT_EQ(encodeJSON(JSONValue(h.forms->sent.front())), R"({"pets":["dog","lynx"]})");
}

TEST(ConversationFormViewTest, TheDateEditorWritesTheFieldsAnswer) {
    FormHarness h(form({field("due", "date", true, {}, JSONValue("2024-02-10"))}));
    auto* day = h.find<QAbstractButton>("velmora.widget.form.date.due.2024-02-14");
    ASSERT_NE(day, nullptr);
    day->click();
    testing::drainEvents();
    EXPECT_EQ(h.view.answers().values.at("due"), "2024-02-14");
    h.clickSubmit();
    ASSERT_EQ(h.forms->sent.size(), 1u);
    EXPECT_EQ(encodeJSON(JSONValue(h.forms->sent.front())), R"({"due":"2024-02-14"})");
}

TEST(ConversationFormViewTest, BusyAndFinishedFormsOfferNoButton) {
    FormHarness pending(form({}));
    EXPECT_TRUE(pending.submit()->isEnabled()) << "a form without fields can be sent";
    pending.forms->setBusy(true); // another message's procedure action
    testing::drainEvents();
    EXPECT_FALSE(pending.submit()->isVisibleTo(&pending.view));
    EXPECT_TRUE(pending.find<QWidget>("velmora.widget.loading")->isVisibleTo(&pending.view));
    pending.forms->setBusy(false);
    testing::drainEvents();
    EXPECT_TRUE(pending.submit()->isVisibleTo(&pending.view));

    FormHarness submitted(form({field("name", "text")}, "submitted"));
    EXPECT_EQ(submitted.submit(), nullptr);
    EXPECT_EQ(submitted.input("name"), nullptr);
    EXPECT_NE(submitted.find<QWidget>("velmora.widget.form.submitted"), nullptr);
    FormHarness expired(form({field("name", "text")}, "cancelled"));
    EXPECT_EQ(expired.submit(), nullptr);
    EXPECT_EQ(expired.find<QWidget>("velmora.widget.form.submitted"), nullptr);
}

// The form filled in and sent through the widget controller to the local widget service.
class ConversationFormServiceTest : public testing::ControllerServiceFixture {
protected:
    std::shared_ptr<VelmoraWidgetController> openWithSession() {
        client = makeClient();
        VelmoraSessionStartInput opening;
        opening.message = "A conversation the host opened";
        sessionId = client->startSession(opening, boost::asio::use_future).get().sessionId;
        controller = makeController(client, std::make_shared<VelmoraWidgetDraftStore>());
        openAndSettle(*controller);
        testing::runUntil(io, [&] { return controller->snapshot().has_value(); });
        service.clearRequests();
        return controller;
    }
    std::string formPath() const {
        return "/api/widget/v1/sessions/" + sessionId + "/forms/fr_contact";
    }
    void fillAndSubmit(FormHarness& h) {
        h.type("email", "ada@example.com");
        h.find<QComboBox>("velmora.widget.form.field.plan")->activated(1);
        testing::drainEvents();
        h.clickSubmit();
    }
    void TearDown() override {
        if (controller)
            controller->destroy();
        testing::drain(io);
    }
    VelmoraConversationForm contactForm() {
        return form(
            {field("email", "email", true), field("plan", "select", true, {"Basic", "Pro"})});
    }

    std::shared_ptr<VelmoraClient> client;
    std::shared_ptr<VelmoraWidgetController> controller;
    std::string sessionId;
};

TEST_F(ConversationFormServiceTest, AFilledFormReachesTheServiceAndTheButtonWaitsForIt) {
    openWithSession();
    FormHarness h(contactForm(), makeControllerFormService(controller));
    fillAndSubmit(h);
    EXPECT_TRUE(controller->isActionInFlight());
    EXPECT_FALSE(h.submit()->isVisibleTo(&h.view)) << "the busy label takes its place";
    testing::runUntil(io, [&] { return !controller->isActionInFlight(); });
    testing::drainEvents();
    const auto sent = posts(formPath());
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent.front().bodyText(), R"({"values":{"email":"ada@example.com","plan":"Pro"}})");
    EXPECT_FALSE(controller->error());
    EXPECT_TRUE(h.submit()->isVisibleTo(&h.view));
    EXPECT_FALSE(h.view.validationFailed());
}

TEST_F(ConversationFormServiceTest, AFormTheServiceRefusesCanBeSentAgain) {
    openWithSession();
    service.failNext(422, std::string("field_invalid"), std::nullopt,
                     tools::FaultScope{"POST", formPath()});
    FormHarness h(contactForm(), makeControllerFormService(controller));
    fillAndSubmit(h);
    testing::runUntil(io, [&] { return !controller->isActionInFlight(); });
    testing::drainEvents();
    // The controller publishes the refusal; the form keeps its answers and its button.
    ASSERT_TRUE(controller->error());
    EXPECT_EQ(controller->error()->status(), 422);
    EXPECT_FALSE(h.view.validationFailed());
    EXPECT_EQ(h.view.answers().values.at("email"), "ada@example.com");
    ASSERT_TRUE(h.submit()->isVisibleTo(&h.view));
    EXPECT_TRUE(h.submit()->isEnabled());
    h.clickSubmit();
    testing::runUntil(io, [&] { return !controller->isActionInFlight(); });
    EXPECT_EQ(posts(formPath()).size(), 2u);
}

} // namespace
} // namespace velmora
