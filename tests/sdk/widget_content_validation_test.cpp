#include "velmora/widget_content_validation.hpp"

#include "detail/json.hpp"
#include "detail/json_codec.hpp"
#include "velmora/error.hpp"

#include <gtest/gtest.h>

#include <boost/json/array.hpp>
#include <boost/json/object.hpp>

#include <cmath>
#include <functional>
#include <variant>

namespace velmora {
namespace {

namespace json = detail::json;

constexpr const char* kContent = R"({
  "ok": true,
  "locale": "en",
  "behavior": {
    "enabled": true, "mode": "guided", "showHomeContact": true, "showFaqFirst": false,
    "faqSectionTitleKey": "faq.title", "workflowSectionTitleKey": "wf.title",
    "contactFallbackLabelKey": "contact.label", "operatorEscalationLabelKey": "operator.label",
    "faq": [
      {"id": "faq-1", "titleKey": "faq.1.q", "bodyKey": "faq.1.a", "action": "start-workflow",
       "actionLabelKey": "faq.1.action", "workflowId": "wf-1",
       "prefill": {"subjectKey": "prefill.subject", "messageKey": "prefill.message",
                   "productArea": "billing"}},
      {"id": "faq-2", "titleKey": "faq.2.q", "bodyKey": "faq.2.a", "action": "none"}
    ],
    "workflows": [
      {"id": "wf-1", "titleKey": "wf.1.title", "descriptionKey": "wf.1.desc",
       "initialStepId": "s1", "steps": [
        {"id": "s1", "type": "question", "promptKey": "wf.1.s1", "detailKey": "wf.1.s1.detail",
         "options": [
          {"id": "o1", "labelKey": "wf.1.o1", "labelValues": {"count": 3, "name": "Ada"},
           "action": "next-step", "nextStepId": "s2"},
          {"id": "o2", "labelKey": "wf.1.o2", "action": "host-action",
           "hostActionId": "open-orders", "prefill": {"productArea": "orders"}}
        ]},
        {"id": "s2", "type": "handoff", "promptKey": "wf.1.s2",
         "handoffReasonKey": "wf.1.s2.reason"}
      ]},
      {"id": "wf-2", "titleKey": "wf.2.title", "descriptionKey": "wf.2.desc",
       "initialStepId": "t1", "steps": [
        {"id": "t1", "type": "answer", "promptKey": "wf.2.t1", "options": null}
      ]}
    ]
  },
  "messages": {
    "faq.title": "FAQ", "wf.title": "Guides", "contact.label": "Contact us",
    "operator.label": "Talk to a person", "faq.1.q": "Where is my order?",
    "faq.1.a": "Check the tracking link.", "faq.1.action": "Start", "faq.2.q": "Refunds?",
    "faq.2.a": "Within 14 days.", "prefill.subject": "Order", "prefill.message": "Hi",
    "wf.1.title": "Order help", "wf.1.desc": "Find your order", "wf.1.s1": "What happened?",
    "wf.1.s1.detail": "Pick one", "wf.1.o1": "{count} items for {name}", "wf.1.o2": "Open orders",
    "wf.1.s2": "Connecting you", "wf.1.s2.reason": "Needs a person", "wf.2.title": "Returns",
    "wf.2.desc": "How returns work", "wf.2.t1": "Send it back.", "unused": ""
  }
})";

json::value base() {
    return detail::parseJSON(kContent);
}

json::object& behavior(json::value& root) {
    return root.at("behavior").as_object();
}
json::array& faq(json::value& root) {
    return behavior(root).at("faq").as_array();
}
json::array& workflows(json::value& root) {
    return behavior(root).at("workflows").as_array();
}
json::object& workflow(json::value& root, std::size_t w) {
    return workflows(root)[w].as_object();
}
json::array& steps(json::value& root, std::size_t w) {
    return workflow(root, w).at("steps").as_array();
}
json::object& step(json::value& root, std::size_t w, std::size_t s) {
    return steps(root, w)[s].as_object();
}
json::array& options(json::value& root) {
    return step(root, 0, 0).at("options").as_array();
}
json::object& option(json::value& root, std::size_t o) {
    return options(root)[o].as_object();
}
json::object& messages(json::value& root) {
    return root.at("messages").as_object();
}

