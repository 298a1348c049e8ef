#include "velmora/ui/conversation_form_json.hpp"

namespace velmora {

namespace {

const std::string* stringAt(const JSONValue::Object& object, const char* key) {
    const auto found = object.find(key);
    return found == object.end() ? nullptr : found->second.ifString();
}

std::optional<VelmoraConversationFormField> fieldFromJSON(const JSONValue& json) {
    const auto* object = json.ifObject();
    if (!object)
        return std::nullopt;
    const auto* id = stringAt(*object, "id");
    const auto* name = stringAt(*object, "name");
    const auto* type = stringAt(*object, "type");
    const auto required = object->find("required");
    if (!id || !name || !type || required == object->end() || !required->second.ifBool())
        return std::nullopt;
    VelmoraConversationFormField field;
    field.id = *id;
    field.name = *name;
    field.type = *type;
    field.required = *required->second.ifBool();
    if (const auto options = object->find("options"); options != object->end())
        if (const auto* array = options->second.ifArray())
            for (const auto& option : *array)
                if (const auto* text = option.ifString())
                    field.options.push_back(*text);
    if (const auto conditions = object->find("conditions"); conditions != object->end())
        if (const auto* array = conditions->second.ifArray())
            field.conditions = *array;
    if (const auto value = object->find("value"); value != object->end())
        field.value = value->second;
    return field;
}

} // namespace

std::optional<VelmoraConversationForm> conversationFormFromJSON(const JSONValue& json) {
    const auto* object = json.ifObject();
    if (!object)
        return std::nullopt;
    const auto* requestId = stringAt(*object, "requestId");
    const auto* name = stringAt(*object, "name");
    const auto* submitLabel = stringAt(*object, "submitLabel");
    const auto* status = stringAt(*object, "status");
    const auto fields = object->find("fields");
    if (!requestId || !name || !submitLabel || !status || fields == object->end() ||
        !fields->second.ifArray())
        return std::nullopt;
    VelmoraConversationForm form{*requestId, *name, *submitLabel, *status, {}};
    for (const auto& element : *fields->second.ifArray()) {
        auto field = fieldFromJSON(element);
        if (!field)
            return std::nullopt;
        form.fields.push_back(std::move(*field));
    }
    return form;
}

} // namespace velmora
