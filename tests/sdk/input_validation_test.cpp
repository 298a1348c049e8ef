#include "input_validation.hpp"

#include "velmora/error.hpp"

#include "field_invalid_support.hpp"

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>

namespace velmora::detail {
namespace {

using V = VelmoraInputValidation;

const std::string kProcedureInvalid = "Procedure action input is invalid.";
const std::string kProposalInvalid = "Commerce proposal input is invalid.";
const std::string kSelectionInvalid = "Commerce line item selection is invalid.";
const std::string kLineItemInvalid = "Commerce line item is invalid.";

using ::velmora::testing::failureOf;
using ::velmora::testing::repeated;

// "e" followed by U+0301 COMBINING ACUTE ACCENT: one character, two scalars, two UTF-16 units,
// three bytes.
const std::string kDecomposedE = "e\xCC\x81";

TEST(InputValidationTextTest, CountsCharactersAndRefusesControls) {
    struct Case {
        std::string name;
        std::string value;
        std::size_t maximum;
        bool expected;
    };
    const Case cases[] = {
        {"empty", "", 10, false},
        {"at the limit", "abc", 3, true},
        {"over the limit", "abcd", 3, false},
        {"512 decomposed characters", repeated(kDecomposedE, 512), 512, true},
        {"513 decomposed characters", repeated(kDecomposedE, 513), 512, false},
        {"family emoji is one character", "\xF0\x9F\x91\xA8\xE2\x80\x8D\xF0\x9F\x91\xA9", 1, true},
        {"tab", "a\tb", 10, false},
        {"line feed at the end", "ab\n", 10, false},
        {"carriage return and line feed", "\r\n", 10, false},
        {"unit separator", "\x1f", 10, false},
        {"delete", "\x7f", 10, true},
        {"next line U+0085", "a\xC2\x85", 10, true},
        {"line separator U+2028", "a\xE2\x80\xA8", 10, true},
        {"invalid UTF-8", "a\xFF", 10, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(V::isText(c.value, c.maximum), c.expected) << c.name;
    }
}

TEST(InputValidationIdempotencyKeyTest, SixteenToOneHundredTwentyEightSafeCharacters) {
    struct Case {
        std::string key;
        bool valid;
    };
    const Case cases[] = {
        {std::string(15, 'k'), false},
        {std::string(16, 'k'), true},
        {std::string(128, 'k'), true},
        {std::string(129, 'k'), false},
        {"Abc_def-0123456789", true},
        {"abcdefghijklmno.", false},
        {"abcdefgh ijklmnop", false},
        {"", false},
        // A key reaches a request header: a line break must never pass, not even at the end.
        {std::string(16, 'k') + "\n", false},
        {std::string(16, 'k') + "\r", false},
        {std::string(16, 'k') + "\r\n", false},
        {"\n" + std::string(16, 'k'), false},
        {std::string(16, 'k') + "\xE2\x80\xA8", false},
        {std::string(15, 'k') + "\xC3\xA9", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(failureOf([&] { V::requireIdempotencyKey(c.key); }),
                  c.valid ? std::nullopt
                          : std::optional<std::string>("Idempotency key is invalid."))
            << c.key;
    }
}

TEST(InputValidationReferenceTest, OneToOneHundredTwentyEightSafeCharacters) {
    struct Case {
        std::string value;
        bool valid;
    };
    const Case cases[] = {
        {"a", true},
        {"abc_DEF-123", true},
        {std::string(128, 'r'), true},
        {std::string(129, 'r'), false},
        {"", false},
        {"ab\tc", false},
        {"abc\n", false},
        {"a.b", false},
        {"a/b", false},
        {"caf\xC3\xA9", false},
    };
    const std::string message = "Order reference is invalid.";
    for (const auto& c : cases) {
        EXPECT_EQ(failureOf([&] { V::requireReference(c.value, message); }),
                  c.valid ? std::nullopt : std::optional(message))
            << c.value;
    }
}

TEST(InputValidationSessionTest, IdThenTokenThenConversation) {
    struct Case {
        std::string name;
        VelmoraSession session;
        std::optional<std::string> failure;
    };
    const Case cases[] = {
        {"valid without conversation", {"ses_1", std::nullopt, "token"}, std::nullopt},
        {"valid with conversation", {"ses_1", "conv_1", "token"}, std::nullopt},
        {"token of any printable text", {"ses_1", std::nullopt, "t\xC3\xB6k en/+="}, std::nullopt},
        {"token of 8192", {"ses_1", std::nullopt, std::string(8192, 't')}, std::nullopt},
        {"token of 8193",
         {"ses_1", std::nullopt, std::string(8193, 't')},
         "Session token is invalid."},
        {"token with a line feed", {"ses_1", std::nullopt, "tok\nen"}, "Session token is invalid."},
        {"empty token", {"ses_1", std::nullopt, ""}, "Session token is invalid."},
        {"id before token", {"ses 1", std::nullopt, ""}, "Session id is invalid."},
        {"id with a trailing line feed", {"ses_1\n", std::nullopt, "t"}, "Session id is invalid."},
        {"token before conversation", {"ses_1", "", ""}, "Session token is invalid."},
        {"empty conversation", {"ses_1", "", "t"}, "Conversation id is invalid."},
        {"conversation with a slash", {"ses_1", "conv/1", "t"}, "Conversation id is invalid."},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(failureOf([&] { V::requireSession(c.session); }), c.failure) << c.name;
    }
}

VelmoraProcedureActionInput startInput() {
    VelmoraProcedureActionInput input;
    input.action = "start";
    input.value = "go";
    input.idempotencyKey = "proc_key_0123456789";
    input.procedureId = "tour.intro-A2";
    return input;
}

VelmoraProcedureActionInput answerInput(std::string action = "answer") {
    VelmoraProcedureActionInput input;
    input.action = std::move(action);
    input.value = "yes";
    input.idempotencyKey = "proc_key_0123456789";
    input.runId = "wr_1";
    input.expectedUpdatedAt = "2024-05-01T10:00:00Z";
    return input;
}

struct ProcedureCase {
    std::string name;
    std::function<VelmoraProcedureActionInput()> make;
    bool valid;
};

template <class Change> std::function<VelmoraProcedureActionInput()> answerWith(Change change) {
    return [change] {
        auto input = answerInput();
        change(input);
        return input;
    };
}

template <class Change> std::function<VelmoraProcedureActionInput()> startWith(Change change) {
    return [change] {
        auto input = startInput();
        change(input);
        return input;
    };
}

using In = VelmoraProcedureActionInput;

std::vector<ProcedureCase> procedureCases() {
    std::vector<ProcedureCase> cases = {
        {"start", startInput, true},
        {"unknown action", answerWith([](In& i) { i.action = "Answer"; }), false},
        {"action with a trailing space", answerWith([](In& i) { i.action = "answer "; }), false},
        {"empty value", answerWith([](In& i) { i.value = ""; }), false},
        {"back needs a value",
         [] {
             auto i = answerInput("back");
             i.value = "";
             return i;
         },
         false},
        {"value with a line feed", answerWith([](In& i) { i.value = "a\nb"; }), false},
        {"value of 512 decomposed characters",
         answerWith([](In& i) { i.value = repeated(kDecomposedE, 512); }), true},
        {"value of 513 decomposed characters",
         answerWith([](In& i) { i.value = repeated(kDecomposedE, 513); }), false},
        {"key of 15", answerWith([](In& i) { i.idempotencyKey = std::string(15, 'k'); }), false},
        {"key with a trailing line feed",
         answerWith([](In& i) { i.idempotencyKey = "proc_key_0123456789\n"; }), false},
        // start
        {"start without procedure", startWith([](In& i) { i.procedureId.reset(); }), false},
        {"start with a run", startWith([](In& i) { i.runId = "wr_1"; }), false},
        {"start with an expected time",
         startWith([](In& i) { i.expectedUpdatedAt = "2024-05-01T10:00:00Z"; }), false},
        {"procedure with a capital first", startWith([](In& i) { i.procedureId = "Tour"; }), false},
        {"procedure with a trailing line feed",
         startWith([](In& i) { i.procedureId = "tour.intro\n"; }), false},
        {"procedure of 128", startWith([](In& i) { i.procedureId = std::string(128, 'p'); }), true},
        {"procedure of 129", startWith([](In& i) { i.procedureId = std::string(129, 'p'); }),
         false},
        // runs
        {"run without prefix", answerWith([](In& i) { i.runId = "run_1"; }), false},
        {"run with upper-case prefix", answerWith([](In& i) { i.runId = "WR_1"; }), false},
        {"run absent", answerWith([](In& i) { i.runId.reset(); }), false},
        {"run with a dot", answerWith([](In& i) { i.runId = "wr_a.b"; }), false},
        {"run of 128", answerWith([](In& i) { i.runId = "wr_" + std::string(125, 'r'); }), true},
        {"run of 129", answerWith([](In& i) { i.runId = "wr_" + std::string(126, 'r'); }), false},
        {"run with a trailing line feed", answerWith([](In& i) { i.runId = "wr_1\n"; }), false},
        {"procedure not examined after start",
         answerWith([](In& i) { i.procedureId = "Any text at all\n"; }), true},
        // expectedUpdatedAt: a "." makes fractional seconds the expected form
        {"time absent", answerWith([](In& i) { i.expectedUpdatedAt.reset(); }), false},
        {"time with fraction and offset",
         answerWith([](In& i) { i.expectedUpdatedAt = "2024-05-01T10:00:00.250+02:00"; }), true},
        {"time with one fraction digit",
         answerWith([](In& i) { i.expectedUpdatedAt = "2024-05-01T10:00:00.5Z"; }), true},
        {"time with a dot but no digits",
         answerWith([](In& i) { i.expectedUpdatedAt = "2024-05-01T10:00:00.Z"; }), false},
        {"time with a comma fraction",
         answerWith([](In& i) { i.expectedUpdatedAt = "2024-05-01T10:00:00,5Z"; }), false},
        {"time with a dot after the zone",
         answerWith([](In& i) { i.expectedUpdatedAt = "2024-05-01T10:00:00Z."; }), false},
        {"bare date", answerWith([](In& i) { i.expectedUpdatedAt = "2024-05-01"; }), false},
        {"blank instead of T",
         answerWith([](In& i) { i.expectedUpdatedAt = "2024-05-01 10:00:00Z"; }), false},
        {"time without zone",
         answerWith([](In& i) { i.expectedUpdatedAt = "2024-05-01T10:00:00"; }), false},
        {"time with a trailing line feed",
         answerWith([](In& i) { i.expectedUpdatedAt = "2024-05-01T10:00:00Z\n"; }), false},
        {"time before 1677",
         answerWith([](In& i) { i.expectedUpdatedAt = "1013-01-01T09:00:00Z"; }), false},
        {"time after 2262", answerWith([](In& i) { i.expectedUpdatedAt = "9999-12-31T23:59:59Z"; }),
         false},
        {"time of 64 characters", answerWith([](In& i) {
             i.expectedUpdatedAt = "2024-05-01T10:00:00." + std::string(43, '1') + "Z";
         }),
         true},
        {"time of 65 characters", answerWith([](In& i) {
             i.expectedUpdatedAt = "2024-05-01T10:00:00." + std::string(44, '1') + "Z";
         }),
         false},
        // locale, step and parameter, time zone, native commerce
        {"locale fr", answerWith([](In& i) { i.locale = "fr"; }), false},
        {"locale EN", answerWith([](In& i) { i.locale = "EN"; }), false},
        {"step step_1", answerWith([](In& i) { i.stepId = "step_1"; }), true},
        {"step Step", answerWith([](In& i) { i.stepId = "Step"; }), false},
        {"step step-1", answerWith([](In& i) { i.stepId = "step-1"; }), false},
        {"step of 64", answerWith([](In& i) { i.stepId = std::string(64, 's'); }), true},
        {"step of 65", answerWith([](In& i) { i.stepId = std::string(65, 's'); }), false},
        {"step with a trailing line feed", answerWith([](In& i) { i.stepId = "step_1\n"; }), false},
        {"parameter with a trailing line feed", answerWith([](In& i) { i.parameterId = "date\n"; }),
         false},
        {"parameter p", answerWith([](In& i) { i.parameterId = "p"; }), true},
        {"time zone", answerWith([](In& i) { i.timeZone = "Europe/Kyiv"; }), true},
        {"empty time zone", answerWith([](In& i) { i.timeZone = ""; }), false},
        {"time zone of 129", answerWith([](In& i) { i.timeZone = std::string(129, 'z'); }), false},
        {"native commerce true", answerWith([](In& i) { i.nativeCommerceUi = true; }), true},
        {"native commerce false", answerWith([](In& i) { i.nativeCommerceUi = false; }), false},
    };
    for (const char* action :
         {"answer", "availability", "select", "calendar_date", "back", "confirm", "decline"}) {
        cases.push_back(
            {std::string("action ") + action, [action] { return answerInput(action); }, true});
    }
    for (const char* locale : {"en", "uk", "de", "es"}) {
        cases.push_back({std::string("locale ") + locale,
                         answerWith([locale](In& i) { i.locale = locale; }), true});
    }
    return cases;
}

TEST(InputValidationProcedureTest, EveryRuleOfAnAction) {
    for (const auto& c : procedureCases()) {
        const auto input = c.make();
        EXPECT_EQ(failureOf([&] { V::requireProcedureAction(input); }),
                  c.valid ? std::nullopt : std::optional(kProcedureInvalid))
            << c.name;
    }
}

VelmoraCommerceProposalInput
proposal(std::optional<std::vector<VelmoraCommerceLineItemSelection>> items) {
    return {"shopify_order_cancel", {"store_1", "order_1", std::move(items)}};
}

TEST(InputValidationCommerceTest, ActionReferencesThenLineItems) {
    const VelmoraCommerceLineItemSelection item{"line_1", 1};
    struct Case {
        std::string name;
        VelmoraCommerceProposalInput input;
        std::optional<std::string> failure;
    };
    const Case cases[] = {
        {"no line items", proposal(std::nullopt), std::nullopt},
        {"empty line items", proposal(std::vector<VelmoraCommerceLineItemSelection>{}),
         std::nullopt},
        {"100 items", proposal(std::vector(100, item)), std::nullopt},
        {"101 valid items", proposal(std::vector(101, item)), kSelectionInvalid},
        {"count before items", proposal(std::vector(101, VelmoraCommerceLineItemSelection{"", 0})),
         kSelectionInvalid},
        {"quantity 0", proposal(std::vector{item, {"line_2", 0}}), kLineItemInvalid},
        {"negative quantity", proposal(std::vector{VelmoraCommerceLineItemSelection{"l", -1}}),
         kLineItemInvalid},
        {"large quantity", proposal(std::vector{VelmoraCommerceLineItemSelection{"l", 1'000'000}}),
         std::nullopt},
        {"line reference with a space",
         proposal(std::vector{VelmoraCommerceLineItemSelection{"line 1", 1}}), kLineItemInvalid},
        {"capitalised action",
         {"Shopify_order_cancel", {"store_1", "order_1", std::nullopt}},
         kProposalInvalid},
        {"other action",
         {"shopify_order_refund", {"store_1", "order_1", std::nullopt}},
         kProposalInvalid},
        {"empty store", {"shopify_order_cancel", {"", "order_1", std::nullopt}}, kProposalInvalid},
        {"order with a trailing line feed",
         {"shopify_order_cancel", {"store_1", "order_1\n", std::nullopt}},
         kProposalInvalid},
        {"references before items",
         {"shopify_order_cancel", {"store_1", "", std::vector(101, item)}},
         kProposalInvalid},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(failureOf([&] { V::requireCommerceProposal(c.input); }), c.failure) << c.name;
    }
}

} // namespace
} // namespace velmora::detail
