#include "velmora/decoding_error.hpp"
#include "velmora/procedure_models.hpp"

#include "record_coding_support.hpp"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace velmora {
namespace {

using Kind = VelmoraDecodingError::Kind;
using testing::decodingFailure;
using testing::expectStableRoundTrip;
using testing::failed;
using testing::Failure;

const VelmoraConversationFormField kEmailField{"f1",
                                               "email",
                                               "email",
                                               {},
                                               true,
                                               {JSONValue(JSONValue::Object{{"when", "always"}})},
                                               JSONValue("ada@example.com")};
const std::string kEmailFieldJSON =
    R"({"id":"f1","name":"email","type":"email","options":[],"required":true,"conditions":[{"when":"always"}],"value":"ada@example.com"})";

TEST(ProcedureRecordsTest, EveryRecordEncodesInDeclarationOrderAndRoundTrips) {
    expectStableRoundTrip(kEmailField, kEmailFieldJSON);
    const VelmoraConversationFormField topic{"f2",  "topic", "select",    {"Billing", "Shipping"},
                                             false, {},      std::nullopt};
    const std::string topicJSON =
        R"({"id":"f2","name":"topic","type":"select","options":["Billing","Shipping"],"required":false,"conditions":[]})";
    expectStableRoundTrip(topic, topicJSON);

    expectStableRoundTrip(
        VelmoraConversationForm{"fr_1", "Contact", "Send", "pending", {kEmailField, topic}},
        R"({"requestId":"fr_1","name":"Contact","submitLabel":"Send","status":"pending","fields":[)" +
            kEmailFieldJSON + "," + topicJSON + "]}");
    expectStableRoundTrip(
        VelmoraConversationForm{"fr_2", "", "", "submitted", {}},
        R"({"requestId":"fr_2","name":"","submitLabel":"","status":"submitted","fields":[]})");

    expectStableRoundTrip(VelmoraFormSubmission{true, "fr_1", "submitted"},
                          R"({"ok":true,"requestId":"fr_1","status":"submitted"})");

    expectStableRoundTrip(
        VelmoraProcedureActionInput{"calendar_date", "2026-03-01", "key-1", "proc_1", "fr-FR",
                                    "wr_1", "2026-01-02T03:04:05Z", "step_1", "param_1",
                                    "Europe/Paris", true},
        R"({"action":"calendar_date","value":"2026-03-01","idempotencyKey":"key-1","procedureId":"proc_1","locale":"fr-FR","runId":"wr_1","expectedUpdatedAt":"2026-01-02T03:04:05Z","stepId":"step_1","parameterId":"param_1","timeZone":"Europe\/Paris","nativeCommerceUi":true})");
    expectStableRoundTrip(
        VelmoraProcedureActionInput{
            .action = "back", .value = "", .idempotencyKey = "key-2", .nativeCommerceUi = false},
        R"({"action":"back","value":"","idempotencyKey":"key-2","nativeCommerceUi":false})");

    expectStableRoundTrip(VelmoraProcedureActionResult{false, "s1"},
                          R"({"ok":false,"sessionId":"s1"})");

    const VelmoraCommerceSelection selection{
        "store_1", "order_9",
        std::vector<VelmoraCommerceLineItemSelection>{{"li_1", 2}, {"li_2", -9007199254740993}}};
    const std::string selectionJSON =
        R"({"storeReference":"store_1","orderReference":"order_9","lineItems":[{"lineItemReference":"li_1","quantity":2},{"lineItemReference":"li_2","quantity":-9007199254740993}]})";
    expectStableRoundTrip(selection, selectionJSON);
    expectStableRoundTrip(VelmoraCommerceLineItemSelection{"li_1", 0},
                          R"({"lineItemReference":"li_1","quantity":0})");
    expectStableRoundTrip(VelmoraCommerceProposalInput{"shopify_order_cancel", selection},
                          R"({"actionId":"shopify_order_cancel","selection":)" + selectionJSON +
                              "}");

    expectStableRoundTrip(
        VelmoraCommerceProposalResult{"proposed", "prop_1", "shopify_order_cancel", "ok",
                                      "2026-01-02T03:14:05Z"},
        R"({"state":"proposed","proposalId":"prop_1","actionId":"shopify_order_cancel","code":"ok","confirmationExpiresAt":"2026-01-02T03:14:05Z"})");
    expectStableRoundTrip(
        VelmoraCommerceConfirmationResult{"confirmed", "prop_1", "shopify_order_cancel",
                                          "succeeded", "ok"},
        R"({"state":"confirmed","proposalId":"prop_1","actionId":"shopify_order_cancel","executionState":"succeeded","code":"ok"})");
    expectStableRoundTrip(VelmoraCommerceConfirmationResult{.state = "expired"},
                          R"({"state":"expired"})");
}

TEST(ProcedureRecordsTest, OptionalsLeftOutWhenAbsentAndNullReadsAsAbsent) {
    const std::string field =
        R"("id":"f","name":"n","type":"text","options":[],"required":false,"conditions":[])";
    const auto withoutValue = decodeJSON<VelmoraConversationFormField>("{" + field + "}");
    const auto withNullValue =
        decodeJSON<VelmoraConversationFormField>("{" + field + R"(,"value":null})");
    EXPECT_EQ(withoutValue.value, std::nullopt);
    EXPECT_EQ(withNullValue.value, std::nullopt);
    EXPECT_EQ(encodeJSON(withNullValue), "{" + field + "}");
    // A null inside a list of JSON values is kept.
    const auto nullCondition =
        decodeJSON<VelmoraConversationFormField>("{" + field + R"(,"conditions":[null]})");
    ASSERT_EQ(nullCondition.conditions.size(), 1u);
    EXPECT_TRUE(nullCondition.conditions[0].isNull());

    EXPECT_EQ(encodeJSON(VelmoraCommerceSelection{"store_1", "order_9", std::nullopt}),
              R"({"storeReference":"store_1","orderReference":"order_9"})");
    EXPECT_EQ(decodeJSON<VelmoraCommerceSelection>(
                  R"({"storeReference":"s","orderReference":"o","lineItems":null})")
                  .lineItems,
              std::nullopt);

    EXPECT_EQ(encodeJSON(VelmoraProcedureActionInput{
                  .action = "start", .value = "", .idempotencyKey = "key-1"}),
              R"({"action":"start","value":"","idempotencyKey":"key-1"})");

    EXPECT_EQ(decodeJSON<VelmoraCommerceProposalResult>(
                  R"({"state":"rejected","proposalId":null,"unknown":{"a":1}})"),
              VelmoraCommerceProposalResult{.state = "rejected"});
}

TEST(ProcedureRecordsTest, DecodingRefusesMissingNullAndMistypedValues) {
    const std::string field = R"("id":"f","name":"n","type":"text")";
    struct Case {
        const char* name;
        Failure (*decode)(std::string_view);
        std::string json;
        Failure expected;
    };
    const Case cases[] = {
        {"form field without options", decodingFailure<VelmoraConversationFormField>,
         "{" + field + R"(,"required":true,"conditions":[]})",
         failed(Kind::keyNotFound, "options")},
        {"form field option not text", decodingFailure<VelmoraConversationFormField>,
         "{" + field + R"(,"options":["a",1],"required":true,"conditions":[]})",
         failed(Kind::typeMismatch, "options[1]")},
        {"form field required as text", decodingFailure<VelmoraConversationFormField>,
         "{" + field + R"(,"options":[],"required":"true","conditions":[]})",
         failed(Kind::typeMismatch, "required")},
        {"form field required as a number", decodingFailure<VelmoraConversationFormField>,
         "{" + field + R"(,"options":[],"required":1,"conditions":[]})",
         failed(Kind::typeMismatch, "required")},
        {"form field conditions null", decodingFailure<VelmoraConversationFormField>,
         "{" + field + R"(,"options":[],"required":true,"conditions":null})",
         failed(Kind::valueNotFound, "conditions")},
        {"form with a broken field", decodingFailure<VelmoraConversationForm>,
         R"({"requestId":"r","name":"n","submitLabel":"s","status":"p","fields":[{"id":"f"}]})",
         failed(Kind::keyNotFound, "fields[0].name")},
        {"submission ok missing", decodingFailure<VelmoraFormSubmission>,
         R"({"requestId":"r","status":"s"})", failed(Kind::keyNotFound, "ok")},
        {"procedure input flag as text", decodingFailure<VelmoraProcedureActionInput>,
         R"({"action":"start","value":"","idempotencyKey":"k","nativeCommerceUi":"true"})",
         failed(Kind::typeMismatch, "nativeCommerceUi")},
        {"procedure input value as number", decodingFailure<VelmoraProcedureActionInput>,
         R"({"action":"answer","value":3,"idempotencyKey":"k"})",
         failed(Kind::typeMismatch, "value")},
        {"procedure result without session", decodingFailure<VelmoraProcedureActionResult>,
         R"({"ok":true})", failed(Kind::keyNotFound, "sessionId")},
        {"quantity not whole", decodingFailure<VelmoraCommerceLineItemSelection>,
         R"({"lineItemReference":"l","quantity":2.5})", failed(Kind::dataCorrupted, "quantity")},
        {"quantity beyond 64 bits", decodingFailure<VelmoraCommerceLineItemSelection>,
         R"({"lineItemReference":"l","quantity":9223372036854775808})",
         failed(Kind::dataCorrupted, "quantity")},
        {"quantity as text", decodingFailure<VelmoraCommerceLineItemSelection>,
         R"({"lineItemReference":"l","quantity":"2"})", failed(Kind::typeMismatch, "quantity")},
        {"proposal input with a broken line", decodingFailure<VelmoraCommerceProposalInput>,
         R"({"actionId":"a","selection":{"storeReference":"s","orderReference":"o","lineItems":[{"quantity":1}]}})",
         failed(Kind::keyNotFound, "selection.lineItems[0].lineItemReference")},
        {"proposal input without selection", decodingFailure<VelmoraCommerceProposalInput>,
         R"({"actionId":"a"})", failed(Kind::keyNotFound, "selection")},
        {"proposal result without state", decodingFailure<VelmoraCommerceProposalResult>,
         R"({"proposalId":"p"})", failed(Kind::keyNotFound, "state")},
        {"confirmation result with null state", decodingFailure<VelmoraCommerceConfirmationResult>,
         R"({"state":null})", failed(Kind::valueNotFound, "state")},
        {"record given as a string", decodingFailure<VelmoraCommerceConfirmationResult>,
         R"("confirmed")", failed(Kind::typeMismatch, "")},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.decode(c.json), c.expected) << c.name;
    }
}

