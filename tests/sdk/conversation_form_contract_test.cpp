#include "velmora/conversation_form_contract.hpp"
#include "velmora/error.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace velmora {
namespace {

using Values = std::map<std::string, JSONValue>;

VelmoraConversationFormField field(std::string id, std::string type, bool required = false,
                                   std::vector<JSONValue> conditions = {},
                                   std::optional<JSONValue> value = std::nullopt) {
    return {id,
            id,
            std::move(type),
            {"red", "green", "Blue"},
            required,
            std::move(conditions),
            std::move(value)};
}

VelmoraConversationForm form(std::vector<VelmoraConversationFormField> fields,
                             std::string status = "pending") {
    return {"req_1", "Details", "Send", std::move(status), std::move(fields)};
}

JSONValue condition(std::string fieldId, std::string op, std::optional<JSONValue> value = {}) {
    JSONValue::Object object{{"fieldId", fieldId}, {"operator", op}};
    if (value) {
        object.emplace("value", *value);
    }
    return object;
}

bool accepted(const VelmoraConversationForm& f, const Values& values) {
    try {
        ConversationFormContract::submissionValues(f, values);
        return true;
    } catch (const VelmoraError& e) {
        EXPECT_EQ(e.code(), VelmoraErrorCode::fieldInvalid);
        EXPECT_EQ(e.message(), "Conversation form values do not match the active form.");
        EXPECT_FALSE(e.status());
        return false;
    }
}

TEST(ConversationFormContract, ValuesAreCheckedAgainstTheirFieldType) {
    const std::string bytes65536(65536, 'a');
    struct Case {
        std::string type;
        JSONValue value;
        bool valid;
    } cases[] = {
        {"text", "hello", true},
        {"text", "   ", false},
        {"text", bytes65536, true},
        {"text", bytes65536 + "a", false},
        {"text", " " + std::string(65535, 'a') + " ", false}, // spaces count for "text"
        {"text", 5.0, false},
        {"email", "  a@b.co  ", true},
        {"email", "a@b", false},
        {"email", "a b@c.de", false},
        {"email", " " + std::string(65530, 'a') + "@b.co ", true}, // trimmed to 65536 bytes
        {"url", "HTTPS://example.com/x", true},
        {"url", "http://", false},
        {"url", "ftp://example.com", false},
        {"url", "mailto:a@b.co", false},
        {"date", "2024-02-29", true},
        {"date", "2023-02-29", false},
        {"date", " 2024-02-01", false},
        {"number", 3.5, true},
        {"number", "12", false},
        {"boolean", false, true},
        {"boolean", "true", false},
        {"select", "red", true},
        {"select", "Red", false},
        {"multi_select", JSONValue::Array{"red", "Blue"}, true},
        {"multi_select", JSONValue::Array{"red", "red"}, false},
        {"multi_select", JSONValue::Array{"red", 1.0}, false},
        {"multi_select", JSONValue::Array{"pink"}, false},
        {"multi_select", "red", false},
        {"text", JSONValue::Object{{"a", 1.0}}, false},
        {"rating", 4.0, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.type + " " + encodeJSON(c.value).substr(0, 40));
        EXPECT_EQ(accepted(form({field("f", c.type, true)}), {{"f", c.value}}), c.valid);
    }
}

TEST(ConversationFormContract, EmptyValuesCountAsMissing) {
    struct Case {
        std::string type;
        JSONValue value;
        bool required;
        bool accepted;
    } cases[] = {
        {"text", "", true, false},
        {"text", "", false, true},
        {"text", nullptr, false, true},
        {"text", nullptr, true, false},
        {"multi_select", JSONValue::Array{}, false, true},
        {"multi_select", JSONValue::Array{}, true, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.type + " " + encodeJSON(c.value) + (c.required ? " required" : ""));
        const auto f = form({field("f", c.type, c.required)});
        const Values values{{"f", c.value}};
        EXPECT_EQ(accepted(f, values), c.accepted);
        if (c.accepted) {
            EXPECT_TRUE(ConversationFormContract::submissionValues(f, values).empty());
        }
    }
}

TEST(ConversationFormContract, SubmissionRefusesFormsAndKeysThatDoNotFit) {
    EXPECT_FALSE(accepted(form({field("a", "text")}, "submitted"), {{"a", "x"}}));
    EXPECT_FALSE(accepted(form({field("a", "text"), field("a", "number")}), {}));
    EXPECT_FALSE(accepted(form({field("a", "text")}), {{"stranger", "x"}}));
    std::vector<VelmoraConversationFormField> many;
    for (int i = 0; i < 100; ++i) {
        many.push_back(field("f" + std::to_string(i), "text"));
    }
    EXPECT_TRUE(accepted(form(many), {}));
    many.push_back(field("f100", "text"));
    EXPECT_FALSE(accepted(form(many), {}));
}

TEST(ConversationFormContract, ConditionsDecideVisibility) {
    struct Case {
        std::string name;
        JSONValue condition;
        std::optional<JSONValue> current;
        bool visible;
    } cases[] = {
        {"exists with text", condition("a", "exists"), JSONValue("x"), true},
        {"exists with empty text", condition("a", "exists"), JSONValue(""), false},
        {"exists with false", condition("a", "exists"), JSONValue(false), true},
        {"exists with empty array", condition("a", "exists"), JSONValue::Array{}, false},
        {"not_exists absent", condition("a", "not_exists"), std::nullopt, true},
        {"not_exists null", condition("a", "not_exists"), JSONValue(nullptr), true},
        {"equals number", condition("a", "equals", 3.0), JSONValue(3.0), true},
        {"equals true vs text", condition("a", "equals", true), JSONValue("true"), false},
        {"equals true vs true", condition("a", "equals", true), JSONValue(true), true},
        {"equals both absent", condition("a", "equals"), std::nullopt, true},
        {"equals value absent", condition("a", "equals"), JSONValue("x"), false},
        {"not_equals differs", condition("a", "not_equals", "x"), JSONValue("y"), true},
        {"not_equals both absent", condition("a", "not_equals"), std::nullopt, false},
        {"contains true in capitals", condition("a", "contains", true), JSONValue("TRUE!"), true},
        {"contains digit in text", condition("a", "contains", 3.0), JSONValue("ab3c"), true},
        {"contains whole number", condition("a", "contains", 3.0), JSONValue("3.0"), true},
        {"contains in array", condition("a", "contains", 3.0), JSONValue::Array{"x", "13"}, true},
        {"contains number in number", condition("a", "contains", 2.0), JSONValue(12.0), true},
        {"contains empty array", condition("a", "contains", "x"), JSONValue::Array{}, false},
        {"contains no needle", condition("a", "contains"), JSONValue("anything"), false},
        {"contains case", condition("a", "contains", "GrEe"), JSONValue("green"), true},
        {"unknown operator", condition("a", "greater"), JSONValue(1.0), false},
        {"not an object", JSONValue("a"), JSONValue(1.0), false},
        {"empty object", JSONValue::Object{}, JSONValue(1.0), false},
        {"fieldId not text", JSONValue::Object{{"fieldId", 1.0}, {"operator", "exists"}},
         JSONValue(1.0), false},
    };
    for (const auto& c : cases) {
        auto f = form({field("a", "text"), field("b", "text", false, {c.condition})});
        Values values;
        if (c.current) {
            values.emplace("a", *c.current);
        }
        const auto visible = ConversationFormContract::visibleFields(f, values);
        EXPECT_EQ(visible.size() == 2, c.visible) << c.name;
    }
}

TEST(ConversationFormContract, InitialValuesCountAndHiddenValuesAreDropped) {
    // "b" shows once "a" exists, which its initial value already gives.
    auto f = form({field("a", "text", false, {}, JSONValue("preset")),
                   field("b", "text", false, {condition("a", "exists")}),
                   field("c", "text", false, {condition("a", "equals", "other")},
                         JSONValue("hidden initial"))});
    EXPECT_EQ(ConversationFormContract::visibleFields(f, {}).size(), 2u);
    EXPECT_EQ(ConversationFormContract::initialValues(f).size(), 2u);

    const Values result =
        ConversationFormContract::submissionValues(f, {{"b", " kept as typed "}, {"c", "x"}});
    EXPECT_EQ(result, (Values{{"a", "preset"}, {"b", " kept as typed "}}));

    // Conditions read hidden fields' values; hiding does not cascade.
    auto chain = form({field("a", "text", false, {condition("z", "exists")}),
                       field("b", "text", false, {condition("a", "exists")}), field("z", "text")});
    EXPECT_EQ(ConversationFormContract::visibleFields(chain, {{"a", "x"}}).size(), 2u);
}

} // namespace
} // namespace velmora
