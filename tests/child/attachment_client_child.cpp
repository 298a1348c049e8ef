// A client on JSON file stores, run as its own process so that tests can end it with SIGKILL at
// any point and start another on the same files.
//
//   velmora-attachment-client-child ORIGIN STORE_DIR send   starts a session, then sends a
//                                                           message with two files
//   velmora-attachment-client-child ORIGIN STORE_DIR retry  finishes what is stored
//
// Prints "accepted MESSAGE_ID" and exits 0 on success; prints the error and exits 1 otherwise.
#include "velmora/client.hpp"
#include "velmora/error.hpp"
#include "velmora/json_file_stores.hpp"

#include <boost/asio/executor_work_guard.hpp>
#include <boost/asio/io_context.hpp>
#include <boost/asio/use_future.hpp>

#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>

namespace asio = boost::asio;
using namespace velmora;

namespace {

VelmoraAttachmentDraft textFile(const std::string& id, const std::string& text) {
    return VelmoraAttachmentDraft(id, id + ".txt", "text/plain", "text",
                                  Data(text.begin(), text.end()));
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: %s ORIGIN STORE_DIR send|retry\n", argv[0]);
        return 2;
    }
    const std::string origin = argv[1];
    const std::filesystem::path dir = argv[2];
    const std::string mode = argv[3];

    asio::io_context io;
    auto work = asio::make_work_guard(io);
    std::thread runner([&] { io.run(); });
    int status = 1;
    try {
        VelmoraConfiguration configuration(
            origin, "local-demo", "account-a", mode == "send" ? "en" : "de",
            mode == "send" ? std::optional<std::string>("first-turnstile") : std::nullopt,
            []() -> asio::awaitable<std::string> { co_return "host-token"; }, 0.25);
        VelmoraClient client(
            io.get_executor(), std::move(configuration),
            std::make_shared<VelmoraJSONFileOutboxStore>(dir / "outbox.json"),
            std::make_shared<VelmoraJSONPendingSessionStartStore>(dir / "starts.json"),
            std::make_shared<VelmoraJSONSessionStore>(dir / "sessions.json"),
            std::make_shared<VelmoraJSONPendingAttachmentStore>(dir / "attachments.json"),
            std::make_shared<VelmoraJSONPendingAttachmentOperationStore>(dir / "operations.json"),
            std::make_shared<VelmoraURLSessionTransport>());
        VelmoraAcceptedMessage accepted;
        if (mode == "send") {
            client
                .startSession(VelmoraSessionStartInput{"Hello there", {}, {}, {}, {}, {}, {}},
                              asio::use_future)
                .get();
            accepted = client
                           .sendMessage(VelmoraMessageInput{"  Spaced text \n", {}, {}, {}, {}, {}},
                                        {textFile("one", "first file"), textFile("two", "second")},
                                        asio::use_future)
                           .get();
        } else {
            accepted = client.retryPendingAttachmentSend(asio::use_future).get();
        }
        std::printf("accepted %s\n", accepted.messageId.value_or("").c_str());
        status = 0;
    } catch (const VelmoraError& e) {
        std::printf("error %s %s\n", std::string(rawValue(e.code())).c_str(), e.what());
    } catch (const std::exception& e) {
        std::printf("error %s\n", e.what());
    }
    std::fflush(stdout);
    work.reset();
    runner.join();
    return status;
}
