#include "controller_open_widget_fixture.hpp"

#include "detail/pattern.hpp"
#include "detail/time_zone.hpp"

namespace velmora::testing {
namespace {

using Controller = VelmoraWidgetController;

VelmoraConversationForm form(std::string requestId) {
    VelmoraConversationForm f;
    f.requestId = std::move(requestId);
    f.name = "Contact details";
    f.submitLabel = "Send";
    f.status = "pending";
    return f;
}

VelmoraProcedureCard card() {
    VelmoraProcedureCard c;
    c.procedureId = "book-visit";
    c.runId = "wr_1";
    c.runUpdatedAt = "2026-03-01T10:00:00Z";
    c.locale = "de";
    c.stepId = "pick-date";
    c.parameterId = "visitDate";
    return c;
}

class ControllerFormsTest : public OpenWidgetFixture {
protected:
    ControllerFormsTest() {
        client->onSubmitConversationForm =
            [this](std::string requestId,
                   JSONValue::Object values) -> asio::awaitable<VelmoraFormSubmission> {
            submitted.emplace_back(requestId, values);
            co_await actionGate.wait();
            if (formFailure) {
                std::rethrow_exception(formFailure);
            }
            co_return VelmoraFormSubmission{true, requestId, "submitted"};
        };
        client->onPerformProcedureAction = [this](VelmoraProcedureActionInput input)
            -> asio::awaitable<VelmoraProcedureActionResult> {
            inputs.push_back(input);
            co_await actionGate.wait();
            co_return VelmoraProcedureActionResult{true, "s-1"};
        };
        client->onRefresh = [this]() -> asio::awaitable<VelmoraSnapshot> {
            ++refreshes;
            if (refreshFailure) {
                std::rethrow_exception(refreshFailure);
            }
            co_return VelmoraSnapshot{};
        };
    }

