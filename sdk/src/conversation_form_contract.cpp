#include "velmora/conversation_form_contract.hpp"

#include "detail/number_description.hpp"
#include "detail/pattern.hpp"
#include "detail/text.hpp"
#include "velmora/calendar.hpp"
#include "velmora/error.hpp"

#include <boost/url/parse.hpp>

#include <algorithm>
#include <cmath>
#include <set>

namespace velmora {
namespace {

using Values = std::map<std::string, JSONValue>;

constexpr std::size_t kMaxFields = 100;
constexpr std::size_t kMaxTextBytes = 65536;

bool isEmptyValue(const JSONValue* value) {
    if (value == nullptr || value->isNull()) {
        return true;
    }
    if (const auto* s = value->ifString()) {
        return s->empty();
    }
    if (const auto* a = value->ifArray()) {
        return a->empty();
    }
    return false;
}

const JSONValue* lookup(const Values& values, const std::string& key) {
    auto found = values.find(key);
    return found == values.end() ? nullptr : &found->second;
}

// A value as "contains" reads it: texts as they are, booleans as words, whole numbers without a
// fraction; anything else (absent, null, objects, arrays) reads as no text.
std::string containsText(const JSONValue* value) {
    if (value == nullptr) {
        return {};
    }
    if (const auto* s = value->ifString()) {
        return *s;
    }
    if (const auto* b = value->ifBool()) {
        return *b ? "true" : "false";
    }
    if (const auto* d = value->ifNumber()) {
        constexpr double kTwo63 = 9223372036854775808.0;
        if (std::isfinite(*d) && std::trunc(*d) == *d && *d >= -kTwo63 && *d < kTwo63) {
            return std::to_string(static_cast<std::int64_t>(*d));
        }
        return detail::describeNumber(*d);
    }
    return {};
}

std::string folded(std::string_view text) {
    return detail::text::nfc(detail::text::lowercased(text));
}

bool containsNeedle(const JSONValue* current, const std::string& needle) {
    if (current != nullptr) {
        if (const auto* array = current->ifArray()) {
            return std::any_of(array->begin(), array->end(), [&](const JSONValue& entry) {
                return folded(containsText(&entry)).find(needle) != std::string::npos;
            });
        }
    }
    return folded(containsText(current)).find(needle) != std::string::npos;
}

bool matches(const JSONValue& condition, const Values& current) {
    const auto* object = condition.ifObject();
    if (object == nullptr || object->empty()) {
        return false;
    }
    const JSONValue* fieldId = lookup(*object, "fieldId");
    const JSONValue* op = lookup(*object, "operator");
    if (fieldId == nullptr || op == nullptr || !fieldId->ifString() || !op->ifString()) {
        return false;
    }
    const JSONValue* value = lookup(current, *fieldId->ifString());
    const JSONValue* expected = lookup(*object, "value");
    const std::string& name = *op->ifString();
    auto equals = [&] {
        if (value == nullptr || expected == nullptr) {
            return value == nullptr && expected == nullptr;
        }
        return *value == *expected;
    };
    if (name == "exists") {
        return !isEmptyValue(value);
    }
    if (name == "not_exists") {
        return isEmptyValue(value);
    }
    if (name == "equals") {
        return equals();
    }
    if (name == "not_equals") {
        return !equals();
    }
    if (name == "contains") {
        const std::string needle = folded(containsText(expected));
        // An empty needle would be found everywhere; a condition without one never holds.
        return !needle.empty() && containsNeedle(value, needle);
    }
    return false;
}

bool isEmail(std::string_view text) {
    static const detail::Pattern pattern(R"(^[^\s@]+@[^\s@]+\.[^\s@]+$)");
    return pattern.matches(text);
}

bool isWebURL(const std::string& text) {
    auto url = boost::urls::parse_uri(text);
    if (!url) {
        return false;
    }
    const std::string scheme = detail::text::lowercased(url->scheme());
    return (scheme == "http" || scheme == "https") && url->has_authority() &&
           !url->encoded_host().empty();
}

bool isOption(const VelmoraConversationFormField& field, const std::string& text) {
    return std::find(field.options.begin(), field.options.end(), text) != field.options.end();
}

bool isValid(const JSONValue& value, const VelmoraConversationFormField& field) {
    const std::string& type = field.type;
    if (const auto* s = value.ifString()) {
        if (type == "text") {
            return s->size() <= kMaxTextBytes && !detail::text::trimmed(*s).empty();
        }
        if (type == "email" || type == "url") {
            const std::string trimmed = detail::text::trimmed(*s);
            if (trimmed.size() > kMaxTextBytes) {
                return false;
            }
            return type == "email" ? isEmail(trimmed) : isWebURL(trimmed);
        }
        if (type == "date") {
            return TavrinDateValue::fromISO(*s).has_value();
        }
        if (type == "select") {
            return isOption(field, *s);
        }
        return false;
    }
    if (const auto* d = value.ifNumber()) {
        return type == "number" && std::isfinite(*d);
    }
    if (value.ifBool()) {
        return type == "boolean";
    }
    if (const auto* array = value.ifArray()) {
        if (type != "multi_select") {
            return false;
        }
        std::set<std::string> seen;
        for (const auto& entry : *array) {
            const auto* s = entry.ifString();
            if (s == nullptr || !isOption(field, *s) || !seen.insert(*s).second) {
                return false;
            }
        }
        return true;
    }
    return false;
}

Values currentValues(const VelmoraConversationForm& form, const Values& values) {
    Values current = ConversationFormContract::initialValues(form);
    for (const auto& [key, value] : values) {
        current.insert_or_assign(key, value);
    }
    return current;
}

std::vector<VelmoraConversationFormField> visibleFor(const VelmoraConversationForm& form,
                                                     const Values& current) {
    std::vector<VelmoraConversationFormField> visible;
    for (const auto& field : form.fields) {
        if (std::all_of(field.conditions.begin(), field.conditions.end(),
                        [&](const JSONValue& condition) { return matches(condition, current); })) {
            visible.push_back(field);
        }
    }
    return visible;
}

[[noreturn]] void mismatch() {
    throw VelmoraError(VelmoraErrorCode::fieldInvalid, std::nullopt, std::nullopt,
                       "Conversation form values do not match the active form.");
}

} // namespace

Values ConversationFormContract::initialValues(const VelmoraConversationForm& form) {
    Values initial;
    for (const auto& field : form.fields) {
        if (field.value) {
            initial.insert_or_assign(field.id, *field.value);
        }
    }
    return initial;
}

std::vector<VelmoraConversationFormField>
ConversationFormContract::visibleFields(const VelmoraConversationForm& form, const Values& values) {
    return visibleFor(form, currentValues(form, values));
}

Values ConversationFormContract::submissionValues(const VelmoraConversationForm& form,
                                                  const Values& values) {
    if (form.status != "pending" || form.fields.size() > kMaxFields) {
        mismatch();
    }
    std::set<std::string> ids;
    for (const auto& field : form.fields) {
        if (!ids.insert(field.id).second) {
            mismatch();
        }
    }
    for (const auto& [key, value] : values) {
        if (!ids.contains(key)) {
            mismatch();
        }
    }
    const Values current = currentValues(form, values);
    Values result;
    for (const auto& field : visibleFor(form, current)) {
        const JSONValue* value = lookup(current, field.id);
        if (isEmptyValue(value)) {
            if (field.required) {
                mismatch();
            }
            continue;
        }
        if (!isValid(*value, field)) {
            mismatch();
        }
        result.insert_or_assign(field.id, *value);
    }
    return result;
}

} // namespace velmora
