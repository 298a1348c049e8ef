#pragma once

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

/// The real client against the local widget service, the client on its own thread and the
/// controller on an io_context the test drives.
class ControllerServiceFixture : public ::testing::Test {
protected:
    explicit ControllerServiceFixture(tools::WidgetService::Options options = {})
        : service(std::move(options)) {
        service.start();
        clientThread = std::thread([this] { clientIo.run(); });
    }
    ~ControllerServiceFixture() override {
        clientWork.reset();
        clientThread.join();
        service.stop();
    }

    /// A client on memory stores, or on the JSON files in `storeDirectory` (the names a host
    /// uses by default).
    std::shared_ptr<VelmoraClient>
    makeClient(std::optional<std::filesystem::path> storeDirectory = std::nullopt) {
        if (!storeDirectory) {
            return makeServiceClient(clientIo.get_executor(), service.origin());
        }
        VelmoraConfiguration configuration(
            service.origin(), "local-demo", "account-a", "en", std::nullopt,
            []() -> asio::awaitable<std::string> { co_return "host-token"; }, 0.25);
        const auto& dir = *storeDirectory;
        return std::make_shared<VelmoraClient>(
            clientIo.get_executor(), std::move(configuration),
            std::make_shared<VelmoraJSONFileOutboxStore>(dir / "outbox.json"),
            std::make_shared<VelmoraJSONPendingSessionStartStore>(dir / "pending-sessions.json"),
            std::make_shared<VelmoraJSONSessionStore>(dir / "sessions.json"),
            std::make_shared<VelmoraJSONPendingAttachmentStore>(dir / "pending-attachments.json"),
            std::make_shared<VelmoraJSONPendingAttachmentOperationStore>(
                dir / "pending-attachment-operations.json"),
            std::make_shared<VelmoraURLSessionTransport>());
    }

    std::shared_ptr<VelmoraWidgetController>
    makeController(std::shared_ptr<VelmoraClient> client,
                   std::shared_ptr<VelmoraWidgetDraftStore> store) {
        return VelmoraWidgetController::create(io.get_executor(), std::move(client), false,
                                               std::nullopt, std::nullopt, {}, {},
                                               std::move(store));
    }

    /// Opens the widget and waits until its configuration is loaded.
    void openAndSettle(VelmoraWidgetController& controller) {
        controller.open();
        runUntil(io, [&] {
            return controller.navigationReady() && !controller.isLoadingConfiguration();
        });
    }

    /// Waits until the send or retry has finished.
    void settleMutation(VelmoraWidgetController& controller) {
        runUntil(io, [&] { return !controller.mutationInFlight(); });
    }

    /// The customer messages with `text` that the service holds in the client's session.
    int heldByService(VelmoraClient& client, const std::string& text) {
        auto future = client.refresh(asio::use_future);
        while (future.wait_for(std::chrono::milliseconds(0)) != std::future_status::ready) {
            io.restart();
            io.run_one_for(std::chrono::milliseconds(10));
        }
        int count = 0;
        for (const auto& message : future.get().messages) {
            count += message.authorKind == "customer" && message.bodyText == text;
        }
        return count;
    }

    /// The recorded requests to exactly `path` (the fault scopes match by prefix).
    std::vector<tools::RecordedRequest> posts(const std::string& path) {
        std::vector<tools::RecordedRequest> exact;
        for (auto& request : service.requests("POST", path)) {
            if (request.path == path) {
                exact.push_back(std::move(request));
            }
        }
        return exact;
    }

    tools::WidgetService service;
    asio::io_context clientIo;
    asio::executor_work_guard<asio::io_context::executor_type> clientWork{clientIo.get_executor()};
    std::thread clientThread;
    asio::io_context io;
};

} // namespace velmora::testing
