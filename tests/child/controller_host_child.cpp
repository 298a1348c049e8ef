// A host with the widget open that dies with an unsent first message: it builds the client on
// JSON file stores and the widget's drafts file in the given directory, types a message and
// sends it; the test kills it (SIGKILL) while the service holds the request.
// Usage: velmora-controller-host-child ORIGIN STORE_DIR start|message [SESSION_ID TOKEN]
#include "velmora/client.hpp"
#include "velmora/json_file_stores.hpp"
#include "velmora/ui/widget_controller.hpp"

#include <boost/asio/executor_work_guard.hpp>
#include <boost/asio/io_context.hpp>
#include <boost/asio/use_future.hpp>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>

namespace asio = boost::asio;
using namespace velmora;

int main(int argc, char** argv) {
    if (argc < 4) {
        return 2;
    }
    const std::string origin = argv[1];
    const std::filesystem::path store = argv[2];
    const std::string mode = argv[3];
    if (mode == "message" && argc < 6) {
        return 2;
    }

    asio::io_context clientIo;
    auto work = asio::make_work_guard(clientIo);
    std::thread clientThread([&] { clientIo.run(); });

    VelmoraConfiguration configuration(
        origin, "local-demo", "account-a", "en", std::nullopt,
        []() -> asio::awaitable<std::string> { co_return "host-token"; }, 0.25);
    auto client = std::make_shared<VelmoraClient>(
        clientIo.get_executor(), std::move(configuration),
        std::make_shared<VelmoraJSONFileOutboxStore>(store / "outbox.json"),
        std::make_shared<VelmoraJSONPendingSessionStartStore>(store / "pending-sessions.json"),
        std::make_shared<VelmoraJSONSessionStore>(store / "sessions.json"),
        std::make_shared<VelmoraJSONPendingAttachmentStore>(store / "pending-attachments.json"),
        std::make_shared<VelmoraJSONPendingAttachmentOperationStore>(
            store / "pending-attachment-operations.json"),
        std::make_shared<VelmoraURLSessionTransport>());
    try {
        if (mode == "message") {
            client->restoreSession(VelmoraSession{argv[4], std::nullopt, argv[5]}, asio::use_future)
                .get();
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }

    asio::io_context mainIo;
    auto controller = VelmoraWidgetController::create(
        mainIo.get_executor(), client, false, std::nullopt, std::nullopt, {}, {},
        std::make_shared<VelmoraWidgetDraftStore>(store / "widget-drafts.json"));
    controller->open();
    controller->updateDraft("A first message that must arrive once");
    controller->send();
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (controller->pendingFirstDraftText() && std::chrono::steady_clock::now() < deadline) {
        mainIo.run_one_for(std::chrono::milliseconds(50));
    }
    // Reaching here means the kill came too late; the test notices.
    std::printf("finished\n");
    std::fflush(stdout);
    controller->destroy();
    work.reset();
    clientIo.stop();
    clientThread.join();
    return 0;
}
