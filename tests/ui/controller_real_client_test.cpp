#include "controller/controller_test_access.hpp"
#include "controller_test_support.hpp"
#include "service_client.hpp"

#include "velmora/json_file_stores.hpp"
#include "velmora/stores.hpp"
#include "velmora/transport.hpp"
#include "widget_service.hpp"

#include <boost/asio/executor_work_guard.hpp>
#include <boost/asio/use_future.hpp>

#include <thread>

namespace velmora::testing {
namespace {

/// The real client against the local widget service, running on its own thread, with the
/// controller on an io_context the test drives.
class ControllerRealClientTest : public ::testing::Test {
protected:
    ControllerRealClientTest() : service(tools::WidgetService::Options{}) {
        service.start();
        clientThread = std::thread([this] { clientIo.run(); });
        client = makeClient("en");
    }
    ~ControllerRealClientTest() override {
        controller.reset();
        client.reset();
        clientWork.reset();
        clientThread.join();
        service.stop();
    }

    std::shared_ptr<VelmoraClient> makeClient(const std::string& locale) {
        return makeServiceClient(clientIo.get_executor(), service.origin(), "account-a", locale);
    }

    std::shared_ptr<VelmoraWidgetController>
    makeController(std::shared_ptr<VelmoraClient> c, std::shared_ptr<VelmoraWidgetDraftStore> s) {
        return VelmoraWidgetController::create(io.get_executor(), std::move(c), false, std::nullopt,
                                               std::nullopt, {}, {}, std::move(s));
    }

    tools::WidgetService service;
    asio::io_context clientIo;
    asio::executor_work_guard<asio::io_context::executor_type> clientWork{clientIo.get_executor()};
    std::thread clientThread;
    std::shared_ptr<VelmoraClient> client;
    asio::io_context io;
    std::shared_ptr<VelmoraWidgetController> controller;
};

TEST_F(ControllerRealClientTest, FollowsTheConversationThroughTheClientsEvents) {
    controller = makeController(client, std::make_shared<VelmoraWidgetDraftStore>());
    controller->open();
    runUntil(io, [&] {
        return client.use_count() > 0 &&
               detail::WidgetControllerTestAccess::hasEventSubscription(*controller);
    });

    // The conversation starts outside the widget; the widget follows it.
    VelmoraSessionStartInput input;
    input.message = "Hello from the host";
    auto started = client->startSession(input, asio::use_future);
    runUntil(io, [&] { return !controller->messages().empty(); });
    started.get();
    EXPECT_EQ(controller->messages().front().bodyText, "Hello from the host");
    EXPECT_EQ(controller->snapshot()->messages, controller->messages());
    EXPECT_FALSE(controller->error());

    // A client failure arrives as an error event and is shown.
    // (A message send: the widget's own loads, running beside the host, never post one.)
    service.failNext(503, "service_unavailable", std::nullopt,
                     tools::FaultScope{"POST", "/api/widget/v1/sessions/s_"});
    VelmoraMessageInput lost;
    lost.text = "Lost for now";
    auto failing = client->sendMessage(lost, asio::use_future);
    EXPECT_THROW(failing.get(), VelmoraError);
    runUntil(io, [&] { return controller->error().has_value(); });
    EXPECT_EQ(controller->error()->status(), 503);

    // A reset of the client clears the transcript.
    auto reset = client->resetSession(asio::use_future);
    runUntil(io, [&] { return controller->messages().empty(); });
    reset.get();
    EXPECT_FALSE(controller->snapshot());

    controller->close();
    drain(io);
    EXPECT_FALSE(detail::WidgetControllerTestAccess::hasEventSubscription(*controller));
}

TEST_F(ControllerRealClientTest, DraftsAreKeyedByTheRealClientsIdentity) {
    TemporaryDirectory directory;
    const auto file = directory.path() / "widget-drafts.json";
    controller = makeController(client, std::make_shared<VelmoraWidgetDraftStore>(file));
    controller->updateDraft("Unsent words");
    controller.reset();

    auto sameIdentity =
        makeController(makeClient("en"), std::make_shared<VelmoraWidgetDraftStore>(file));
    EXPECT_EQ(sameIdentity->draft(), "Unsent words");
    auto otherLocale =
        makeController(makeClient("de"), std::make_shared<VelmoraWidgetDraftStore>(file));
    EXPECT_EQ(otherLocale->draft(), "");
}

} // namespace
} // namespace velmora::testing
