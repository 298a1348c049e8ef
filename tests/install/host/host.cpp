// A host program built against an installed Velmora: every public header through the umbrella
// header, a validated configuration, a refused one and a client on an executor.
#include <velmora/velmora.hpp>

#include <boost/asio/awaitable.hpp>
#include <boost/asio/io_context.hpp>

#include <iostream>
#include <memory>
#include <string>

namespace {

velmora::VelmoraConfiguration configuration(std::string origin) {
    return velmora::VelmoraConfiguration(
        std::move(origin), "host-integration", "host-account", "en", std::nullopt,
        []() -> boost::asio::awaitable<std::string> { co_return "token"; }, 2);
}

} // namespace

int main() {
    try {
        configuration("ftp://support.example.com");
        std::cout << "accepted an ftp origin\n";
        return 1;
    } catch (const velmora::VelmoraError& error) {
        std::cout << "refused: " << velmora::rawValue(error.code()) << "\n";
    }
    boost::asio::io_context io;
    velmora::VelmoraClient client(
        io.get_executor(), configuration("https://support.example.com"),
        std::make_shared<velmora::VelmoraJSONFileOutboxStore>("outbox.json"),
        std::make_shared<velmora::VelmoraJSONPendingSessionStartStore>("starts.json"),
        std::make_shared<velmora::VelmoraJSONSessionStore>("sessions.json"),
        std::make_shared<velmora::VelmoraJSONPendingAttachmentStore>("attachments.json"),
        std::make_shared<velmora::VelmoraJSONPendingAttachmentOperationStore>("operations.json"),
        std::make_shared<velmora::VelmoraURLSessionTransport>());
    std::cout << "client for " << client.configuration().apiOrigin() << "\n";
    return 0;
}