std::string repeated(std::string_view unit, std::size_t count) {
    std::string out;
    for (std::size_t i = 0; i < count; ++i) {
        out += unit;
    }
    return out;
}

const VelmoraError kContentError(VelmoraErrorCode::http, std::nullopt, std::nullopt,
                                 "Widget content response is invalid.");

enum class Result { pass, fail };

// Runs one entry; anything but success or the content error is a test failure.
template <class Run> Result outcome(Run run) {
    try {
        run();
        return Result::pass;
    } catch (const VelmoraError& error) {
        EXPECT_EQ(error, kContentError);
        return Result::fail;
    }
}

Result typed(const json::value& root, const std::optional<std::string>& locale = "en") {
    VelmoraWidgetContentResponse response;
    try {
        response = decodeJSON<VelmoraWidgetContentResponse>(detail::writeJSON(root));
    } catch (const VelmoraDecodingError&) {
        return Result::fail;
    }
    return outcome([&] { VelmoraWidgetContentValidation::validate(response, locale); });
}

Result fromBytes(std::string_view text, const std::optional<std::string>& locale = "en") {
    const Data data(text.begin(), text.end());
    return outcome([&] { VelmoraWidgetContentValidation::validate(data, locale); });
}

Result fromObject(const json::value& root, const std::optional<std::string>& locale = "en") {
    const auto value = detail::Codec<JSONValue>::decode(root, "");
    return outcome([&] { VelmoraWidgetContentValidation::validate(*value.ifObject(), locale); });
}

struct Case {
    std::string name;
    std::function<void(json::value&)> edit;
    Result typedResult;
    Result rawResult; // bytes and parsed-object entries
};

void runCases(const std::vector<Case>& cases) {
    for (const auto& c : cases) {
        auto root = base();
        c.edit(root);
        EXPECT_EQ(typed(root), c.typedResult) << c.name << " (typed)";
        EXPECT_EQ(fromBytes(detail::writeJSON(root)), c.rawResult) << c.name << " (bytes)";
        EXPECT_EQ(fromObject(root), c.rawResult) << c.name << " (object)";
    }
}

const Result P = Result::pass;
const Result F = Result::fail;

TEST(VelmoraWidgetContentValidationTest, ValidContentBecomesASnapshot) {
    const auto root = base();
    const Data data(std::string_view(kContent).begin(), std::string_view(kContent).end());
    const auto snapshot = VelmoraWidgetContentValidation::validate(data, std::string("en"));
    EXPECT_EQ(snapshot.locale, "en");
    EXPECT_EQ(snapshot.behavior.faq.size(), 2u);
    EXPECT_EQ(snapshot.messages.at("unused"), "");
    EXPECT_EQ(
        snapshot.text("wf.1.o1", snapshot.behavior.workflows[0].steps[0].options[0].labelValues),
        "3.0 items for Ada");
    const auto response = decodeJSON<VelmoraWidgetContentResponse>(kContent);
    EXPECT_EQ(
        VelmoraWidgetContentValidation::validate(response, std::nullopt),
        (VelmoraWidgetContentSnapshot{response.locale, response.behavior, response.messages}));
}

TEST(VelmoraWidgetContentValidationTest, LocaleAndFlag) {
    struct LocaleCase {
        std::string locale;
        std::optional<std::string> expected;
        Result result;
    };
    const LocaleCase cases[] = {
        {"en", std::nullopt, P}, {"uk", std::nullopt, P}, {"de", std::nullopt, P},
        {"es", std::nullopt, P}, {"es", "es", P},         {"fr", std::nullopt, F},
        {"fr", "fr", F},         {"en", "en-US", F},      {"en", "EN", F},
        {"EN", "EN", F},         {"de", "en", F},
    };
    for (const auto& c : cases) {
        auto root = base();
        root.as_object()["locale"] = c.locale;
        EXPECT_EQ(typed(root, c.expected), c.result) << c.locale;
        EXPECT_EQ(fromBytes(detail::writeJSON(root), c.expected), c.result) << c.locale;
    }
    auto root = base();
    root.as_object()["ok"] = false;
    EXPECT_EQ(typed(root), F);
    EXPECT_EQ(fromObject(root), F);
}

