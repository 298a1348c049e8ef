// A host that is killed mid-request: it builds a client on JSON file stores in the given
// directory and sends one thing, and the test kills it (SIGKILL) while the service holds the
// request. In "accepted" mode it sends two messages and kills itself the moment the second is
// accepted. Usage: velmora_crash_child ORIGIN STORE_DIR start|message|accepted [SESSION_ID TOKEN]
#include "velmora/client.hpp"
#include "velmora/json_file_stores.hpp"

#include <boost/asio/io_context.hpp>
#include <boost/asio/use_future.hpp>

#include <csignal>
#include <cstdio>
#include <filesystem>
#include <string>

#include <unistd.h>

namespace asio = boost::asio;
using namespace velmora;

int main(int argc, char** argv) {
    if (argc < 4)
        return 2;
    const std::string origin = argv[1];
    const std::filesystem::path store = argv[2];
    const std::string mode = argv[3];

    asio::io_context io;
    VelmoraConfiguration configuration(
        origin, "local-demo", "crash-account", "en", std::nullopt,
        []() -> asio::awaitable<std::string> { co_return "crash-token"; }, 0.25);
    VelmoraClient client(
        io.get_executor(), std::move(configuration),
        std::make_shared<VelmoraJSONFileOutboxStore>(store / "outbox.json"),
        std::make_shared<VelmoraJSONPendingSessionStartStore>(store / "pending-sessions.json"),
        std::make_shared<VelmoraJSONSessionStore>(store / "sessions.json"),
        std::make_shared<VelmoraJSONPendingAttachmentStore>(store / "pending-attachments.json"),
        std::make_shared<VelmoraJSONPendingAttachmentOperationStore>(
            store / "pending-attachment-operations.json"),
        std::make_shared<VelmoraURLSessionTransport>());
    std::thread runner([&] {
        auto guard = asio::make_work_guard(io);
        io.run();
    });
    try {
        if (mode == "start") {
            client
                .startSession(VelmoraSessionStartInput{"Hello from a host that dies",
                                                       std::string("crash-start-key-0001"),
                                                       {},
                                                       {},
                                                       {},
                                                       {},
                                                       {}},
                              asio::use_future)
                .get();
        } else if (mode == "message" && argc >= 6) {
            client.restoreSession(VelmoraSession{argv[4], std::nullopt, argv[5]}, asio::use_future)
                .get();
            client
                .sendMessage(VelmoraMessageInput{"A message that must arrive once",
                                                 std::string("crash-message-key-01"),
                                                 {},
                                                 {},
                                                 {},
                                                 {}},
                             asio::use_future)
                .get();
        } else if (mode == "accepted" && argc >= 6) {
            client.restoreSession(VelmoraSession{argv[4], std::nullopt, argv[5]}, asio::use_future)
                .get();
            for (const char* key : {"crash-accepted-key-1", "crash-accepted-key-2"}) {
                client
                    .sendMessage(
                        VelmoraMessageInput{std::string("Accepted before the crash: ") + key,
                                            std::string(key),
                                            {},
                                            {},
                                            {},
                                            {}},
                        asio::use_future)
                    .get();
            }
            ::kill(::getpid(), SIGKILL);
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
    }
    // Reaching here means the kill came too late; the test notices.
    std::printf("finished\n");
    std::fflush(stdout);
    io.stop();
    runner.join();
    return 0;
}
