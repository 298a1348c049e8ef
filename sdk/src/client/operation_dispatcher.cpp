#include "client/client_core.hpp"

#include "client/attachment_rules.hpp"
#include "client/attachment_wire_bodies.hpp"
#include "client/operation_arguments.hpp"
#include "detail/text.hpp"
#include "detail/url.hpp"
#include "detail/uuid.hpp"

#include <algorithm>
#include <set>
#include <string>
#include <vector>

namespace velmora::detail {
namespace {

constexpr std::size_t kMaxOperationBytes = 65536;
// Deep enough for any real operation (the deepest, a commerce proposal, needs 5 levels); the
// bound keeps the recursive walks over parsed values from exhausting the stack.
constexpr std::size_t kMaxOperationDepth = 64;

[[noreturn]] void fail(const char* message,
                       VelmoraErrorCode code = VelmoraErrorCode::fieldInvalid) {
    throw VelmoraError(code, std::nullopt, std::nullopt, message);
}

// Whether brackets outside strings open more than `limit` levels. Linear and without recursion,
// so it is safe on any input.
bool nestedDeeperThan(std::string_view text, std::size_t limit) {
    std::size_t depth = 0;
    bool inString = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (inString) {
            if (c == '\\') {
                ++i;
            } else if (c == '"') {
                inString = false;
            }
        } else if (c == '"') {
            inString = true;
        } else if (c == '[' || c == '{') {
            if (++depth > limit) {
                return true;
            }
        } else if ((c == ']' || c == '}') && depth > 0) {
            --depth;
        }
    }
    return false;
}

std::string view(const json::string& s) {
    return {s.data(), s.size()};
}

const json::string* textMember(const json::object& object, std::string_view key) {
    const auto* value = object.if_contains(key);
    return value ? value->if_string() : nullptr;
}

const json::object* objectMember(const json::object& object, std::string_view key) {
    const auto* value = object.if_contains(key);
    return value ? value->if_object() : nullptr;
}

// A reference text under `key`, else `message`.
std::string referenceMember(const json::object& object, std::string_view key, const char* message) {
    const auto* s = textMember(object, key);
    if (!s || !isReference(view(*s))) {
        fail(message);
    }
    return view(*s);
}

// A host's descriptor as the attachment rules read it. The reader refuses numbers out of range,
// so every member converts; a member that ever did not becomes null, so the descriptor is refused
// with its own message rather than with that of form values.
JSONValue::Object descriptorValues(const json::object& object) {
    JSONValue::Object values;
    for (const auto& member : object) {
        values.emplace(std::string(member.key()),
                       jsonValueFrom(member.value()).value_or(JSONValue()));
    }
    return values;
}

std::string encodeReply(const JSONValue& reply) {
    std::string text = writeJSON(Codec<JSONValue>::encode(reply));
    if (!text::isValidUTF8(text)) {
        fail("Native operation result could not be encoded.", VelmoraErrorCode::http);
    }
    return text;
}

} // namespace