TEST(VelmoraWidgetContentValidationTest, LimitsAtTheirBoundaries) {
    const auto addMessages = [](json::value& root, std::size_t total) {
        auto& table = messages(root);
        for (std::size_t i = table.size(); i < total; ++i) {
            table["extra." + std::to_string(i)] = "x";
        }
    };
    const auto addFAQ = [](json::value& root, std::size_t total) {
        for (std::size_t i = faq(root).size(); i < total; ++i) {
            faq(root).push_back(json::object{{"id", "f" + std::to_string(i)},
                                             {"titleKey", "faq.2.q"},
                                             {"bodyKey", "faq.2.a"},
                                             {"action", "contact-support"}});
        }
    };
    const auto addWorkflows = [](json::value& root, std::size_t total) {
        for (std::size_t i = workflows(root).size(); i < total; ++i) {
            json::value copy = workflows(root)[1];
            copy.as_object()["id"] = "w" + std::to_string(i);
            workflows(root).push_back(copy);
        }
    };
    const auto addSteps = [](json::value& root, std::size_t total) {
        for (std::size_t i = steps(root, 1).size(); i < total; ++i) {
            steps(root, 1).push_back(json::object{
                {"id", "t" + std::to_string(i + 1)}, {"type", "answer"}, {"promptKey", "wf.2.t1"}});
        }
    };
    const auto addOptions = [](json::value& root, std::size_t total) {
        for (std::size_t i = options(root).size(); i < total; ++i) {
            options(root).push_back(json::object{{"id", "x" + std::to_string(i)},
                                                 {"labelKey", "wf.1.o2"},
                                                 {"action", "show-answer"},
                                                 {"nextStepId", "s2"}});
        }
    };
    const std::string emoji = "\xF0\x9F\x98\x80"; // two UTF-16 units
    std::vector<Case> cases{
        {"2048 messages", [&](auto& r) { addMessages(r, 2048); }, P, P},
        {"2049 messages", [&](auto& r) { addMessages(r, 2049); }, F, F},
        {"message key of 160 units", [](auto& r) { messages(r)[repeated("k", 160)] = "x"; }, P, P},
        {"message key of 161 units", [](auto& r) { messages(r)[repeated("k", 161)] = "x"; }, F, F},
        {"message key of 80 emoji", [&](auto& r) { messages(r)[repeated(emoji, 80)] = "x"; }, P, P},
        {"message key of 81 emoji", [&](auto& r) { messages(r)[repeated(emoji, 81)] = "x"; }, F, F},
        {"empty message key", [](auto& r) { messages(r)[""] = "x"; }, F, F},
        {"message text of 100000 units",
         [](auto& r) { messages(r)["unused"] = repeated("t", 100000); }, P, P},
        {"message text of 100001 units",
         [](auto& r) { messages(r)["unused"] = repeated("t", 100001); }, F, F},
        {"message text of 50000 emoji",
         [&](auto& r) { messages(r)["unused"] = repeated(emoji, 50000); }, P, P},
        {"message text of 50001 emoji",
         [&](auto& r) { messages(r)["unused"] = repeated(emoji, 50001); }, F, F},
        {"256 FAQ entries", [&](auto& r) { addFAQ(r, 256); }, P, P},
        {"257 FAQ entries", [&](auto& r) { addFAQ(r, 257); }, F, F},
        {"64 workflows", [&](auto& r) { addWorkflows(r, 64); }, P, P},
        {"65 workflows", [&](auto& r) { addWorkflows(r, 65); }, F, F},
        {"64 steps", [&](auto& r) { addSteps(r, 64); }, P, P},
        {"65 steps", [&](auto& r) { addSteps(r, 65); }, F, F},
        {"64 options", [&](auto& r) { addOptions(r, 64); }, P, P},
        {"65 options", [&](auto& r) { addOptions(r, 65); }, F, F},
        {"identifier of 160 units",
         [](auto& r) { faq(r)[1].as_object()["id"] = repeated("i", 160); }, P, P},
        {"identifier of 161 units",
         [](auto& r) { faq(r)[1].as_object()["id"] = repeated("i", 161); }, F, F},
        {"empty identifier", [](auto& r) { faq(r)[1].as_object()["id"] = ""; }, F, F},
        {"section key of 161 units",
         [](auto& r) {
             behavior(r)["faqSectionTitleKey"] = repeated("s", 161);
             messages(r)[repeated("s", 161)] = "x";
         },
         F, F},
        {"hostActionId of 161 units",
         [](auto& r) { option(r, 1)["hostActionId"] = repeated("h", 161); }, F, F},
        {"productArea of 161 units",
         [](auto& r) { option(r, 1)["prefill"].as_object()["productArea"] = repeated("p", 161); },
         F, F},
        {"label value of 2000 units",
         [](auto& r) { option(r, 0)["labelValues"].as_object()["name"] = repeated("v", 2000); }, P,
         P},
        {"label value of 2001 units",
         [](auto& r) { option(r, 0)["labelValues"].as_object()["name"] = repeated("v", 2001); }, F,
         F},
        {"label value key of 160 units",
         [](auto& r) { option(r, 0)["labelValues"].as_object()[repeated("n", 160)] = 1; }, P, P},
        {"label value key of 161 units",
         [](auto& r) { option(r, 0)["labelValues"].as_object()[repeated("n", 161)] = 1; }, F, F},
        {"label value true",
         [](auto& r) { option(r, 0)["labelValues"].as_object()["name"] = true; }, F, F},
        {"label value null",
         [](auto& r) { option(r, 0)["labelValues"].as_object()["name"] = nullptr; }, F, F},
        {"label value object",
         [](auto& r) { option(r, 0)["labelValues"].as_object()["name"] = json::object{}; }, F, F},
        {"label value -2.5",
         [](auto& r) { option(r, 0)["labelValues"].as_object()["name"] = -2.5; }, P, P},
        {"empty label values", [](auto& r) { option(r, 0)["labelValues"] = json::object{}; }, P, P},
    };
    runCases(cases);
}

