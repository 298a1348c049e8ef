#include "rich_operations.hpp"

#include "detail/date_time.hpp"
#include "detail/json.hpp"

#include <boost/json.hpp>

namespace velmora::tools {

namespace json = boost::json;
using velmora::detail::writeJSON;

namespace {

ServiceAnswer ok(const json::object& body) {
    json::object answer{{"ok", true}};
    for (const auto& member : body) {
        answer.insert(member);
    }
    return {200, writeJSON(answer), "application/json"};
}

std::string inMinutes(int minutes) {
    return velmora::detail::formatInternetDateTime(std::chrono::system_clock::now() +
                                                   std::chrono::minutes(minutes));
}

// The request's body as a JSON object, or nothing.
std::optional<json::object> bodyObject(const RecordedRequest& request) {
    try {
        auto value = velmora::detail::parseJSON(request.bodyText());
        if (auto* object = value.if_object()) {
            return std::move(*object);
        }
    } catch (const std::exception&) {
    }
    return std::nullopt;
}

bool hasText(const json::object& object, std::string_view key) {
    const auto* value = object.if_contains(key);
    return value && value->is_string();
}

// The demo catalogue: two orders of one store.
const json::array& orders() {
    static const json::array catalogue = {
        json::object{{"orderReference", "1001"},
                     {"storeReference", "demo_store"},
                     {"name", "#1001"},
                     {"financialStatus", "paid"},
                     {"fulfillmentStatus", "unfulfilled"},
                     {"lineItems",
                      json::array{json::object{
                          {"lineItemReference", "li_1"}, {"title", "Notebook"}, {"quantity", 2}}}}},
        json::object{
            {"orderReference", "1002"},
            {"storeReference", "demo_store"},
            {"name", "#1002"},
            {"financialStatus", "paid"},
            {"fulfillmentStatus", "fulfilled"},
            {"lineItems", json::array{json::object{
                              {"lineItemReference", "li_2"}, {"title", "Pen"}, {"quantity", 1}}}}}};
    return catalogue;
}

// The one client tool the demo offers.
json::object orderStatusTool() {
    return {{"name", "order_status"},
            {"enabled", true},
            {"description", "Looks up the delivery status of one of the customer's orders."},
            {"timeoutMs", 15000},
            {"inputSchema",
             json::object{{"orderNumber", json::object{{"type", "string"}, {"required", true}}}}},
            {"outputSchema",
             json::object{
                 {"status", json::object{{"type", "string"},
                                         {"required", true},
                                         {"enum", json::array{"open", "shipped", "delivered"}}}}}}};
}

} // namespace

std::optional<ServiceAnswer> RichOperations::handle(const SessionCall& call) {
    const auto& r = call.rest;
    const auto& method = call.request.method;
    if (r.empty()) {
        return std::nullopt;
    }
    if (r[0] == "forms" && r.size() == 2) {
        return method == "POST" ? submitForm(call) : errorAnswer(405, "method_not_allowed");
    }
    if (r[0] == "procedure-actions" && r.size() == 1) {
        return method == "POST" ? procedureAction(call) : errorAnswer(405, "method_not_allowed");
    }
    if (r[0] == "commerce") {
        return commerce(call);
    }
    if (r[0] == "client-tools" && r.size() == 2) {
        return clientTools(call);
    }
    return std::nullopt;
}

template <class F> ServiceAnswer RichOperations::idempotent(const SessionCall& call, F&& answer) {
    auto key = call.request.header("x-velmora-idempotency-key");
    if (!key) {
        return errorAnswer(400, "field_invalid");
    }
    const ReplayKey replayKey{call.request.path, *key};
    if (auto found = replays_.find(replayKey); found != replays_.end()) {
        return found->second.first == call.request.bodyText()
                   ? found->second.second
                   : errorAnswer(409, "idempotency_conflict");
    }
    ServiceAnswer result = answer();
    if (result.status >= 200 && result.status < 300) {
        replays_[replayKey] = {call.request.bodyText(), result};
    }
    return result;
}

ServiceAnswer RichOperations::submitForm(const SessionCall& call) {
    auto body = bodyObject(call.request);
    const auto* values = body ? body->if_contains("values") : nullptr;
    if (!values || !values->is_object()) {
        return errorAnswer(400, "field_invalid");
    }
    return ok({{"requestId", call.rest[1]}, {"status", "submitted"}});
}

ServiceAnswer RichOperations::procedureAction(const SessionCall& call) {
    return idempotent(call, [&] {
        auto body = bodyObject(call.request);
        if (!body || !hasText(*body, "action") || !hasText(*body, "value") ||
            !hasText(*body, "idempotencyKey") ||
            body->at("idempotencyKey").as_string() !=
                *call.request.header("x-velmora-idempotency-key")) {
            return errorAnswer(400, "field_invalid");
        }
        return ok({{"sessionId", call.sessionId}});
    });
}

ServiceAnswer RichOperations::commerce(const SessionCall& call) {
    const auto& r = call.rest;
    const auto& method = call.request.method;
    auto query = [&](const char* name) -> std::optional<std::string> {
        auto found = call.query.find(name);
        return found == call.query.end() ? std::nullopt : std::optional(found->second);
    };
    if (r.size() == 2 && r[1] == "orders" && method == "GET") {
        // One order per page, so a cursor has something to do.
        const auto store = query("store");
        if (store && *store != "demo_store") {
            return ok({{"orders", json::array{}}});
        }
        if (query("cursor") == "page_2") {
            return ok({{"orders", json::array{orders()[1]}}});
        }
        return ok({{"orders", json::array{orders()[0]}}, {"nextCursor", "page_2"}});
    }
    if (r.size() == 3 && r[1] == "orders" && method == "GET") {
        for (const auto& order : orders()) {
            if (order.at("orderReference").as_string() == r[2]) {
                return ok({{"order", order}});
            }
        }
        return errorAnswer(404, "order_not_found");
    }
    if (r.size() == 3 && r[1] == "actions" && r[2] == "proposals" && method == "POST") {
        return idempotent(call, [&] {
            auto body = bodyObject(call.request);
            const auto* selection = body ? body->if_contains("selection") : nullptr;
            if (!body || !hasText(*body, "actionId") || !selection || !selection->is_object() ||
                !hasText(selection->as_object(), "orderReference")) {
                return errorAnswer(400, "field_invalid");
            }
            const std::string id = "cp_" + std::to_string(++counter_);
            proposals_[id] = Proposal{call.sessionId, "awaiting_confirmation"};
            return ok({{"state", "awaiting_confirmation"},
                       {"proposalId", id},
                       {"actionId", body->at("actionId")},
                       {"confirmationExpiresAt", inMinutes(10)}});
        });
    }
    if (r.size() >= 4 && r[1] == "actions" && r[2] == "proposals") {
        auto found = proposals_.find(r[3]);
        if (found == proposals_.end() || found->second.sessionId != call.sessionId) {
            return errorAnswer(404, "proposal_not_found");
        }
        Proposal& proposal = found->second;
        if (r.size() == 4 && method == "GET") {
            return ok({{"state", proposal.state}, {"proposalId", r[3]}});
        }
        if (r.size() == 5 && r[4] == "confirm" && method == "POST") {
            return idempotent(call, [&] {
                auto body = bodyObject(call.request);
                const auto* confirmed = body ? body->if_contains("confirmed") : nullptr;
                if (!confirmed || !confirmed->is_bool() || !confirmed->get_bool()) {
                    return errorAnswer(400, "field_invalid");
                }
                proposal.state = "confirmed";
                return ok({{"state", "confirmed"},
                           {"proposalId", r[3]},
                           {"executionState", "completed"}});
            });
        }
    }
    return errorAnswer(404, "not_found");
}

ServiceAnswer RichOperations::clientTools(const SessionCall& call) {
    const std::string& path = call.rest[1];
    const auto& method = call.request.method;
    auto reply = [](const std::string& id, const std::string& status) {
        return json::object{
            {"callId", id}, {"status", status}, {"continuation", "operator-review"}};
    };
    if (path == "request" && method == "POST") {
        auto body = bodyObject(call.request);
        const auto* input = body ? body->if_contains("input") : nullptr;
        if (!body || !hasText(*body, "toolName") || !hasText(*body, "basisMessageId") || !input ||
            !input->is_object()) {
            return errorAnswer(400, "field_invalid");
        }
        if (body->at("toolName").as_string() != "order_status") {
            return errorAnswer(404, "client_tool_not_found");
        }
        const std::string id = "ctc_" + std::to_string(++counter_);
        toolCalls_[id] = ToolCall{call.sessionId, "requested"};
        json::object answer = reply(id, "requested");
        answer["input"] = *input;
        answer["expiresAt"] = inMinutes(5);
        answer["tool"] = orderStatusTool();
        return ok(std::move(answer));
    }
    if (path == "complete" && method == "POST") {
        auto body = bodyObject(call.request);
        const auto* output = body ? body->if_contains("output") : nullptr;
        if (!body || !hasText(*body, "callId") || !output || !output->is_object()) {
            return errorAnswer(400, "field_invalid");
        }
        auto found = toolCalls_.find(std::string(body->at("callId").as_string()));
        if (found == toolCalls_.end() || found->second.sessionId != call.sessionId) {
            return errorAnswer(404, "client_tool_call_not_found");
        }
        found->second.status = "result_ready";
        return ok(reply(found->first, "result_ready"));
    }
    if (method == "GET") {
        auto found = toolCalls_.find(path);
        if (found == toolCalls_.end() || found->second.sessionId != call.sessionId) {
            return errorAnswer(404, "client_tool_call_not_found");
        }
        return ok(reply(found->first, found->second.status));
    }
    return errorAnswer(405, "method_not_allowed");
}

} // namespace velmora::tools
