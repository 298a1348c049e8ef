#pragma once

#include "velmora/types.hpp"

#include <boost/asio/any_completion_handler.hpp>
#include <boost/asio/async_result.hpp>
#include <boost/asio/use_awaitable.hpp>

#include <chrono>
#include <cstdint>
#include <exception>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace velmora {

using VelmoraHTTPHeaders = std::vector<std::pair<std::string, std::string>>;

/// One HTTP request, built by the client's request pipeline.
struct VelmoraHTTPRequest {
    static constexpr int overallTimeoutFactor = 10;

    std::string method = "GET";
    std::string url;
    VelmoraHTTPHeaders headers;
    std::optional<Data> body;
    /// Idle time-out: the request fails when nothing arrives or leaves for this long. However
    /// slowly the data trickles, it also fails once `overallTimeoutFactor` times this long has
    /// passed since it started, so a request always ends.
    std::chrono::duration<double> timeout{30.0};

    friend bool operator==(const VelmoraHTTPRequest&, const VelmoraHTTPRequest&) = default;
};

/// The final response to a request, whatever its status, with its whole body.
struct VelmoraHTTPResponse {
    std::int64_t statusCode = 0;
    VelmoraHTTPHeaders headers;
    Data body;

    /// The first header of that name (case-insensitive), if any.
    std::optional<std::string> header(std::string_view name) const;
};

/// Where the SDK touches the network: one request per call, never a redirect followed, never a
/// retry. Completion signature: `void(std::exception_ptr, VelmoraHTTPResponse)`. Failures are a
/// `VelmoraError` for the transport's own checks, `boost::system::system_error` for network
/// failures, and `boost::asio::error::operation_aborted` when the caller cancels (per-operation
/// cancellation: terminal, partial and total are all honoured).
class VelmoraHTTPTransport {
public:
    using Signature = void(std::exception_ptr, VelmoraHTTPResponse);
    using Handler = boost::asio::any_completion_handler<Signature>;

    virtual ~VelmoraHTTPTransport() = default;

    template <class Token = boost::asio::use_awaitable_t<>>
    auto send(VelmoraHTTPRequest request, Token&& token = {}) {
        return boost::asio::async_initiate<Token, Signature>(
            [this](auto handler, VelmoraHTTPRequest request) {
                asyncSend(std::move(request), Handler(std::move(handler)));
            },
            token, std::move(request));
    }

protected:
    /// Implementations complete `handler` exactly once, through its associated executor.
    virtual void asyncSend(VelmoraHTTPRequest request, Handler handler) = 0;
};

/// The provided transport, on libcurl. Responses are capped at 1 MiB (10 MiB for a successful
/// "GET" of a session's attachment path), checked against the declared length before the body
/// is read and again while it streams. HTTPS is verified against the system's roots. Header
/// values holding CR, LF or NUL are refused before anything is sent. A request is never sent
/// twice on one call: when a reused connection dies before an answer, the call fails. A request
/// times out (`CURLE_OPERATION_TIMEDOUT`) after its time-out without any data, or after
/// `VelmoraHTTPRequest::overallTimeoutFactor` times its time-out in all.
class VelmoraURLSessionTransport : public VelmoraHTTPTransport {
public:
    VelmoraURLSessionTransport();
    ~VelmoraURLSessionTransport() override;
    VelmoraURLSessionTransport(const VelmoraURLSessionTransport&) = delete;
    VelmoraURLSessionTransport& operator=(const VelmoraURLSessionTransport&) = delete;

    static constexpr std::size_t ordinaryResponseLimit = 1'048'576;
    static constexpr std::size_t attachmentDownloadLimit = 10'485'760;

protected:
    void asyncSend(VelmoraHTTPRequest request, Handler handler) override;

private:
    class Engine;
    std::shared_ptr<Engine> engine_;
};

} // namespace velmora