TEST(VelmoraWidgetContentValidationTest, IdentifiersAndReferences) {
    const std::string nfc = "caf\xC3\xA9";
    const std::string nfd = "cafe\xCC\x81";
    runCases({
        {"duplicate FAQ ids", [](auto& r) { faq(r)[1].as_object()["id"] = "faq-1"; }, F, F},
        {"FAQ ids equal in NFC and NFD",
         [&](auto& r) {
             faq(r)[0].as_object()["id"] = nfc;
             faq(r)[1].as_object()["id"] = nfd;
         },
         F, F},
        {"FAQ and workflow sharing an id", [](auto& r) { faq(r)[1].as_object()["id"] = "wf-1"; }, P,
         P},
        {"duplicate workflow ids", [](auto& r) { workflow(r, 1)["id"] = "wf-1"; }, F, F},
        {"duplicate step ids", [](auto& r) { step(r, 0, 1)["id"] = "s1"; }, F, F},
        {"duplicate option ids", [](auto& r) { option(r, 1)["id"] = "o1"; }, F, F},
        {"option and step sharing an id", [](auto& r) { option(r, 1)["id"] = "s1"; }, P, P},
        {"ids with spaces and non-ASCII letters",
         [&](auto& r) { faq(r)[1].as_object()["id"] = "an id " + nfc; }, P, P},
        {"start-workflow naming no workflow",
         [](auto& r) { faq(r)[0].as_object()["workflowId"] = "wf-9"; }, F, F},
        {"start-workflow without workflowId",
         [](auto& r) { faq(r)[0].as_object().erase("workflowId"); }, F, F},
        {"start-workflow naming the workflow in NFD",
         [&](auto& r) {
             workflow(r, 0)["id"] = nfc;
             faq(r)[0].as_object()["workflowId"] = nfd;
         },
         P, P},
        {"action none with a workflowId",
         [](auto& r) { faq(r)[1].as_object()["workflowId"] = "wf-1"; }, F, F},
        {"unknown FAQ action", [](auto& r) { faq(r)[1].as_object()["action"] = "call"; }, F, F},
        {"unknown behaviour mode", [](auto& r) { behavior(r)["mode"] = "ai"; }, F, F},
        {"ai-assisted mode", [](auto& r) { behavior(r)["mode"] = "ai-assisted"; }, P, P},
        {"unknown step type", [](auto& r) { step(r, 0, 1)["type"] = "form"; }, F, F},
        {"show-answer without nextStepId",
         [](auto& r) {
             option(r, 0)["action"] = "show-answer";
             option(r, 0).erase("nextStepId");
         },
         F, F},
        {"handoff leading to a step", [](auto& r) { option(r, 0)["action"] = "handoff"; }, P, P},
        {"host-action with a nextStepId", [](auto& r) { option(r, 1)["nextStepId"] = "s2"; }, F, F},
        {"host-action without hostActionId", [](auto& r) { option(r, 1).erase("hostActionId"); }, F,
         F},
        {"next-step with a hostActionId", [](auto& r) { option(r, 0)["hostActionId"] = "x"; }, F,
         F},
        {"nextStepId in another workflow", [](auto& r) { option(r, 0)["nextStepId"] = "t1"; }, F,
         F},
        {"nextStepId naming no step", [](auto& r) { option(r, 0)["nextStepId"] = "s9"; }, F, F},
        {"initialStepId naming no step", [](auto& r) { workflow(r, 1)["initialStepId"] = "s1"; }, F,
         F},
        {"workflow without steps", [](auto& r) { workflow(r, 1)["steps"] = json::array{}; }, F, F},
        {"question step without options", [](auto& r) { step(r, 0, 0)["type"] = "answer"; }, P, P},
    });
}

