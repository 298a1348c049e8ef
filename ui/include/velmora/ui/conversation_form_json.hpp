#pragma once

#include "velmora/json_value.hpp"
#include "velmora/procedure_models.hpp"

#include <optional>

namespace velmora {

/// The conversation form that a message carries (`VelmoraMessage::conversationForm`), or
/// nothing when the JSON does not describe one.
///
/// Strict about shape, lenient about content: the form's "requestId", "name", "submitLabel" and
/// "status" must be strings and "fields" an array; every field must be an object with the
/// strings "id", "name", "type" and the boolean "required", else the whole form is refused
/// (never a subset of its fields). A field's "options" keeps its string elements, in order
/// (anything else, or no array, gives none); "conditions" keeps every element of an array;
/// "value" is kept as given, a JSON null included (distinct from an absent key). Texts are not
/// checked for emptiness or length and nothing is counted: the form contract checks a form when
/// it is submitted. Other keys are ignored. Never throws.
std::optional<VelmoraConversationForm> conversationFormFromJSON(const JSONValue& json);

} // namespace velmora
