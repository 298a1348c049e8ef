#pragma once

#include "velmora/json_value.hpp"
#include "velmora/procedure_models.hpp"

#include <map>
#include <string>
#include <vector>

namespace velmora {

/// The rules of a conversation form: which fields show for the values entered so far, which
/// values each field type accepts, and which values make up a submission. Pure and reentrant.
struct ConversationFormContract {
    /// Field identifier to initial value, for the fields that carry one (a later field with the
    /// same identifier wins).
    static std::map<std::string, JSONValue> initialValues(const VelmoraConversationForm& form);

    /// The fields shown for `values` laid over the initial values, in form order. A field shows
    /// when every one of its conditions holds; a malformed condition hides its field.
    static std::vector<VelmoraConversationFormField>
    visibleFields(const VelmoraConversationForm& form,
                  const std::map<std::string, JSONValue>& values);

    /// The values to submit: the visible fields that have a value, each checked against its
    /// type. Throws `VelmoraError` (fieldInvalid, "Conversation form values do not match the
    /// active form.") when the form is not pending, has more than 100 fields or a repeated
    /// identifier, when `values` names a field the form lacks, or when a visible field's value
    /// is missing (required) or unacceptable.
    static std::map<std::string, JSONValue>
    submissionValues(const VelmoraConversationForm& form,
                     const std::map<std::string, JSONValue>& values);
};

} // namespace velmora
