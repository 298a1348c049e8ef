#pragma once

// The form, procedure and commerce records' codecs, for code that embeds them in other bodies:
// each record's JSON is its fields, written and read by the described-record codec.

#include "detail/record_codec.hpp"
#include "velmora/procedure_models.hpp"

#include <boost/describe/class.hpp>

namespace velmora {

BOOST_DESCRIBE_STRUCT(VelmoraConversationFormField, (),
                      (id, name, type, options, required, conditions, value))
BOOST_DESCRIBE_STRUCT(VelmoraConversationForm, (), (requestId, name, submitLabel, status, fields))
BOOST_DESCRIBE_STRUCT(VelmoraFormSubmission, (), (ok, requestId, status))
BOOST_DESCRIBE_STRUCT(VelmoraProcedureActionInput, (),
                      (action, value, idempotencyKey, procedureId, locale, runId, expectedUpdatedAt,
                       stepId, parameterId, timeZone, nativeCommerceUi))
BOOST_DESCRIBE_STRUCT(VelmoraProcedureActionResult, (), (ok, sessionId))
BOOST_DESCRIBE_STRUCT(VelmoraCommerceLineItemSelection, (), (lineItemReference, quantity))
BOOST_DESCRIBE_STRUCT(VelmoraCommerceSelection, (), (storeReference, orderReference, lineItems))
BOOST_DESCRIBE_STRUCT(VelmoraCommerceProposalInput, (), (actionId, selection))
BOOST_DESCRIBE_STRUCT(VelmoraCommerceProposalResult, (),
                      (state, proposalId, actionId, code, confirmationExpiresAt))
BOOST_DESCRIBE_STRUCT(VelmoraCommerceConfirmationResult, (),
                      (state, proposalId, actionId, executionState, code))

} // namespace velmora