TEST(VelmoraWidgetContentValidationTest, MessageKeysThatAreReferenced) {
    runCases({
        {"productArea naming no message", [](auto&) {}, P, P},
        {"prefill subjectKey naming no message",
         [](auto& r) { faq(r)[0].as_object()["prefill"].as_object()["subjectKey"] = "nope"; }, F,
         F},
        {"prefill messageKey naming an empty text",
         [](auto& r) { faq(r)[0].as_object()["prefill"].as_object()["messageKey"] = "unused"; }, F,
         F},
        {"option prefill subjectKey naming no message",
         [](auto& r) { option(r, 1)["prefill"].as_object()["subjectKey"] = "nope"; }, F, F},
        {"referenced text made empty", [](auto& r) { messages(r)["wf.1.s2.reason"] = ""; }, F, F},
        {"referenced key missing", [](auto& r) { messages(r).erase("faq.1.action"); }, F, F},
        {"section title missing", [](auto& r) { messages(r).erase("operator.label"); }, F, F},
        {"detail key missing", [](auto& r) { messages(r).erase("wf.1.s1.detail"); }, F, F},
        {"label key missing", [](auto& r) { messages(r).erase("wf.1.o2"); }, F, F},
        {"unreferenced empty text", [](auto& r) { messages(r)["another"] = ""; }, P, P},
        {"key referenced in NFD, stored in NFC",
         [](auto& r) {
             messages(r)["caf\xC3\xA9"] = "Coffee";
             step(r, 1, 0)["promptKey"] = "cafe\xCC\x81";
         },
         P, P},
        {"disabled content is still checked",
         [](auto& r) {
             behavior(r)["enabled"] = false;
             messages(r).erase("faq.title");
         },
         F, F},
    });
}

