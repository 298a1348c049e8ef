#include "velmora/procedure_models.hpp"

#include "detail/procedure_model_codecs.hpp"

namespace velmora {
namespace detail {

// Decoders build each record from a braced list, so members are read in declaration order and
// the first bad key is the one reported.

json::value Codec<VelmoraConversationFormField>::encode(const VelmoraConversationFormField& value) {
    return ObjectWriter()
        .field("id", value.id)
        .field("name", value.name)
        .field("type", value.type)
        .field("options", value.options)
        .field("required", value.required)
        .field("conditions", value.conditions)
        .field("value", value.value)
        .take();
}

VelmoraConversationFormField Codec<VelmoraConversationFormField>::decode(const json::value& value,
                                                                         const std::string& path) {
    const ObjectReader reader(value, path);
    return VelmoraConversationFormField{
        reader.required<std::string>("id"),   reader.required<std::string>("name"),
        reader.required<std::string>("type"), reader.required<std::vector<std::string>>("options"),
        reader.required<bool>("required"),    reader.required<std::vector<JSONValue>>("conditions"),
        reader.optional<JSONValue>("value"),
    };
}

json::value Codec<VelmoraConversationForm>::encode(const VelmoraConversationForm& value) {
    return ObjectWriter()
        .field("requestId", value.requestId)
        .field("name", value.name)
        .field("submitLabel", value.submitLabel)
        .field("status", value.status)
        .field("fields", value.fields)
        .take();
}

VelmoraConversationForm Codec<VelmoraConversationForm>::decode(const json::value& value,
                                                               const std::string& path) {
    const ObjectReader reader(value, path);
    return VelmoraConversationForm{
        reader.required<std::string>("requestId"),
        reader.required<std::string>("name"),
        reader.required<std::string>("submitLabel"),
        reader.required<std::string>("status"),
        reader.required<std::vector<VelmoraConversationFormField>>("fields"),
    };
}

json::value Codec<VelmoraFormSubmission>::encode(const VelmoraFormSubmission& value) {
    return ObjectWriter()
        .field("ok", value.ok)
        .field("requestId", value.requestId)
        .field("status", value.status)
        .take();
}

VelmoraFormSubmission Codec<VelmoraFormSubmission>::decode(const json::value& value,
                                                           const std::string& path) {
    const ObjectReader reader(value, path);
    return VelmoraFormSubmission{
        reader.required<bool>("ok"),
        reader.required<std::string>("requestId"),
        reader.required<std::string>("status"),
    };
}

json::value Codec<VelmoraProcedureActionInput>::encode(const VelmoraProcedureActionInput& value) {
    return ObjectWriter()
        .field("action", value.action)
        .field("value", value.value)
        .field("idempotencyKey", value.idempotencyKey)
        .field("procedureId", value.procedureId)
        .field("locale", value.locale)
        .field("runId", value.runId)
        .field("expectedUpdatedAt", value.expectedUpdatedAt)
        .field("stepId", value.stepId)
        .field("parameterId", value.parameterId)
        .field("timeZone", value.timeZone)
        .field("nativeCommerceUi", value.nativeCommerceUi)
        .take();
}

VelmoraProcedureActionInput Codec<VelmoraProcedureActionInput>::decode(const json::value& value,
                                                                       const std::string& path) {
    const ObjectReader reader(value, path);
    return VelmoraProcedureActionInput{
        reader.required<std::string>("action"),
        reader.required<std::string>("value"),
        reader.required<std::string>("idempotencyKey"),
        reader.optional<std::string>("procedureId"),
        reader.optional<std::string>("locale"),
        reader.optional<std::string>("runId"),
        reader.optional<std::string>("expectedUpdatedAt"),
        reader.optional<std::string>("stepId"),
        reader.optional<std::string>("parameterId"),
        reader.optional<std::string>("timeZone"),
        reader.optional<bool>("nativeCommerceUi"),
    };
}

json::value Codec<VelmoraProcedureActionResult>::encode(const VelmoraProcedureActionResult& value) {
    return ObjectWriter().field("ok", value.ok).field("sessionId", value.sessionId).take();
}

VelmoraProcedureActionResult Codec<VelmoraProcedureActionResult>::decode(const json::value& value,
                                                                         const std::string& path) {
    const ObjectReader reader(value, path);
    return VelmoraProcedureActionResult{
        reader.required<bool>("ok"),
        reader.required<std::string>("sessionId"),
    };
}

json::value
Codec<VelmoraCommerceLineItemSelection>::encode(const VelmoraCommerceLineItemSelection& value) {
    return ObjectWriter()
        .field("lineItemReference", value.lineItemReference)
        .field("quantity", value.quantity)
        .take();
}

VelmoraCommerceLineItemSelection
Codec<VelmoraCommerceLineItemSelection>::decode(const json::value& value, const std::string& path) {
    const ObjectReader reader(value, path);
    return VelmoraCommerceLineItemSelection{
        reader.required<std::string>("lineItemReference"),
        reader.required<std::int64_t>("quantity"),
    };
}

json::value Codec<VelmoraCommerceSelection>::encode(const VelmoraCommerceSelection& value) {
    return ObjectWriter()
        .field("storeReference", value.storeReference)
        .field("orderReference", value.orderReference)
        .field("lineItems", value.lineItems)
        .take();
}

VelmoraCommerceSelection Codec<VelmoraCommerceSelection>::decode(const json::value& value,
                                                                 const std::string& path) {
    const ObjectReader reader(value, path);
    return VelmoraCommerceSelection{
        reader.required<std::string>("storeReference"),
        reader.required<std::string>("orderReference"),
        reader.optional<std::vector<VelmoraCommerceLineItemSelection>>("lineItems"),
    };
}

json::value Codec<VelmoraCommerceProposalInput>::encode(const VelmoraCommerceProposalInput& value) {
    return ObjectWriter()
        .field("actionId", value.actionId)
        .field("selection", value.selection)
        .take();
}

VelmoraCommerceProposalInput Codec<VelmoraCommerceProposalInput>::decode(const json::value& value,
                                                                         const std::string& path) {
    const ObjectReader reader(value, path);
    return VelmoraCommerceProposalInput{
        reader.required<std::string>("actionId"),
        reader.required<VelmoraCommerceSelection>("selection"),
    };
}

json::value
Codec<VelmoraCommerceProposalResult>::encode(const VelmoraCommerceProposalResult& value) {
    return ObjectWriter()
        .field("state", value.state)
        .field("proposalId", value.proposalId)
        .field("actionId", value.actionId)
        .field("code", value.code)
        .field("confirmationExpiresAt", value.confirmationExpiresAt)
        .take();
}

VelmoraCommerceProposalResult
Codec<VelmoraCommerceProposalResult>::decode(const json::value& value, const std::string& path) {
    const ObjectReader reader(value, path);
    return VelmoraCommerceProposalResult{
        reader.required<std::string>("state"),
        reader.optional<std::string>("proposalId"),
        reader.optional<std::string>("actionId"),
        reader.optional<std::string>("code"),
        reader.optional<std::string>("confirmationExpiresAt"),
    };
}

json::value
Codec<VelmoraCommerceConfirmationResult>::encode(const VelmoraCommerceConfirmationResult& value) {
    return ObjectWriter()
        .field("state", value.state)
        .field("proposalId", value.proposalId)
        .field("actionId", value.actionId)
        .field("executionState", value.executionState)
        .field("code", value.code)
        .take();
}

VelmoraCommerceConfirmationResult
Codec<VelmoraCommerceConfirmationResult>::decode(const json::value& value,
                                                 const std::string& path) {
    const ObjectReader reader(value, path);
    return VelmoraCommerceConfirmationResult{
        reader.required<std::string>("state"),    reader.optional<std::string>("proposalId"),
        reader.optional<std::string>("actionId"), reader.optional<std::string>("executionState"),
        reader.optional<std::string>("code"),
    };
}

} // namespace detail

VELMORA_DEFINE_JSON_CODING(VelmoraConversationFormField)
VELMORA_DEFINE_JSON_CODING(VelmoraConversationForm)
VELMORA_DEFINE_JSON_CODING(VelmoraFormSubmission)
VELMORA_DEFINE_JSON_CODING(VelmoraProcedureActionInput)
VELMORA_DEFINE_JSON_CODING(VelmoraProcedureActionResult)
VELMORA_DEFINE_JSON_CODING(VelmoraCommerceLineItemSelection)
VELMORA_DEFINE_JSON_CODING(VelmoraCommerceSelection)
VELMORA_DEFINE_JSON_CODING(VelmoraCommerceProposalInput)
VELMORA_DEFINE_JSON_CODING(VelmoraCommerceProposalResult)
VELMORA_DEFINE_JSON_CODING(VelmoraCommerceConfirmationResult)

} // namespace velmora
