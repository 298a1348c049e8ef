#include "velmora/ui/conversation_form_json.hpp"
#include "views/attached_content_model.hpp"
#include "views/conversation_form_model.hpp"

#include "fixtures.hpp"

#include <gtest/gtest.h>

#include <cmath>

namespace velmora {
namespace {

using namespace detail;

JSONValue json(std::string_view text) {
    return decodeJSON<JSONValue>(text);
}

std::string form(std::string_view fields, std::string_view extra = "") {
    return std::string(
               R"({"requestId":"r1","name":"Return","submitLabel":"Send","status":"pending")") +
           std::string(extra) + R"(,"fields":[)" + std::string(fields) + "]}";
}

TEST(ConversationFormJSONTest, ShapeDecidesAndOneBadFieldRejectsTheForm) {
    struct Case {
        const char* name;
        std::string json;
        bool parses;
    };
    const std::string field = R"({"id":"a","name":"A","type":"text","required":true})";
    const std::vector<Case> cases = {
        {"no fields",
         form("").substr(0, 0) + R"({"requestId":"r","name":"","submitLabel":"","status":"x"})",
         false},
        {"fields not an array",
         R"({"requestId":"r","name":"","submitLabel":"","status":"x","fields":{}})", false},
        {"empty fields", form(""), true},
        {"any status and extra keys", form(field, R"(,"status2":1,"extra":{})"), true},
        {"requestId null",
         R"({"requestId":null,"name":"","submitLabel":"","status":"p","fields":[]})", false},
        {"name a number", R"({"requestId":"r","name":1,"submitLabel":"","status":"p","fields":[]})",
         false},
        {"missing submitLabel", R"({"requestId":"r","name":"","status":"p","fields":[]})", false},
        {"an array", "[]", false},
        {"a string", R"("form")", false},
        {"null", "null", false},
        {"required as text",
         form(field + R"(,{"id":"b","name":"B","type":"text","required":"true"})"), false},
        {"required missing", form(R"({"id":"b","name":"B","type":"text"})"), false},
        {"required a number", form(R"({"id":"b","name":"B","type":"text","required":1})"), false},
        {"field not an object", form(field + R"(,"b")"), false},
        {"id missing", form(R"({"name":"B","type":"text","required":false})"), false},
        {"type a number", form(R"({"id":"b","name":"B","type":3,"required":false})"), false},
        {"empty id and unknown type",
         form(R"({"id":"","name":"","type":"colour","required":false})"), true},
        {"keys differ in case", form(R"({"ID":"b","name":"B","type":"text","required":false})"),
         false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(conversationFormFromJSON(json(c.json)).has_value(), c.parses) << c.name;
}

TEST(ConversationFormJSONTest, FieldsKeepTheirOptionsConditionsAndValues) {
    const auto parsed = conversationFormFromJSON(json(form(
        R"({"id":"a","name":"A","type":"select","required":true,"options":["x",2,"y",null,"x"],
            "conditions":[{"fieldId":"b","operator":"exists"},3],"value":null,"extra":1},
           {"id":"b","name":"B","type":"multi_select","required":false,"options":"x",
            "conditions":{},"value":{"k":[1]}},
           {"id":"c","name":"C","type":"number","required":false,"value":2})")));
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->requestId, "r1");
    EXPECT_EQ(parsed->name, "Return");
    EXPECT_EQ(parsed->submitLabel, "Send");
    EXPECT_EQ(parsed->status, "pending");
    ASSERT_EQ(parsed->fields.size(), 3u);
    const auto& a = parsed->fields[0];
    EXPECT_EQ(a.options, (std::vector<std::string>{"x", "y", "x"}));
    EXPECT_EQ(a.conditions.size(), 2u);
    ASSERT_TRUE(a.value); // a JSON null is a value, not an absent key
    EXPECT_TRUE(a.value->isNull());
    EXPECT_TRUE(a.required);
    const auto& b = parsed->fields[1];
    EXPECT_TRUE(b.options.empty());
    EXPECT_TRUE(b.conditions.empty());
    EXPECT_EQ(b.value, json(R"({"k":[1]})"));
    EXPECT_EQ(parsed->fields[2].value, JSONValue(2.0));
    EXPECT_FALSE(conversationFormFromJSON(
                     json(form(R"({"id":"c","name":"C","type":"number","required":false})")))
                     ->fields[0]
                     .value);
}

TEST(ConversationFormAnswersTest, PrefilledValuesSeedTheAnswerTexts) {
    struct Case {
        std::optional<JSONValue> value;
        std::string text;
    };
    const std::vector<Case> cases = {
        {std::nullopt, ""},          {JSONValue("  as typed\u00A0"), "  as typed\u00A0"},
        {JSONValue(2.0), "2.0"},     {JSONValue(-3.5), "-3.5"},
        {JSONValue(1e20), "1e+20"},  {JSONValue(true), "true"},
        {JSONValue(false), "false"}, {JSONValue(nullptr), ""},
        {json("[1]"), ""},           {json("{}"), ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(prefilledText(c.value), c.text) << (c.value ? encodeJSON(*c.value) : "absent");

    VelmoraConversationForm f{"r", "", "", "pending", {}};
    f.fields.push_back({"m", "M", "multi_select", {"a", "b"}, false, {}, json(R"(["b",1,"zz"])")});
    f.fields.push_back({"n", "N", "multi_select", {"a"}, false, {}, JSONValue("a")});
    f.fields.push_back({"t", "T", "text", {}, false, {}, JSONValue("first")});
    f.fields.push_back({"t", "T2", "text", {}, false, {}, JSONValue("second")});
    const auto answers = seedAnswers(f);
    EXPECT_EQ(answers.selectedValues.at("m"), (std::set<std::string>{"b", "zz"}));
    EXPECT_FALSE(answers.selectedValues.contains("n"));
    EXPECT_EQ(answers.values.at("t"), "second");
}

TEST(ConversationFormAnswersTest, NumbersAreReadWholeOrNotAtAll) {
    struct Case {
        const char* text;
        std::optional<double> number;
    };
    const std::vector<Case> cases = {
        {"12", 12},          {"-3.5", -3.5}, {"1e3", 1000}, {"+4", 4},  {".5", 0.5}, {"0x10", 16},
        {"12abc", {}},       {"1,5", {}},    {"", {}},      {"-", {}},  {"+-1", {}}, {"--1", {}},
        {"1e400", HUGE_VAL}, {"1e-400", 0},  {"abc", {}},   {"0x", {}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(readNumber(c.text), c.number) << c.text;
    const auto nan = readNumber("nan");
    ASSERT_TRUE(nan);
    EXPECT_TRUE(std::isnan(*nan));
}

// A form with one field of each kind, some prefilled.
VelmoraConversationForm everyKind() {
    VelmoraConversationForm f{"r1", "Return", "Send", "pending", {}};
    f.fields.push_back({"count", "Count", "number", {}, false, {}, JSONValue(2.0)});
    f.fields.push_back({"note", "Note", "text", {}, false, {}, JSONValue(2.0)});
    f.fields.push_back({"ok", "OK", "boolean", {}, false, {}, std::nullopt});
    f.fields.push_back({"size", "Size", "select", {"S", "M"}, false, {}, std::nullopt});
    f.fields.push_back({"tags", "Tags", "multi_select", {"a", "b", "c"}, false, {}, std::nullopt});
    f.fields.push_back({"day", "Day", "date", {}, false, {}, std::nullopt});
    f.fields.push_back({"mail", "Mail", "email", {}, false, {}, std::nullopt});
    return f;
}

TEST(ConversationFormAnswersTest, AnswersBecomeContractValuesByFieldType) {
    const auto f = everyKind();
    auto answers = seedAnswers(f);
    auto values = contractValues(f, answers);
    EXPECT_EQ(values.at("count"), JSONValue(2.0));
    EXPECT_EQ(values.at("note"), JSONValue("2.0"));
    EXPECT_EQ(values.at("ok"), JSONValue(nullptr));
    EXPECT_EQ(values.at("size"), JSONValue(""));
    EXPECT_EQ(values.at("tags"), JSONValue(JSONValue::Array{}));
    // The untouched form submits only what it holds: the two prefilled values.
    EXPECT_EQ(formSubmissionValues(f, answers),
              (JSONValue::Object{{"count", 2.0}, {"note", "2.0"}}));

    answers.values["count"] = "   ";
    answers.values["note"] = " \u00A0 spaced text\u2028 ";
    answers.values["ok"] = "false";
    answers.values["size"] = "M";
    answers.selectedValues["tags"] = {"c", "a", "not an option"};
    answers.values["day"] = "2024-02-29";
    answers.values["mail"] = " a@b.co ";
    values = contractValues(f, answers);
    EXPECT_EQ(values.at("count"), JSONValue(nullptr));
    EXPECT_EQ(values.at("note"), JSONValue("spaced text"));
    EXPECT_EQ(values.at("ok"), JSONValue(false));
    EXPECT_EQ(values.at("tags"), (JSONValue(JSONValue::Array{"a", "c"})));
    EXPECT_EQ(formSubmissionValues(f, answers),
              (JSONValue::Object{{"note", "spaced text"},
                                 {"ok", false},
                                 {"size", "M"},
                                 {"tags", JSONValue::Array{"a", "c"}},
                                 {"day", "2024-02-29"},
                                 {"mail", "a@b.co"}}));
}

TEST(ConversationFormAnswersTest, TheContractRefusesAnswersThatBreakTheirType) {
    struct Case {
        const char* field;
        const char* text;
    };
    const std::vector<Case> refused =
        {
            {"count", "twelve"},   {"count", "inf"},           {"day", "2023-02-29"},
            {"day", "29.02.2024"}, {"mail", "not-an-address"}, {"size", "XL"},
            {"ok", "yes"}, // a boolean answer that is neither text is null: left out, not refused
        };
    for (const auto& c : refused) {
        const auto f = everyKind();
        auto answers = seedAnswers(f);
        answers.values[c.field] = c.text;
        const bool expectRefused = std::string_view(c.field) != "ok";
        EXPECT_EQ(!formSubmissionValues(f, answers).has_value(), expectRefused)
            << c.field << "=" << c.text;
    }
    auto duplicate = everyKind();
    duplicate.fields.push_back(duplicate.fields.front());
    EXPECT_FALSE(formSubmissionValues(duplicate, seedAnswers(duplicate)));
    auto submitted = everyKind();
    submitted.status = "submitted";
    EXPECT_FALSE(formSubmissionValues(submitted, seedAnswers(submitted)));
}

TEST(ConversationFormAnswersTest, RequiredGatingCountsOnlyVisibleFields) {
    VelmoraConversationForm f{"r", "", "", "pending", {}};
    f.fields.push_back(
        {"reason", "Reason", "select", {"damaged", "other"}, true, {}, std::nullopt});
    f.fields.push_back({"detail",
                        "Detail",
                        "text",
                        {},
                        true,
                        {json(R"({"fieldId":"reason","operator":"equals","value":"other"})")},
                        std::nullopt});
    f.fields.push_back({"agree", "Agree", "boolean", {}, true, {}, std::nullopt});
    f.fields.push_back({"tags", "Tags", "multi_select", {"a"}, true, {}, std::nullopt});
    f.fields.push_back({"count", "Count", "number", {}, true, {}, std::nullopt});

    struct Step {
        const char* name;
        std::function<void(ConversationFormAnswers&)> change;
        bool present;
    };
    ConversationFormAnswers answers = seedAnswers(f);
    const std::vector<Step> steps = {
        {"nothing answered", [](auto&) {}, false},
        {"reason without the hidden detail", [](auto& a) { a.values["reason"] = "damaged"; },
         false},
        {"agree switched off counts", [](auto& a) { a.values["agree"] = "false"; }, false},
        {"a chosen tag", [](auto& a) { a.selectedValues["tags"] = {"a"}; }, false},
        {"letters in a number count as filled", [](auto& a) { a.values["count"] = "many"; }, true},
        {"'other' shows the empty required detail", [](auto& a) { a.values["reason"] = "other"; },
         false},
        {"blanks do not fill it", [](auto& a) { a.values["detail"] = " \u00A0\n"; }, false},
        {"text fills it", [](auto& a) { a.values["detail"] = "scratched"; }, true},
        {"hiding it again keeps the gate open", [](auto& a) { a.values["reason"] = "damaged"; },
         true},
        {"no tag chosen", [](auto& a) { a.selectedValues["tags"].clear(); }, false},
    };
    for (const auto& step : steps) {
        step.change(answers);
        EXPECT_EQ(requiredValuesPresent(f, answers), step.present) << step.name;
    }
    // Letters in a number pass the gate but not the contract; the hidden detail is not sent.
    answers.selectedValues["tags"] = {"a"};
    EXPECT_FALSE(formSubmissionValues(f, answers));
    answers.values["count"] = "3";
    EXPECT_EQ(formSubmissionValues(f, answers), (JSONValue::Object{{"reason", "damaged"},
                                                                   {"agree", false},
                                                                   {"tags", JSONValue::Array{"a"}},
                                                                   {"count", 3.0}}));
}

TEST(ConversationFormModelTest, StatusFlagsAndCopyDecideWhatShows) {
    const auto experience = fixtures::experience("en");
    const VelmoraPlatformSettingsValues platform;
    auto f = everyKind();
    f.fields[0].required = true;
    auto answers = seedAnswers(f);

    auto model = conversationFormModel(f, answers, false, false, experience.copy,
                                       experience.appearance, platform);
    EXPECT_EQ(model.status, FormStatusDisplay::pending);
    EXPECT_EQ(model.title, "Return");
    ASSERT_EQ(model.fields.size(), f.fields.size());
    EXPECT_EQ(model.fields[0].label, "Count *");
    EXPECT_EQ(model.fields[0].identifier, "velmora.widget.form.field.count");
    EXPECT_EQ(model.fields[2].kind, FormEditorKind::toggle);
    EXPECT_EQ(model.fields[3].kind, FormEditorKind::select);
    EXPECT_EQ(model.fields[4].kind, FormEditorKind::multiSelect);
    EXPECT_EQ(model.fields[5].kind, FormEditorKind::date);
    EXPECT_EQ(model.fields[6].kind, FormEditorKind::text);
    EXPECT_TRUE(model.submitEnabled);
    EXPECT_FALSE(model.validationMessage);
    EXPECT_EQ(model.submitLabel, "Send");

    model = conversationFormModel(f, answers, true, true, experience.copy, experience.appearance,
                                  platform);
    EXPECT_TRUE(model.busy);
    EXPECT_FALSE(model.submitEnabled);
    EXPECT_EQ(model.validationMessage, experience.copy.values().at("form.submitFailed"));
    EXPECT_EQ(model.workingText, experience.copy.values().at("status.working"));

    // Without "form.submitFailed" the message falls back to "status.failed".
    auto values = experience.copy.values();
    values.erase("form.submitFailed");
    values.erase("form.expired");
    JSONValue::Object table;
    for (const auto& [key, text] : values)
        table[key] = text;
    const auto partial = decodeJSON<VelmoraWidgetCopy>(std::string(R"({"values":)") +
                                                       encodeJSON(JSONValue(table)) + "}");
    EXPECT_EQ(
        conversationFormModel(f, answers, true, false, partial, experience.appearance, platform)
            .validationMessage,
        values.at("status.failed"));

    f.status = "submitted";
    model = conversationFormModel(f, answers, true, false, experience.copy, experience.appearance,
                                  platform);
    EXPECT_EQ(model.status, FormStatusDisplay::submitted);
    EXPECT_TRUE(model.fields.empty());
    EXPECT_EQ(model.statusIdentifier, "velmora.widget.form.submitted");
    f.status = "Pending";
    model =
        conversationFormModel(f, answers, false, false, partial, experience.appearance, platform);
    EXPECT_EQ(model.status, FormStatusDisplay::expired);
    EXPECT_EQ(model.statusText, "");
    EXPECT_TRUE(model.statusIdentifier.empty());
}

TEST(ConversationFormModelTest, TypesAreMatchedExactly) {
    struct Case {
        const char* type;
        FormEditorKind kind;
    };
    for (const auto& c : std::vector<Case>{{"boolean", FormEditorKind::toggle},
                                           {"Boolean", FormEditorKind::text},
                                           {"select", FormEditorKind::select},
                                           {"multi_select", FormEditorKind::multiSelect},
                                           {"multi-select", FormEditorKind::text},
                                           {"date", FormEditorKind::date},
                                           {"url", FormEditorKind::text},
                                           {"", FormEditorKind::text}})
        EXPECT_EQ(formEditorKind(c.type), c.kind) << c.type;
}

TEST(MultiSelectModelTest, SearchFiltersByTrimmedCaseFreeText) {
    const std::vector<std::string> options = {"cab", "ABC", "Straße", "x"};
    struct Case {
        const char* query;
        std::vector<std::string> shown;
    };
    const std::vector<Case> cases = {
        {"", options},   {"  \n ", options},     {"  Ab ", {"cab", "ABC"}},
        {"STRASSE", {}}, {"straße", {"Straße"}}, {"zzz", {}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(filteredOptions(options, c.query), c.shown) << c.query;
    EXPECT_EQ(optionSearchTitle("xx", "Colours"), "Colours");
}

TEST(AttachedContentTest, FormThenCommerceThenTheChatOnlyNote) {
    const auto valid = json(form(R"({"id":"a","name":"A","type":"text","required":true})"));
    const auto invalid = json(R"({"requestId":"r"})");
    const auto commerce = json(R"({"kind":"order_collection","collection":{}})");
    struct Case {
        const char* name;
        std::optional<JSONValue> form;
        std::optional<JSONValue> commerce;
        bool controller;
        AttachedContentKind kind;
    };
    const std::vector<Case> cases = {
        {"form and commerce with a controller", valid, commerce, true, AttachedContentKind::form},
        {"form and commerce without one", valid, commerce, false, AttachedContentKind::commerce},
        {"an invalid form alone", invalid, std::nullopt, true, AttachedContentKind::chatOnlyNote},
        {"an invalid form and commerce", invalid, commerce, true, AttachedContentKind::commerce},
        {"a form without a controller", valid, std::nullopt, false,
         AttachedContentKind::chatOnlyNote},
        {"an unparsable commerce result is still chosen", std::nullopt, json("[]"), true,
         AttachedContentKind::commerce},
        {"neither", std::nullopt, std::nullopt, true, AttachedContentKind::none},
    };
    for (const auto& c : cases) {
        auto message = fixtures::message("m", "inbound", "ai", "text");
        message.conversationForm = c.form;
        message.commerceResult = c.commerce;
        const auto content = attachedContent(message, c.controller);
        EXPECT_EQ(content.kind, c.kind) << c.name;
        EXPECT_EQ(content.form.has_value(), c.kind == AttachedContentKind::form) << c.name;
    }
}

} // namespace
} // namespace velmora