    Gate actionGate;
    std::vector<std::pair<std::string, JSONValue::Object>> submitted;
    std::vector<VelmoraProcedureActionInput> inputs;
    int refreshes = 0;
    std::exception_ptr formFailure;
    std::exception_ptr refreshFailure;
};

TEST_F(ControllerFormsTest, EachOperationBuildsItsProcedureInput) {
    actionGate.open();
    const std::string device = detail::deviceTimeZoneIdentifier();
    VelmoraProcedureCard calendar = card();
    calendar.calendarMode = true;
    VelmoraProcedureCard withDates = calendar;
    withDates.dateAvailability = VelmoraProcedureDateAvailability{
        "2026-03", "2026-03-01", "2026-03-31", "2026-03-02", {"2026-03-04"}, "Pacific/Auckland", 3,
        7};
    VelmoraProcedureCard commerce = card();
    commerce.commerceProvider = "demo_store";

    struct Case {
        const char* name;
        std::function<void(Controller&)> run;
        std::optional<VelmoraProcedureActionInput> expected; // nothing: no request at all
    };
    const auto cardInput = [&](const VelmoraProcedureCard& c, std::string action, std::string value,
                               std::string zone) {
        VelmoraProcedureActionInput input;
        input.action = std::move(action);
        input.value = std::move(value);
        input.procedureId = c.procedureId;
        input.locale = c.locale;
        input.runId = c.runId;
        input.expectedUpdatedAt = c.runUpdatedAt;
        input.stepId = c.stepId;
        input.parameterId = c.parameterId;
        input.timeZone = std::move(zone);
        return input;
    };
    VelmoraProcedureActionInput commerceInput = cardInput(commerce, "confirm", "yes", device);
    commerceInput.nativeCommerceUi = true;
    VelmoraProcedureActionInput quick;
    quick.action = "start";
    quick.value = "start";
    quick.procedureId = "return-order";
    quick.timeZone = device;

    const Case cases[] = {
        {"card action", [&](Controller& c) { c.performProcedureAction(card(), "select", "a"); },
         cardInput(card(), "select", "a", device)},
        {"card action with dates uses their zone",
         [&](Controller& c) { c.performProcedureAction(withDates, "calendar_date", "2026-03-04"); },
         cardInput(withDates, "calendar_date", "2026-03-04", "Pacific/Auckland")},
        {"commerce card",
         [&](Controller& c) { c.performProcedureAction(commerce, "confirm", "yes"); },
         commerceInput},
        {"availability",
         [&](Controller& c) { c.requestProcedureAvailability(calendar, "2026-04"); },
         cardInput(calendar, "availability", "2026-04", device)},
        {"availability of month 13 goes as written",
         [&](Controller& c) { c.requestProcedureAvailability(withDates, "2026-13"); },
         cardInput(withDates, "availability", "2026-13", "Pacific/Auckland")},
        {"availability never sends the commerce flag",
         [&](Controller& c) {
             auto both = commerce;
             both.calendarMode = true;
             c.requestProcedureAvailability(both, "2026-04");
         },
         [&] {
             auto both = commerce;
             both.calendarMode = true;
             return cardInput(both, "availability", "2026-04", device);
         }()},
        {"availability with a one-digit month",
         [&](Controller& c) { c.requestProcedureAvailability(calendar, "2026-4"); }, std::nullopt},
        {"availability with a day",
         [&](Controller& c) { c.requestProcedureAvailability(calendar, "2026-04-01"); },
         std::nullopt},
        {"availability with non-ASCII digits",
         [&](Controller& c) { c.requestProcedureAvailability(calendar, "٢٠٢٦-04"); }, std::nullopt},
        {"availability without calendar mode",
         [&](Controller& c) { c.requestProcedureAvailability(card(), "2026-04"); }, std::nullopt},
        {"quick action",
         [&](Controller& c) {
             c.performProcedureQuickAction({"return-order", "Return an order"});
         },
         quick},
    };
    const detail::Pattern key("^[0-9A-F]{32}$");
    auto controller = openController();
    std::set<std::string> keys;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        inputs.clear();
        c.run(*controller);
        drain(io);
        EXPECT_FALSE(controller->isActionInFlight());
        if (!c.expected) {
            EXPECT_TRUE(inputs.empty());
            continue;
        }
        ASSERT_EQ(inputs.size(), 1u);
        auto sent = inputs.front();
        EXPECT_TRUE(key.matches(sent.idempotencyKey)) << sent.idempotencyKey;
        EXPECT_TRUE(keys.insert(sent.idempotencyKey).second) << "a fresh key for every call";
        sent.idempotencyKey.clear();
        EXPECT_EQ(sent, *c.expected);
    }
    EXPECT_EQ(refreshes, 0) << "the client re-reads the conversation after a procedure action";
}

TEST_F(ControllerFormsTest, OneActionAtATimeAndOnlyWhileOpenInTheForeground) {
    auto controller = openController();
    controller->submitForm(form("fr_1"), {{"email", "a@example.com"}});
    EXPECT_TRUE(controller->isActionInFlight());
    controller->submitForm(form("fr_1"), {{"email", "a@example.com"}});
    controller->performProcedureAction(card(), "select", "a");
    controller->performProcedureQuickAction({"return-order", "Return"});
    drain(io);
    EXPECT_EQ(submitted.size(), 1u);
    EXPECT_TRUE(inputs.empty());
    actionGate.open();
    drain(io);
    EXPECT_FALSE(controller->isActionInFlight());
    EXPECT_EQ(refreshes, 1) << "a submission is followed by one refresh";
    EXPECT_EQ(submitted.front(),
              (std::pair<std::string, JSONValue::Object>{"fr_1", {{"email", "a@example.com"}}}));

    controller->background();
    controller->submitForm(form("fr_2"), {});
    controller->foreground();
    drain(io);
    controller->close();
    controller->performProcedureAction(card(), "select", "a");
    drain(io);
    EXPECT_EQ(submitted.size(), 1u);
    EXPECT_TRUE(inputs.empty());
}

TEST_F(ControllerFormsTest, FailuresArePublishedWithTheirOwnOrAFixedMessage) {
    actionGate.open();
    struct Case {
        const char* name;
        std::exception_ptr form, refresh;
        std::string message;
        VelmoraErrorCode code;
    };
    const Case cases[] = {
        {"service refusal",
         std::make_exception_ptr(velmoraError(VelmoraErrorCode::fieldInvalid,
                                              "Conversation form values are invalid.", 400)),
         nullptr, "Conversation form values are invalid.", VelmoraErrorCode::fieldInvalid},
        {"unexpected failure", std::make_exception_ptr(std::runtime_error("x")), nullptr,
         "Conversation form submission failed.", VelmoraErrorCode::network},
        {"refresh failure after success", nullptr, std::make_exception_ptr(std::runtime_error("x")),
         "Conversation form submission failed.", VelmoraErrorCode::network},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        formFailure = c.form;
        refreshFailure = c.refresh;
        auto controller = openController();
        controller->submitForm(form("fr_1"), {});
        drain(io);
        ASSERT_TRUE(controller->error());
        EXPECT_EQ(controller->error()->message(), c.message);
        EXPECT_EQ(controller->error()->code(), c.code);
        EXPECT_FALSE(controller->isActionInFlight());
        controller->destroy();
    }
    // A procedure's unexpected failure gets its own fixed message.
    formFailure = refreshFailure = nullptr;
    client->onPerformProcedureAction =
        [](VelmoraProcedureActionInput) -> asio::awaitable<VelmoraProcedureActionResult> {
        throw std::runtime_error("x");
        co_return VelmoraProcedureActionResult{};
    };
    auto controller = openController();
    controller->performProcedureAction(card(), "select", "a");
    drain(io);
    ASSERT_TRUE(controller->error());
    EXPECT_EQ(controller->error()->message(), "Procedure action failed.");
}

// Each kind of action gives up only its own part of `isActionInFlight`.

TEST_F(ControllerFormsTest, TheEndOfAHostActionLeavesARunningFormActionInFlight) {
    auto controller = openController();
    controller->setOnHostActionEvent([](const VelmoraEvent&) {});
    controller->submitForm(form("fr_1"), {});
    drain(io);
    controller->selectWorkflowOption(
        workflowOption("call", "host-action", std::nullopt, "open-orders"));
    const auto requestId = controller->activeHostActionRequestId();
    ASSERT_TRUE(requestId);
    controller->completeHostAction(
        {*requestId, "open-orders",
         VelmoraHostActionResult{true, VelmoraHostActionStatus::completed, std::nullopt,
                                 std::nullopt, std::nullopt}});
    EXPECT_TRUE(controller->isActionInFlight()) << "the form still runs";
    controller->submitForm(form("fr_1"), {});
    drain(io);
    EXPECT_EQ(submitted.size(), 1u) << "no double submit";
    actionGate.open();
    drain(io);
    EXPECT_FALSE(controller->isActionInFlight());
}

TEST_F(ControllerFormsTest, AnActionOutlivingASendStillReleasesItsFlag) {
    client->onStartSession =
        [](VelmoraSessionStartInput,
           std::vector<VelmoraAttachmentDraft>) -> asio::awaitable<VelmoraSession> {
        co_return VelmoraSession{"s-1", std::nullopt, "token"};
    };
    auto controller = openController();
    controller->submitForm(form("fr_1"), {});
    drain(io);
    controller->updateDraft("Hello there");
    controller->send(); // a new lifecycle generation while the form runs
    drain(io);
    actionGate.open();
    drain(io);
    EXPECT_FALSE(controller->isActionInFlight()) << "forms must not stay disabled";
    controller->submitForm(form("fr_2"), {});
    drain(io);
    EXPECT_EQ(submitted.size(), 2u);
}

TEST_F(ControllerFormsTest, ALateEndOfAClosedWidgetsActionLeavesTheNewOneAlone) {
    // The first submission ignores its cancellation and answers late, as a request that was
    // already on its way may.
    Gate late;
    int calls = 0;
    client->onSubmitConversationForm =
        [&](std::string requestId, JSONValue::Object) -> asio::awaitable<VelmoraFormSubmission> {
        ++calls;
        if (calls == 1) {
            co_await asio::this_coro::reset_cancellation_state(asio::disable_cancellation());
            co_await late.wait();
        } else {
            co_await actionGate.wait();
        }
        co_return VelmoraFormSubmission{true, requestId, "submitted"};
    };
    auto controller = openController();
    controller->submitForm(form("fr_1"), {});
    drain(io);
    controller->close();
    EXPECT_FALSE(controller->isActionInFlight());
    controller->open();
    drain(io);
    controller->submitForm(form("fr_1"), {});
    drain(io);
    EXPECT_TRUE(controller->isActionInFlight());
    late.open(); // the first one ends now
    drain(io);
    EXPECT_TRUE(controller->isActionInFlight()) << "the second submission still runs";
    controller->submitForm(form("fr_1"), {});
    drain(io);
    EXPECT_EQ(calls, 2) << "no double submit";
    actionGate.open();
    drain(io);
    EXPECT_FALSE(controller->isActionInFlight());
}

} // namespace
} // namespace velmora::testing
