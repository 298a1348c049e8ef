#include "client/client_core.hpp"

#include "detail/text.hpp"
#include "detail/uuid.hpp"

#include <boost/asio/bind_cancellation_slot.hpp>
#include <boost/asio/this_coro.hpp>
#include <boost/asio/use_awaitable.hpp>
#include <boost/url/parse.hpp>

namespace velmora::detail {
namespace {

constexpr std::size_t kResponseLimit = 1'048'576;

VelmoraError inFlightChanged() {
    return ClientCore::sessionChanged("while the request was in flight");
}

VelmoraError attachmentChanged() {
    return ClientCore::sessionChanged("while the attachment was in flight");
}

VelmoraError widgetContentChanged(std::string_view when) {
    return VelmoraError(VelmoraErrorCode::sessionExpired, std::nullopt, std::nullopt,
                        "Widget content changed " + std::string(when) + ".");
}

bool hasHeaderBreakingCharacters(std::string_view text) {
    return text.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

// Whether a 2xx body still reports failure: a JSON object whose "ok" is the boolean false.
bool saysNotOk(const Data& body) {
    try {
        auto document =
            parseJSON(std::string_view(reinterpret_cast<const char*>(body.data()), body.size()));
        if (!document.is_object())
            return false;
        const auto* ok = document.as_object().if_contains("ok");
        return ok && ok->is_bool() && !ok->get_bool();
    } catch (const VelmoraDecodingError&) {
        return false;
    }
}

} // namespace

ClientCore::Task<VelmoraHTTPResponse> ClientCore::requestRaw(PipelineRequest r) {
    checkResetGuard();
    const std::int64_t recordedCancellation = cancellationGeneration_;

    std::string origin = configuration_.apiOrigin();
    if (!origin.empty() && origin.back() == '/')
        origin.pop_back();
    std::string url = origin + r.path;
    if (!boost::urls::parse_uri(url)) {
        throw VelmoraError(VelmoraErrorCode::invalidConfig, std::nullopt, std::nullopt,
                           "Invalid API URL.");
    }
    VelmoraHTTPRequest request;
    request.url = url;
    request.method = r.method;
    request.timeout = std::chrono::seconds(30);
    request.headers = {{"Accept", "application/json"},
                       {"Content-Type", "application/json"},
                       {"x-velmora-client", "native-v1"}};

    std::string token = co_await configuration_.credentialProvider()();
    if (text::trimmed(token).empty()) {
        throw VelmoraError(VelmoraErrorCode::invalidConfig, std::nullopt, std::nullopt,
                           "credentialProvider must return a non-empty authorization token.");
    }
    // The token goes out as given, so it must not be able to end the header it stands in.
    if (hasHeaderBreakingCharacters(token)) {
        throw VelmoraError(VelmoraErrorCode::invalidConfig, std::nullopt, std::nullopt,
                           "credentialProvider returned an authorization token that cannot be "
                           "sent in a header.");
    }
    if (cancellationGeneration_ != recordedCancellation)
        throw inFlightChanged();
    if (r.requestGeneration && *r.requestGeneration != generation_)
        throw attachmentChanged();
    if (r.requestContentGeneration && *r.requestContentGeneration != contentGeneration_) {
        throw widgetContentChanged("before the request was sent");
    }

    request.headers.emplace_back("Authorization", "Bearer " + token);
    if (r.token)
        request.headers.emplace_back("x-velmora-session-token", *r.token);
    if (r.idempotencyKey)
        request.headers.emplace_back("x-velmora-idempotency-key", *r.idempotencyKey);
    if (r.encodedBody) {
        request.body = std::move(*r.encodedBody);
    } else if (r.body) {
        auto bytes = canonicalJSON(*r.body);
        request.body = Data(bytes.begin(), bytes.end());
    }

    VelmoraHTTPResponse response;
    try {
        response = co_await sendTransportRequest(std::move(request), r.requestGeneration,
                                                 recordedCancellation, r.endsWithCaller);
        if (!r.endsWithCaller && co_await isCancelled())
            std::rethrow_exception(cancellationError());
        if (cancellationGeneration_ != recordedCancellation)
            throw inFlightChanged();
    } catch (const VelmoraError&) {
        throw;
    } catch (...) {
        auto failure = std::current_exception();
        if (isCancellation(failure))
            throw;
        throw VelmoraError(VelmoraErrorCode::network, std::nullopt, std::nullopt,
                           "Velmora network request failed.");
    }

    if (response.body.size() > kResponseLimit) {
        throw VelmoraError(VelmoraErrorCode::payloadTooLarge, response.statusCode, std::nullopt,
                           "Velmora response is too large.");
    }
    if (response.statusCode < 200 || response.statusCode > 299) {
        throw parseError(response.body, response.statusCode);
    }
    if (saysNotOk(response.body))
        throw parseError(response.body, response.statusCode);
    if (r.requestGeneration && *r.requestGeneration != generation_)
        throw attachmentChanged();
    if (r.requestContentGeneration && *r.requestContentGeneration != contentGeneration_) {
        throw widgetContentChanged("while loading");
    }
    co_return response;
}

ClientCore::Task<VelmoraHTTPResponse>
ClientCore::sendTransportRequest(VelmoraHTTPRequest request, std::optional<std::int64_t> generation,
                                 std::int64_t cancellationGeneration, bool endsWithCaller) {
    // The transport call is tied to the client's own signal, not to the caller's cancellation:
    // a caller that gives up does not abort a request in flight, only a reset does. A send
    // whose request is stored durably is the exception: a caller that gives up on it (a widget
    // that closes) would otherwise hold the mutation until the answer, and the stored request
    // is sent again under its key later.
    auto key = uuidString();
    auto signal = std::make_shared<boost::asio::cancellation_signal>();
    std::optional<boost::asio::cancellation_slot> callerSlot;
    if (endsWithCaller) {
        auto state = co_await boost::asio::this_coro::cancellation_state;
        if (state.cancelled() != boost::asio::cancellation_type::none)
            std::rethrow_exception(cancellationError());
        if (auto slot = state.slot(); slot.is_connected()) {
            slot.assign([signal](boost::asio::cancellation_type type) { signal->emit(type); });
            callerSlot = slot;
        }
    }
    inFlightRequests_.emplace(key, InFlightRequest{cancellationGeneration, signal});
    std::exception_ptr failure;
    VelmoraHTTPResponse response;
    try {
        response = co_await transport_->send(
            std::move(request),
            boost::asio::bind_cancellation_slot(signal->slot(), boost::asio::use_awaitable));
        if (!endsWithCaller && co_await isCancelled())
            std::rethrow_exception(cancellationError());
    } catch (...) {
        failure = std::current_exception();
    }
    if (callerSlot)
        callerSlot->clear();
    inFlightRequests_.erase(key);
    if (failure) {
        if (isCancellation(failure) && cancellationGeneration_ != cancellationGeneration) {
            throw inFlightChanged();
        }
        std::rethrow_exception(failure);
    }
    if (cancellationGeneration_ != cancellationGeneration)
        throw inFlightChanged();
    if (generation && generation_ != *generation)
        throw attachmentChanged();
    co_return response;
}

void ClientCore::cancelInFlightRequests(std::int64_t before) {
    for (auto& [key, entry] : inFlightRequests_) {
        if (entry.cancellationGeneration < before) {
            entry.signal->emit(boost::asio::cancellation_type::terminal);
        }
    }
}

} // namespace velmora::detail
