#pragma once

#include "velmora/json_coding.hpp"
#include "velmora/json_value.hpp"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velmora {

// Structured work a conversation can carry besides messages: forms the service asks the user to
// fill in, guided procedures, and commerce actions on the user's orders. Field names are the
// JSON keys; absent optionals are left out when written and a JSON null reads as absent.

/// One field of a conversation form, identified by `id`.
struct VelmoraConversationFormField {
    std::string id;
    std::string name;
    /// The field's kind as the service names it.
    std::string type;
    std::vector<std::string> options;
    bool required = false;
    std::vector<JSONValue> conditions;
    /// The current or prefilled value. A JSON null reads as no value.
    std::optional<JSONValue> value;

    friend bool operator==(const VelmoraConversationFormField&,
                           const VelmoraConversationFormField&) = default;
};

/// A form requested in the conversation.
struct VelmoraConversationForm {
    /// Named by a submission.
    std::string requestId;
    std::string name;
    std::string submitLabel;
    std::string status;
    std::vector<VelmoraConversationFormField> fields;

    friend bool operator==(const VelmoraConversationForm&,
                           const VelmoraConversationForm&) = default;
};

/// The service's answer to a form submission.
struct VelmoraFormSubmission {
    bool ok = false;
    std::string requestId;
    std::string status;

    friend bool operator==(const VelmoraFormSubmission&, const VelmoraFormSubmission&) = default;
};

/// One step the user takes in a procedure; the body of a procedure action request.
struct VelmoraProcedureActionInput {
    /// "start", "answer", "availability", "select", "calendar_date", "back", "confirm" or
    /// "decline".
    std::string action;
    std::string value;
    std::string idempotencyKey;
    /// The procedure to start (with "start").
    std::optional<std::string> procedureId;
    std::optional<std::string> locale;
    /// The running procedure, "wr_..." (every action but "start").
    std::optional<std::string> runId;
    /// The run's update time the client expects, an ISO 8601 internet date-time.
    std::optional<std::string> expectedUpdatedAt;
    std::optional<std::string> stepId;
    std::optional<std::string> parameterId;
    std::optional<std::string> timeZone;
    /// True announces that commerce steps are shown with native controls; only true or absent
    /// passes validation.
    std::optional<bool> nativeCommerceUi;

    friend bool operator==(const VelmoraProcedureActionInput&,
                           const VelmoraProcedureActionInput&) = default;
};

/// The service's answer to a procedure action.
struct VelmoraProcedureActionResult {
    bool ok = false;
    std::string sessionId;

    friend bool operator==(const VelmoraProcedureActionResult&,
                           const VelmoraProcedureActionResult&) = default;
};

/// One line of an order chosen for a commerce action.
struct VelmoraCommerceLineItemSelection {
    std::string lineItemReference;
    std::int64_t quantity = 0;

    friend bool operator==(const VelmoraCommerceLineItemSelection&,
                           const VelmoraCommerceLineItemSelection&) = default;
};

/// The order, and optionally the lines of it, a commerce action applies to.
struct VelmoraCommerceSelection {
    std::string storeReference;
    std::string orderReference;
    std::optional<std::vector<VelmoraCommerceLineItemSelection>> lineItems;

    friend bool operator==(const VelmoraCommerceSelection&,
                           const VelmoraCommerceSelection&) = default;
};

/// A request to propose a commerce action; the body of a proposal request.
struct VelmoraCommerceProposalInput {
    std::string actionId;
    VelmoraCommerceSelection selection;

    friend bool operator==(const VelmoraCommerceProposalInput&,
                           const VelmoraCommerceProposalInput&) = default;
};

struct VelmoraCommerceProposalResult {
    std::string state;
    std::optional<std::string> proposalId;
    std::optional<std::string> actionId;
    std::optional<std::string> code;
    std::optional<std::string> confirmationExpiresAt;

    friend bool operator==(const VelmoraCommerceProposalResult&,
                           const VelmoraCommerceProposalResult&) = default;
};

struct VelmoraCommerceConfirmationResult {
    std::string state;
    std::optional<std::string> proposalId;
    std::optional<std::string> actionId;
    std::optional<std::string> executionState;
    std::optional<std::string> code;

    friend bool operator==(const VelmoraCommerceConfirmationResult&,
                           const VelmoraCommerceConfirmationResult&) = default;
};

std::string encodeJSON(const VelmoraConversationFormField& value);
std::string encodeJSON(const VelmoraConversationForm& value);
std::string encodeJSON(const VelmoraFormSubmission& value);
std::string encodeJSON(const VelmoraProcedureActionInput& value);
std::string encodeJSON(const VelmoraProcedureActionResult& value);
std::string encodeJSON(const VelmoraCommerceLineItemSelection& value);
std::string encodeJSON(const VelmoraCommerceSelection& value);
std::string encodeJSON(const VelmoraCommerceProposalInput& value);
std::string encodeJSON(const VelmoraCommerceProposalResult& value);
std::string encodeJSON(const VelmoraCommerceConfirmationResult& value);

template <>
VelmoraConversationFormField decodeJSON<VelmoraConversationFormField>(std::string_view json);
template <> VelmoraConversationForm decodeJSON<VelmoraConversationForm>(std::string_view json);
template <> VelmoraFormSubmission decodeJSON<VelmoraFormSubmission>(std::string_view json);
template <>
VelmoraProcedureActionInput decodeJSON<VelmoraProcedureActionInput>(std::string_view json);
template <>
VelmoraProcedureActionResult decodeJSON<VelmoraProcedureActionResult>(std::string_view json);
template <>
VelmoraCommerceLineItemSelection
decodeJSON<VelmoraCommerceLineItemSelection>(std::string_view json);
template <> VelmoraCommerceSelection decodeJSON<VelmoraCommerceSelection>(std::string_view json);
template <>
VelmoraCommerceProposalInput decodeJSON<VelmoraCommerceProposalInput>(std::string_view json);
template <>
VelmoraCommerceProposalResult decodeJSON<VelmoraCommerceProposalResult>(std::string_view json);
template <>
VelmoraCommerceConfirmationResult
decodeJSON<VelmoraCommerceConfirmationResult>(std::string_view json);

} // namespace velmora
