#include "client/client_core.hpp"

#include "detail/procedure_model_codecs.hpp"
#include "detail/url.hpp"
#include "input_validation.hpp"

namespace velmora::detail {

VelmoraSession ClientCore::requireCurrentSession() const {
    if (!session_) {
        throw VelmoraError(VelmoraErrorCode::sessionExpired, std::nullopt, std::nullopt,
                           "Start or resume a session first.");
    }
    return *session_;
}

ClientCore::Task<VelmoraFormSubmission>
ClientCore::submitConversationForm(std::string requestId, JSONValue::Object values) {
    constexpr std::size_t kMaxValues = 100;
    const VelmoraSession session = requireCurrentSession();
    VelmoraInputValidation::requireReference(requestId, "Conversation form request id is invalid.");
    if (values.size() > kMaxValues) {
        throw VelmoraError(VelmoraErrorCode::fieldInvalid, std::nullopt, std::nullopt,
                           "Conversation form values are invalid.");
    }
    PipelineRequest request;
    request.path = sessionPath(session.sessionId, "/forms/" + percentEncodePathSegment(requestId));
    request.method = "POST";
    request.body = json::object{{"values", Codec<JSONValue::Object>::encode(values)}};
    request.token = session.sessionToken;
    request.requestGeneration = generation_;
    co_return co_await this->request<VelmoraFormSubmission>(std::move(request));
}

} // namespace velmora::detail
