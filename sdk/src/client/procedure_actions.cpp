#include "client/client_core.hpp"

#include "detail/procedure_model_codecs.hpp"
#include "input_validation.hpp"

namespace velmora::detail {

ClientCore::Task<VelmoraProcedureActionResult>
ClientCore::performProcedureAction(VelmoraProcedureActionInput input) {
    const VelmoraSession session = requireCurrentSession();
    VelmoraInputValidation::requireProcedureAction(input);
    PipelineRequest request;
    request.path = sessionPath(session.sessionId, "/procedure-actions");
    request.method = "POST";
    request.body = Codec<VelmoraProcedureActionInput>::encode(input);
    request.token = session.sessionToken;
    request.idempotencyKey = input.idempotencyKey;
    request.requestGeneration = generation_;
    auto result = co_await this->request<VelmoraProcedureActionResult>(std::move(request));
    // The service has performed the action by now; a failed reload still fails the call, so
    // the caller knows the conversation on screen is not the one the action produced.
    co_await loadSnapshot(false);
    co_return result;
}

} // namespace velmora::detail