ClientCore::Task<std::string> ClientCore::performOperation(std::string requestJson) {
    if (requestJson.size() > kMaxOperationBytes) {
        fail("Native operation JSON is invalid.");
    }
    if (nestedDeeperThan(requestJson, kMaxOperationDepth)) {
        fail("Native operation JSON is nested too deeply.");
    }
    json::value document;
    try {
        document = parseJSON(requestJson, ParseOptions{false, kMaxOperationDepth});
    } catch (const VelmoraDecodingError&) {
        fail("Native operation JSON is invalid.");
    }
    auto* operationObject = document.if_object();
    const auto* nameText = operationObject ? textMember(*operationObject, "operation") : nullptr;
    if (!nameText) {
        fail("Native operation is missing its name.");
    }
    const std::string name = view(*nameText);
    json::object object = std::move(*operationObject);

    if (name == "submit-form") {
        requireOperationKeys(object, {"operation", "requestId", "values"}, {"requestId", "values"});
        const char* invalid = "Form operation is invalid.";
        std::string requestId = referenceMember(object, "requestId", invalid);
        const auto* values = objectMember(object, "values");
        if (!values) {
            fail(invalid);
        }
        auto submission =
            co_await submitConversationForm(std::move(requestId), jsonValues(*values));
        co_return encodeReply(JSONValue::Object{{"ok", submission.ok},
                                                {"requestId", submission.requestId},
                                                {"status", submission.status}});
    }
    if (name == "procedure-action") {
        requireOperationKeys(object, {"operation", "input"}, {"input"});
        const auto* input = objectMember(object, "input");
        if (!input) {
            fail("Procedure operation is invalid.");
        }
        auto result = co_await performProcedureAction(decodeProcedureInput(*input));
        co_return encodeReply(
            JSONValue::Object{{"ok", result.ok}, {"sessionId", result.sessionId}});
    }
    if (name == "attachment-intents") {
        requireOperationKeys(object, {"operation", "messageId", "attachments"},
                             {"messageId", "attachments"});
        const char* invalid = "Attachment intent operation is invalid.";
        const auto* messageId = textMember(object, "messageId");
        const auto* attachments = object.at("attachments").if_array();
        if (!messageId || !attachments ||
            !std::all_of(attachments->begin(), attachments->end(),
                         [](const json::value& v) { return v.is_object(); })) {
            fail(invalid);
        }
        std::vector<VelmoraAttachmentDescriptor> descriptors;
        for (const auto& element : *attachments) {
            descriptors.push_back(
                decodeAttachmentDescriptor(descriptorValues(element.get_object())));
        }
        std::set<std::string> clientIds;
        for (const auto& descriptor : descriptors) {
            clientIds.insert(descriptor.clientId);
        }
        if (!isReference(view(*messageId)) || descriptors.empty() ||
            descriptors.size() > kMaxAttachments || clientIds.size() != descriptors.size()) {
            fail(invalid);
        }
        const VelmoraSession session = requireCurrentSession();
        PipelineRequest post;
        post.path = sessionPath(session.sessionId, "/messages/" +
                                                       percentEncodePathSegment(view(*messageId)) +
                                                       "/attachments/intents");
        post.method = "POST";
        post.body = Codec<AttachmentIntentRequest>::encode({std::move(descriptors)});
        post.token = session.sessionToken;
        post.requestGeneration = generation_;
        auto response = co_await request<AttachmentIntentResponse>(std::move(post));
        validateAttachmentIntents(response.intents, clientIds);
        co_return encodeReply(
            Codec<JSONValue>::decode(Codec<AttachmentIntentResponse>::encode(response), ""));
    }
    if (name == "upload-attachment") {
        requireOperationKeys(object, {"operation", "intent", "fileUri", "mimeType"},
                             {"intent", "fileUri", "mimeType"});
        const char* invalid = "Attachment upload operation is invalid.";
        const auto* intentObject = objectMember(object, "intent");
        const auto* fileUri = textMember(object, "fileUri");
        const auto* mimeType = textMember(object, "mimeType");
        if (!intentObject || !fileUri || !mimeType) {
            fail(invalid);
        }
        auto intent = decodeIntent(*intentObject);
        auto file = readLocalFile(view(*fileUri));
        const std::string lowered = text::lowercased(view(*mimeType));
        if (lowered != file.mimeType) {
            fail("Attachment MIME type does not match the local file.");
        }
        const VelmoraSession session = requireCurrentSession();
        VelmoraAttachmentDraft draft(uuidString(), file.fileName, lowered,
                                     attachmentKind(lowered, file.fileName), std::move(file.data));
        co_await uploadAttachment(std::move(draft), intent, session, generation_);
        co_return encodeReply(
            JSONValue::Object{{"ok", true}, {"attachmentId", intent.attachmentId}});
    }
    if (name == "list-orders") {
        requireOperationKeys(object, {"operation", "query"}, {});
        std::optional<std::string> cursor;
        std::optional<std::string> store;
        if (const auto* query = object.if_contains("query")) {
            const char* invalid = "Commerce order query is invalid.";
            const auto* items = query->if_object();
            if (!items) {
                fail(invalid);
            }
            for (const auto& item : *items) {
                const auto* value = item.value().if_string();
                if ((item.key() != "cursor" && item.key() != "store") || !value ||
                    !isReference(view(*value))) {
                    fail(invalid);
                }
                (item.key() == "cursor" ? cursor : store) = view(*value);
            }
        }
        co_return encodeReply(co_await listCommerceOrders(std::move(cursor), std::move(store)));
    }
    if (name == "order-detail") {
        requireOperationKeys(object, {"operation", "orderRef"}, {"orderRef"});
        std::string reference =
            referenceMember(object, "orderRef", "Order detail operation is invalid.");
        co_return encodeReply(co_await loadCommerceOrder(std::move(reference)));
    }
    if (name == "create-commerce-proposal") {
        requireOperationKeys(object, {"operation", "input", "idempotencyKey"},
                             {"input", "idempotencyKey"});
        const char* invalid = "Commerce proposal operation is invalid.";
        const auto* input = objectMember(object, "input");
        const auto* key = textMember(object, "idempotencyKey");
        if (!input || !key) {
            fail(invalid);
        }
        auto proposal = decodeCommerceInput(*input);
        co_return encodeReply(co_await createCommerceProposal(std::move(proposal), view(*key)));
    }
    if (name == "confirm-commerce-proposal") {
        requireOperationKeys(object, {"operation", "proposalId", "input", "idempotencyKey"},
                             {"proposalId", "input", "idempotencyKey"});
        const char* invalid = "Commerce confirmation operation is invalid.";
        std::string proposalId = referenceMember(object, "proposalId", invalid);
        const auto* input = objectMember(object, "input");
        const json::value* confirmed = input ? input->if_contains("confirmed") : nullptr;
        if (!input || input->size() != 1 || !confirmed || !confirmed->is_bool() ||
            !confirmed->get_bool()) {
            fail(invalid);
        }
        const auto* key = textMember(object, "idempotencyKey");
        if (!key) {
            fail(invalid);
        }
        co_return encodeReply(co_await confirmCommerceProposal(std::move(proposalId), view(*key)));
    }
    if (name == "request-client-tool" || name == "complete-client-tool" ||
        name == "client-tool-status") {
        co_return encodeReply(co_await performClientToolOperation(std::move(object), name));
    }
    if (name == "commerce-proposal") {
        requireOperationKeys(object, {"operation", "proposalId"}, {"proposalId"});
        std::string proposalId =
            referenceMember(object, "proposalId", "Commerce proposal status operation is invalid.");
        co_return encodeReply(co_await commerceProposalStatus(std::move(proposalId)));
    }
    fail("Unsupported native operation.", VelmoraErrorCode::unsupported);
}

} // namespace velmora::detail
