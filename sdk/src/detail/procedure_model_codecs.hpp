#pragma once

#include "detail/json_codec.hpp"
#include "velmora/procedure_models.hpp"

#include <string>

namespace velmora::detail {

// The form, procedure and commerce records' codecs, for code that embeds them in other bodies.
#define VELMORA_PROCEDURE_MODEL_CODEC(Type)                                                        \
    template <> struct Codec<Type> {                                                               \
        static json::value encode(const Type& value);                                              \
        static Type decode(const json::value& value, const std::string& path);                     \
    };

VELMORA_PROCEDURE_MODEL_CODEC(VelmoraConversationFormField)
VELMORA_PROCEDURE_MODEL_CODEC(VelmoraConversationForm)
VELMORA_PROCEDURE_MODEL_CODEC(VelmoraFormSubmission)
VELMORA_PROCEDURE_MODEL_CODEC(VelmoraProcedureActionInput)
VELMORA_PROCEDURE_MODEL_CODEC(VelmoraProcedureActionResult)
VELMORA_PROCEDURE_MODEL_CODEC(VelmoraCommerceLineItemSelection)
VELMORA_PROCEDURE_MODEL_CODEC(VelmoraCommerceSelection)
VELMORA_PROCEDURE_MODEL_CODEC(VelmoraCommerceProposalInput)
VELMORA_PROCEDURE_MODEL_CODEC(VelmoraCommerceProposalResult)
VELMORA_PROCEDURE_MODEL_CODEC(VelmoraCommerceConfirmationResult)

#undef VELMORA_PROCEDURE_MODEL_CODEC

} // namespace velmora::detail
