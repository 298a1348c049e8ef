#pragma once

// A client over in-memory stores and a transport that answers at once, without any network: the
// session's messages with an empty conversation while the client resumes, then `answer` (status
// 200) to every request. Each input gets a client and an event loop of its own.

#include "velmora/client.hpp"
#include "velmora/stores.hpp"
#include "velmora/transport.hpp"

#include <boost/asio/associated_executor.hpp>
#include <boost/asio/co_spawn.hpp>
#include <boost/asio/execution.hpp>
#include <boost/asio/io_context.hpp>
#include <boost/asio/prefer.hpp>

#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>

namespace velmora::fuzz {

class AnsweringTransport final : public VelmoraHTTPTransport {
public:
    explicit AnsweringTransport(std::string answer) : answer_(std::move(answer)) {}

    /// From now on every request gets the fuzzer's answer.
    void resumed() { resumed_ = true; }

    void asyncSend(VelmoraHTTPRequest request, Handler handler) override {
        VelmoraHTTPResponse response;
        response.statusCode = 200;
        response.headers = {{"Content-Type", "application/json"}};
        const std::string_view body =
            resumed_ ? std::string_view(answer_)
                     : R"({"ok":true,"sessionId":"sess_fuzz","conversationId":"conv_fuzz",)"
                       R"("messages":[]})";
        (void)request;
        response.body.assign(body.begin(), body.end());
        // Never inline: the caller resumes from its own executor, as with a real transport.
        auto executor = boost::asio::prefer(boost::asio::get_associated_executor(handler),
                                            boost::asio::execution::blocking.never,
                                            boost::asio::execution::outstanding_work.tracked);
        executor.execute([handler = std::move(handler), response = std::move(response)]() mutable {
            std::move(handler)(nullptr, std::move(response));
        });
    }

private:
    std::string answer_;
    bool resumed_ = false;
};

struct OfflineClient {
    explicit OfflineClient(std::string answer)
        : transport(std::make_shared<AnsweringTransport>(std::move(answer))),
          sessions(std::make_shared<VelmoraMemorySessionStore>()),
          client(io.get_executor(),
                 VelmoraConfiguration(
                     "https://support.example.com", "fuzz-integration", "account-a", "en",
                     std::nullopt,
                     []() -> boost::asio::awaitable<std::string> { co_return "host-token"; }, 0.25),
                 std::make_shared<VelmoraMemoryOutbox>(),
                 std::make_shared<VelmoraMemoryPendingSessionStartStore>(), sessions,
                 std::make_shared<VelmoraMemoryPendingAttachmentStore>(),
                 std::make_shared<VelmoraMemoryPendingAttachmentOperationStore>(), transport) {}

    /// Runs `operation` on the loop until it and everything it started are done.
    template <class T> void run(boost::asio::awaitable<T> operation) {
        boost::asio::co_spawn(io, std::move(operation), [](std::exception_ptr failure, auto...) {
            if (failure) {
                std::rethrow_exception(failure);
            }
        });
        io.run();
        io.restart();
    }

    boost::asio::io_context io;
    std::shared_ptr<AnsweringTransport> transport;
    std::shared_ptr<VelmoraMemorySessionStore> sessions;
    VelmoraClient client;
};

} // namespace velmora::fuzz
