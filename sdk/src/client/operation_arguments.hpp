#pragma once

#include "detail/json.hpp"
#include "velmora/json_value.hpp"
#include "velmora/models.hpp"
#include "velmora/procedure_models.hpp"

#include <boost/json/object.hpp>

#include <initializer_list>
#include <optional>
#include <string_view>

// Strict readers of the arguments of a JSON operation: exact or bounded key sets, required
// types, patterns and ranges, each with one fixed failure message (fieldInvalid). A JSON boolean
// is never read as a number, nor a number as a boolean.
namespace velmora::detail {

using KeyList = std::initializer_list<std::string_view>;

/// The object's keys must all be `allowed` and include every `required` one; a key set to null
/// counts as present. Throws "Native operation fields are invalid.".
void requireOperationKeys(const json::object& object, KeyList allowed, KeyList required);

/// 1 to 128 characters, none below U+0020, only ASCII letters, digits, "_" and "-".
bool isReference(std::string_view value);

/// The value as a `JSONValue`; nothing for a value that has no JSON form (a number that is not
/// finite).
std::optional<JSONValue> jsonValueFrom(const json::value& value);

/// Every member as a `JSONValue`. Throws "Form values contain an unsupported value.".
JSONValue::Object jsonValues(const json::object& object);

/// Exactly "clientId", "attachmentId", "uploadUrl", "uploadToken", "expiresAt", all texts.
/// Throws "Attachment intent is invalid.".
VelmoraAttachmentUploadIntent decodeIntent(const json::object& object);

/// Throws "Procedure action input is invalid.".
VelmoraProcedureActionInput decodeProcedureInput(const json::object& object);

/// Throws "Commerce proposal input is invalid.", "Commerce line item selection is invalid." or
/// "Commerce line item is invalid.".
VelmoraCommerceProposalInput decodeCommerceInput(const json::object& object);

} // namespace velmora::detail