TEST(ProcedureRecordsTest, EqualityComparesEveryField) {
    VelmoraConversationFormField optionalEmail = kEmailField;
    optionalEmail.required = false;
    EXPECT_NE(optionalEmail, kEmailField);

    VelmoraConversationFormField reorderedValue = kEmailField;
    reorderedValue.value = JSONValue(JSONValue::Object{{"b", 1}, {"a", 2}});
    VelmoraConversationFormField sameValue = kEmailField;
    sameValue.value = JSONValue(JSONValue::Object{{"a", 2}, {"b", 1}});
    EXPECT_EQ(reorderedValue, sameValue);

    const VelmoraProcedureActionInput base{
        .action = "start", .value = "", .idempotencyKey = "key-1"};
    VelmoraProcedureActionInput flagFalse = base;
    flagFalse.nativeCommerceUi = false;
    EXPECT_NE(base, flagFalse);

    const VelmoraCommerceSelection noLines{"s", "o", std::nullopt};
    const VelmoraCommerceSelection emptyLines{"s", "o",
                                              std::vector<VelmoraCommerceLineItemSelection>{}};
    EXPECT_NE(noLines, emptyLines);
    EXPECT_NE((VelmoraCommerceProposalInput{"a", noLines}),
              (VelmoraCommerceProposalInput{"a", emptyLines}));
}

} // namespace
} // namespace velmora
