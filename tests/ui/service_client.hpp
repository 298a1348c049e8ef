#pragma once

#include "velmora/client.hpp"
#include "velmora/stores.hpp"
#include "velmora/transport.hpp"

#include <boost/asio/any_io_executor.hpp>

#include <memory>
#include <string>

namespace velmora::testing {

/// The real client on memory stores, talking to the local widget service at `origin` as the
/// integration "local-demo" with the test host's token; `accountScope` keeps one test's
/// conversation apart from another's.
inline std::shared_ptr<VelmoraClient> makeServiceClient(boost::asio::any_io_executor executor,
                                                        std::string origin,
                                                        std::string accountScope = "account-a",
                                                        std::string locale = "en") {
    VelmoraConfiguration configuration(
        std::move(origin), "local-demo", std::move(accountScope), std::move(locale), std::nullopt,
        []() -> boost::asio::awaitable<std::string> { co_return "host-token"; }, 0.25);
    return std::make_shared<VelmoraClient>(
        std::move(executor), std::move(configuration), std::make_shared<VelmoraMemoryOutbox>(),
        std::make_shared<VelmoraMemoryPendingSessionStartStore>(),
        std::make_shared<VelmoraMemorySessionStore>(),
        std::make_shared<VelmoraMemoryPendingAttachmentStore>(),
        std::make_shared<VelmoraMemoryPendingAttachmentOperationStore>(),
        std::make_shared<VelmoraURLSessionTransport>());
}

} // namespace velmora::testing