TEST(VelmoraWidgetContentValidationTest, RawEntriesRefuseNullsThatDecodingAccepts) {
    runCases({
        {"showHomeContact null", [](auto& r) { behavior(r)["showHomeContact"] = nullptr; }, P, F},
        {"showHomeContact absent", [](auto& r) { behavior(r).erase("showHomeContact"); }, P, P},
        {"workflowId null on a FAQ without workflow",
         [](auto& r) { faq(r)[1].as_object()["workflowId"] = nullptr; }, P, F},
        {"actionLabelKey null", [](auto& r) { faq(r)[1].as_object()["actionLabelKey"] = nullptr; },
         P, F},
        {"FAQ prefill null", [](auto& r) { faq(r)[1].as_object()["prefill"] = nullptr; }, P, F},
        {"prefill subjectKey null",
         [](auto& r) { faq(r)[0].as_object()["prefill"].as_object()["subjectKey"] = nullptr; }, P,
         F},
        {"prefill productArea null",
         [](auto& r) { option(r, 1)["prefill"].as_object()["productArea"] = nullptr; }, P, F},
        {"empty prefill object", [](auto& r) { faq(r)[1].as_object()["prefill"] = json::object{}; },
         P, P},
        {"option prefill null", [](auto& r) { option(r, 0)["prefill"] = nullptr; }, P, F},
        {"detailKey null", [](auto& r) { step(r, 0, 1)["detailKey"] = nullptr; }, P, F},
        {"handoffReasonKey null", [](auto& r) { step(r, 1, 0)["handoffReasonKey"] = nullptr; }, P,
         F},
        {"options null", [](auto& r) { step(r, 0, 1)["options"] = nullptr; }, P, P},
        {"options absent", [](auto& r) { step(r, 1, 0).erase("options"); }, P, P},
        {"nextStepId null on a host action", [](auto& r) { option(r, 1)["nextStepId"] = nullptr; },
         P, F},
        {"hostActionId null on a next step",
         [](auto& r) { option(r, 0)["hostActionId"] = nullptr; }, P, F},
        {"labelValues null", [](auto& r) { option(r, 0)["labelValues"] = nullptr; }, P, P},
    });
}

TEST(VelmoraWidgetContentValidationTest, RawEntriesRefuseWhatIsNotAContentObject) {
    for (const char* text : {"[]", "[{}]", "not json", "", "null", "\"text\"", "{}",
                             R"({"ok": true})", "{\"ok\": tru"}) {
        EXPECT_EQ(fromBytes(text), F) << text;
    }
    EXPECT_EQ(fromObject(json::object{}), F);

    auto value = detail::Codec<JSONValue>::decode(base(), "");
    auto object = *value.ifObject();
    object["extra"] = JSONValue(std::nan(""));
    EXPECT_EQ(outcome([&] { VelmoraWidgetContentValidation::validate(object, std::nullopt); }), F);
    object["extra"] = JSONValue(std::string("\xFF"));
    EXPECT_EQ(outcome([&] { VelmoraWidgetContentValidation::validate(object, std::nullopt); }), F);
    object.erase("extra");
    object["\xC3"] = JSONValue(1.0);
    EXPECT_EQ(outcome([&] { VelmoraWidgetContentValidation::validate(object, std::nullopt); }), F);
    object.erase("\xC3");
    object["extra"] = JSONValue(1.0);
    EXPECT_EQ(outcome([&] { VelmoraWidgetContentValidation::validate(object, std::nullopt); }), P);
}

TEST(VelmoraWidgetContentValidationTest, ArticleIdentifiers) {
    const std::pair<std::string, Result> cases[] = {
        {"a", P},
        {"A1:b_c-d", P},
        {"9", P},
        {repeated("a", 128), P},
        {repeated("a", 129), F},
        {":a", F},
        {"_a", F},
        {"-a", F},
        {"", F},
        {"a b", F},
        {"caf\xC3\xA9", F},
        {"a\n", F},
        {"a.b", F},
    };
    for (const auto& [id, expected] : cases) {
        EXPECT_EQ(
            outcome([&] { EXPECT_EQ(VelmoraWidgetContentValidation::validateArticleID(id), id); }),
            expected)
            << id;
    }
}

} // namespace
} // namespace velmora
