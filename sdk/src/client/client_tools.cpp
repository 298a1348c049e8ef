#include "client/client_core.hpp"

#include "client/operation_arguments.hpp"
#include "detail/client_tool_codecs.hpp"
#include "detail/date_time.hpp"
#include "detail/pattern.hpp"
#include "detail/text.hpp"
#include "input_validation.hpp"

#include <cmath>
#include <set>

namespace velmora {
namespace detail {
namespace {

using Object = JSONValue::Object;

constexpr std::size_t kMaxPayloadMembers = 16;
constexpr std::size_t kMaxPayloadBytes = 16384;
constexpr std::size_t kMaxPayloadTextCharacters = 2048;

[[noreturn]] void invalidOperation() {
    throw VelmoraError(VelmoraErrorCode::fieldInvalid, std::nullopt, std::nullopt,
                       "Client tool operation is invalid.");
}

[[noreturn]] void invalidResponse() {
    throw VelmoraError(VelmoraErrorCode::http, std::nullopt, std::nullopt,
                       "Client tool response is invalid.");
}

[[noreturn]] void invalidRequestResponse() {
    throw VelmoraError(VelmoraErrorCode::http, std::nullopt, std::nullopt,
                       "Client tool request response is invalid.");
}

const JSONValue* member(const Object& object, const std::string& key) {
    auto found = object.find(key);
    return found == object.end() ? nullptr : &found->second;
}

bool isText(const JSONValue* value, std::string_view expected) {
    return value && value->ifString() && *value->ifString() == expected;
}

bool isMemberName(const std::string& name) {
    static const Pattern shape(R"(^[a-z][a-zA-Z0-9_]{0,63}$)");
    static const Pattern sensitive(
        R"((?i).*(token|password|secret|auth|cookie|api_?key|card|bank|cvc|cvv).*)");
    return shape.matches(name) && !sensitive.matches(name) && name != "constructor" &&
           name != "prototype" && name != "__proto__";
}

void validateClientToolPayload(const Object& payload) {
    if (payload.size() > kMaxPayloadMembers) {
        invalidOperation();
    }
    // A number that is not finite fails here with the encoder's own error.
    if (writeJSON(Codec<Object>::encode(payload)).size() > kMaxPayloadBytes) {
        invalidOperation();
    }
    for (const auto& [name, value] : payload) {
        if (!isMemberName(name)) {
            invalidOperation();
        }
        const bool flat = value.ifBool() ||
                          (value.ifNumber() && std::isfinite(*value.ifNumber())) ||
                          (value.ifString() &&
                           text::graphemeCount(*value.ifString()) <= kMaxPayloadTextCharacters);
        if (!flat) {
            invalidOperation();
        }
    }
}

void validateClientToolSchema(const Object& schema) {
    static const std::set<std::string> memberNames = {"type", "required", "enum"};
    static const std::set<std::string> types = {"string", "number", "boolean"};
    if (schema.size() > kMaxPayloadMembers) {
        invalidOperation();
    }
    Object names;
    for (const auto& [name, property] : schema) {
        names.emplace(name, true);
    }
    validateClientToolPayload(names);
    for (const auto& [name, property] : schema) {
        const auto* object = property.ifObject();
        if (object == nullptr || object->empty()) {
            invalidOperation();
        }
        for (const auto& [key, value] : *object) {
            if (!memberNames.contains(key)) {
                invalidOperation();
            }
        }
        const auto* type = member(*object, "type");
        const auto* required = member(*object, "required");
        if (!type || !type->ifString() || !types.contains(*type->ifString()) || !required ||
            !required->ifBool()) {
            invalidOperation();
        }
        if (const auto* values = member(*object, "enum")) {
            const auto* array = values->ifArray();
            if (*type->ifString() != "string" || !array || array->empty() || array->size() > 32) {
                invalidOperation();
            }
            std::set<std::string> seen;
            for (const auto& entry : *array) {
                const auto* s = entry.ifString();
                if (!s || text::graphemeCount(*s) > 128 || !seen.insert(*s).second) {
                    invalidOperation();
                }
            }
        }
    }
}

void validateClientToolCallId(std::string_view callId) {
    static const Pattern pattern(R"(^ctc_[A-Za-z0-9_-]{1,128}$)");
    if (!pattern.matches(callId)) {
        invalidOperation();
    }
}

void validateClientToolResponse(const JSONValue& reply, const std::optional<std::string>& callId) {
    static const std::set<std::string> statuses = {"requested", "result_ready", "generating",
                                                   "ready", "failed"};
    const auto* object = reply.ifObject();
    if (!object || object->empty()) {
        invalidResponse();
    }
    const auto* ok = member(*object, "ok");
    if (!ok || !ok->ifBool() || !*ok->ifBool() ||
        !isText(member(*object, "continuation"), "operator-review")) {
        invalidResponse();
    }
    const auto* id = member(*object, "callId");
    if (!id || !id->ifString() || !id->ifString()->starts_with("ctc_") ||
        (callId && *id->ifString() != *callId)) {
        invalidResponse();
    }
    const auto* status = member(*object, "status");
    if (!status || !status->ifString() || !statuses.contains(*status->ifString())) {
        invalidResponse();
    }
}

void validateClientToolRequestResponse(const JSONValue& reply,
                                       const VelmoraClientToolRequest& request) {
    const auto* object = reply.ifObject();
    const auto* toolValue = object ? member(*object, "tool") : nullptr;
    const auto* tool = toolValue ? toolValue->ifObject() : nullptr;
    if (!tool) {
        invalidRequestResponse();
    }
    const auto* enabled = member(*tool, "enabled");
    if (!isText(member(*tool, "name"), request.toolName) || !enabled || !enabled->ifBool() ||
        !*enabled->ifBool()) {
        invalidRequestResponse();
    }
    const auto* input = member(*object, "input");
    if (!input || !(*input == JSONValue(request.input))) {
        invalidRequestResponse();
    }
    const auto* expiresAt = member(*object, "expiresAt");
    if (!expiresAt || !expiresAt->ifString() ||
        !parseInternetDateTime(*expiresAt->ifString(),
                               expiresAt->ifString()->find('.') != std::string::npos)) {
        invalidRequestResponse();
    }
    const auto* description = member(*tool, "description");
    if (!description || !description->ifString() ||
        text::trimmed(*description->ifString()).empty() ||
        text::graphemeCount(*description->ifString()) > 500) {
        invalidRequestResponse();
    }
    const auto* timeout = member(*tool, "timeoutMs");
    const double* ms = timeout ? timeout->ifNumber() : nullptr;
    if (!ms || std::trunc(*ms) != *ms || *ms < 1000 || *ms > 30000) {
        invalidRequestResponse();
    }
    const auto* inputSchema = member(*tool, "inputSchema");
    const auto* outputSchema = member(*tool, "outputSchema");
    if (!inputSchema || !inputSchema->ifObject() || !outputSchema || !outputSchema->ifObject()) {
        invalidRequestResponse();
    }
    validateClientToolSchema(*inputSchema->ifObject());
    validateClientToolSchema(*outputSchema->ifObject());
}

/// Sends one client-tool request in the current session and checks the reply's common shape.
ClientCore::Task<JSONValue> sendClientToolRequest(ClientCore& core, std::string path,
                                                  std::string method,
                                                  std::optional<json::value> body,
                                                  std::optional<std::string> callId) {
    const VelmoraSession session = core.requireCurrentSession();
    PipelineRequest request;
    request.path = core.sessionPath(session.sessionId, "/client-tools/" + path);
    request.method = std::move(method);
    request.body = std::move(body);
    request.token = session.sessionToken;
    request.requestGeneration = core.generation_;
    auto reply = co_await core.request<JSONValue>(std::move(request));
    validateClientToolResponse(reply, callId);
    co_return reply;
}

const json::string* textMember(const json::object& object, std::string_view key) {
    const auto* value = object.if_contains(key);
    return value ? value->if_string() : nullptr;
}

// The "input" member of a bridged operation: an object with exactly `keys`.
const json::object& bridgedInput(const json::object& object,
                                 std::initializer_list<std::string_view> keys) {
    const auto* input = object.at("input").if_object();
    if (!input || input->size() != keys.size()) {
        invalidOperation();
    }
    for (auto key : keys) {
        if (!input->contains(key)) {
            invalidOperation();
        }
    }
    return *input;
}

} // namespace

ClientCore::Task<JSONValue> ClientCore::requestClientTool(VelmoraClientToolRequest request) {
    static const Pattern toolName(R"(^[a-z][a-z0-9_]{0,63}$)");
    if (!toolName.matches(request.toolName)) {
        invalidOperation();
    }
    VelmoraInputValidation::requireReference(request.basisMessageId,
                                             "Client tool basis is invalid.");
    validateClientToolPayload(request.input);
    auto reply = co_await sendClientToolRequest(
        *this, "request", "POST", Codec<VelmoraClientToolRequest>::encode(request), std::nullopt);
    validateClientToolRequestResponse(reply, request);
    co_return reply;
}

ClientCore::Task<JSONValue> ClientCore::completeClientTool(VelmoraClientToolResult result) {
    validateClientToolCallId(result.callId);
    validateClientToolPayload(result.output);
    co_return co_await sendClientToolRequest(
        *this, "complete", "POST", Codec<VelmoraClientToolResult>::encode(result), result.callId);
}

ClientCore::Task<JSONValue> ClientCore::clientToolStatus(std::string callId) {
    validateClientToolCallId(callId);
    co_return co_await sendClientToolRequest(*this, callId, "GET", std::nullopt, callId);
}

ClientCore::Task<JSONValue> ClientCore::performClientToolOperation(json::object object,
                                                                   std::string operation) {
    if (operation == "client-tool-status") {
        requireOperationKeys(object, {"operation", "callId"}, {"callId"});
        const auto* callId = textMember(object, "callId");
        if (!callId) {
            invalidOperation();
        }
        co_return co_await clientToolStatus(std::string(callId->data(), callId->size()));
    }
    requireOperationKeys(object, {"operation", "input"}, {"input"});
    if (operation == "request-client-tool") {
        const auto& input = bridgedInput(object, {"toolName", "basisMessageId", "input"});
        const auto* name = textMember(input, "toolName");
        const auto* basis = textMember(input, "basisMessageId");
        const auto* arguments = input.at("input").if_object();
        if (!name || !basis || !arguments) {
            invalidOperation();
        }
        co_return co_await requestClientTool({std::string(name->data(), name->size()),
                                              std::string(basis->data(), basis->size()),
                                              jsonValues(*arguments)});
    }
    if (operation == "complete-client-tool") {
        const auto& input = bridgedInput(object, {"callId", "output"});
        const auto* callId = textMember(input, "callId");
        const auto* output = input.at("output").if_object();
        if (!callId || !output) {
            invalidOperation();
        }
        co_return co_await completeClientTool(
            {std::string(callId->data(), callId->size()), jsonValues(*output)});
    }
    throw VelmoraError(VelmoraErrorCode::unsupported, std::nullopt, std::nullopt,
                       "Unsupported native operation.");
}

} // namespace detail

VELMORA_DEFINE_JSON_CODING(VelmoraClientToolRequest)
VELMORA_DEFINE_JSON_CODING(VelmoraClientToolResult)

} // namespace velmora
