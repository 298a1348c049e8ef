#include "client/client_core.hpp"

#include "detail/procedure_model_codecs.hpp"
#include "detail/url.hpp"
#include "input_validation.hpp"

namespace velmora::detail {
namespace {

constexpr std::string_view kProposals = "/commerce/actions/proposals";

// "?integration=..." followed by the optional items that have a value, in the given order.
std::string withQueryItems(
    std::string path,
    std::initializer_list<std::pair<const char*, const std::optional<std::string>*>> items) {
    for (const auto& [name, value] : items) {
        if (*value) {
            path += std::string("&") + name + "=" + percentEncodeQueryValue(**value);
        }
    }
    return path;
}

} // namespace

ClientCore::Task<JSONValue> ClientCore::listCommerceOrders(std::optional<std::string> cursor,
                                                           std::optional<std::string> store) {
    const VelmoraSession session = requireCurrentSession();
    if (cursor) {
        VelmoraInputValidation::requireReference(*cursor, "Commerce order cursor is invalid.");
    }
    if (store) {
        VelmoraInputValidation::requireReference(*store, "Commerce store reference is invalid.");
    }
    PipelineRequest request;
    request.path = withQueryItems(sessionPath(session.sessionId, "/commerce/orders"),
                                  {{"cursor", &cursor}, {"store", &store}});
    request.token = session.sessionToken;
    request.requestGeneration = generation_;
    co_return co_await this->request<JSONValue>(std::move(request));
}

ClientCore::Task<JSONValue> ClientCore::loadCommerceOrder(std::string reference) {
    const VelmoraSession session = requireCurrentSession();
    VelmoraInputValidation::requireReference(reference, "Order reference is invalid.");
    PipelineRequest request;
    request.path =
        sessionPath(session.sessionId, "/commerce/orders/" + percentEncodePathSegment(reference));
    request.token = session.sessionToken;
    request.requestGeneration = generation_;
    co_return co_await this->request<JSONValue>(std::move(request));
}

ClientCore::Task<JSONValue> ClientCore::createCommerceProposal(VelmoraCommerceProposalInput input,
                                                               std::string idempotencyKey) {
    const VelmoraSession session = requireCurrentSession();
    VelmoraInputValidation::requireCommerceProposal(input);
    VelmoraInputValidation::requireIdempotencyKey(idempotencyKey);
    PipelineRequest request;
    request.path = sessionPath(session.sessionId, kProposals);
    request.method = "POST";
    request.body = Codec<VelmoraCommerceProposalInput>::encode(input);
    request.token = session.sessionToken;
    request.idempotencyKey = idempotencyKey;
    request.requestGeneration = generation_;
    co_return co_await this->request<JSONValue>(std::move(request));
}

ClientCore::Task<JSONValue> ClientCore::confirmCommerceProposal(std::string proposalId,
                                                                std::string idempotencyKey) {
    const VelmoraSession session = requireCurrentSession();
    VelmoraInputValidation::requireReference(proposalId, "Commerce proposal id is invalid.");
    VelmoraInputValidation::requireIdempotencyKey(idempotencyKey);
    PipelineRequest request;
    request.path =
        sessionPath(session.sessionId, std::string(kProposals) + "/" +
                                           percentEncodePathSegment(proposalId) + "/confirm");
    request.method = "POST";
    request.body = json::object{{"confirmed", true}};
    request.token = session.sessionToken;
    request.idempotencyKey = idempotencyKey;
    request.requestGeneration = generation_;
    co_return co_await this->request<JSONValue>(std::move(request));
}

ClientCore::Task<JSONValue> ClientCore::commerceProposalStatus(std::string proposalId) {
    const VelmoraSession session = requireCurrentSession();
    VelmoraInputValidation::requireReference(proposalId, "Commerce proposal id is invalid.");
    PipelineRequest request;
    request.path = sessionPath(session.sessionId, std::string(kProposals) + "/" +
                                                      percentEncodePathSegment(proposalId));
    request.token = session.sessionToken;
    request.requestGeneration = generation_;
    co_return co_await this->request<JSONValue>(std::move(request));
}

} // namespace velmora::detail
