#include "widget_api.hpp"

#include "rich_operations.hpp"

#include "detail/date_time.hpp"
#include "detail/json.hpp"
#include "detail/text.hpp"
#include "detail/uuid.hpp"

#include <boost/json.hpp>
#include <boost/url/parse.hpp>

#include <algorithm>
#include <stdexcept>

namespace velmora::tools {

namespace json = boost::json;
using velmora::detail::writeJSON;

namespace {

constexpr std::string_view kApiPrefix = "/api/widget/v1/";

ServiceAnswer jsonAnswer(int status, const json::value& value) {
    return {status, writeJSON(value), "application/json"};
}

std::string now() {
    return velmora::detail::formatInternetDateTime(std::chrono::system_clock::now());
}

std::string newToken() {
    std::string token = "st_";
    for (char c : velmora::detail::uuidString()) {
        if (c != '-') {
            token += static_cast<char>(c >= 'A' && c <= 'F' ? c - 'A' + 'a' : c);
        }
    }
    return token;
}

/// The members a customer message body must carry, all strings.
const json::object* messageBody(const json::value& body, bool sessionStart) {
    const auto* object = body.if_object();
    if (!object) {
        return nullptr;
    }
    for (const char* key :
         {"integrationPublicId", "locale", "message", "startedAt", "idempotencyKey"}) {
        const auto* member = object->if_contains(key);
        if (!member || !member->is_string()) {
            return nullptr;
        }
    }
    if (const auto* prefill = object->if_contains("prefill");
        prefill && (!sessionStart || !prefill->is_object())) {
        return nullptr;
    }
    if (const auto* metadata = object->if_contains("metadata");
        metadata && !metadata->is_object()) {
        return nullptr;
    }
    return object;
}

} // namespace

ServiceAnswer errorAnswer(int status, std::optional<std::string> code,
                          std::optional<std::int64_t> retryAfterSeconds) {
    json::object error;
    if (code) {
        error["code"] = *code;
    }
    if (retryAfterSeconds) {
        error["retryAfterSeconds"] = *retryAfterSeconds;
    }
    return jsonAnswer(status, json::object{{"ok", false}, {"error", std::move(error)}});
}

WidgetApi::WidgetApi(const WidgetService::Options& options)
    : options_(options), rich_(std::make_unique<RichOperations>()) {}

WidgetApi::~WidgetApi() = default;

ServiceAnswer WidgetApi::handle(const RecordedRequest& request) {
    const std::string target =
        request.query.empty() ? request.path : request.path + "?" + request.query;
    auto url = boost::urls::parse_origin_form(target);
    if (!url) {
        return errorAnswer(400, "field_invalid");
    }
    if (!request.path.starts_with(kApiPrefix)) {
        return errorAnswer(404, "not_found");
    }
    Call call{request, {}, {}, {}, {}};
    for (auto segment : url->segments()) {
        call.segments.push_back(std::string(segment));
    }
    // Drop "api", "widget", "v1".
    call.segments.erase(call.segments.begin(), call.segments.begin() + 3);
    for (auto param : url->params()) {
        call.query.try_emplace(std::string(param.key), std::string(param.value));
    }

    if (request.header("x-velmora-client") != "native-v1") {
        return errorAnswer(400, "client_unsupported");
    }
    const auto authorization = request.header("authorization").value_or("");
    constexpr std::string_view bearerPrefix = "Bearer ";
    call.bearer = authorization.starts_with(bearerPrefix)
                      ? authorization.substr(bearerPrefix.size())
                      : std::string();
    if (velmora::detail::text::trimmed(call.bearer).empty() ||
        (options_.bearerToken && call.bearer != *options_.bearerToken)) {
        return errorAnswer(401, "unauthorized");
    }
    call.integration = call.queryItem("integration").value_or("");
    const auto& accepted = options_.integrations;
    if (call.integration.empty() ||
        (!accepted.empty() &&
         std::find(accepted.begin(), accepted.end(), call.integration) == accepted.end())) {
        return errorAnswer(403, "integration_disabled");
    }
    std::lock_guard lock(mutex_);
    return route(call);
}

ServiceAnswer WidgetApi::route(Call& call) {
    const auto& s = call.segments;
    const auto& method = call.request.method;
    auto allow = [&](std::string_view expected, auto&& handler) -> ServiceAnswer {
        return method == expected ? handler() : errorAnswer(405, "method_not_allowed");
    };
    if (s.size() == 1 && s[0] == "config") {
        return allow("GET", [&] { return ServiceAnswer{200, options_.configurationBody}; });
    }
    if (s.size() == 1 && s[0] == "content") {
        return allow("GET", [&] { return content(call); });
    }
    if (s.size() == 1 && s[0] == "sessions") {
        return allow("POST", [&] { return startSession(call); });
    }
    if (s.size() == 2 && s[0] == "sessions" && s[1] == "resume") {
        return allow("POST", [&] { return resumeSession(call); });
    }
    if (s.size() == 3 && s[0] == "sessions" && s[2] == "messages") {
        Session* session = findSession(s[1], call.integration);
        if (!session || call.request.header("x-velmora-session-token") != session->token) {
            return errorAnswer(401, "session_expired");
        }
        deliverDueReplies(*session);
        if (method == "GET") {
            return readMessages(*session);
        }
        return allow("POST", [&] { return sendMessage(call, *session); });
    }
    if (s.size() == 6 && s[0] == "sessions" && s[2] == "messages" && s[4] == "attachments" &&
        s[5] == "intents") {
        Session* session = findSession(s[1], call.integration);
        if (!session || call.request.header("x-velmora-session-token") != session->token) {
            return errorAnswer(401, "session_expired");
        }
        return allow("POST", [&] { return grantIntents(call, *session, s[3]); });
    }
    if (s.size() == 2 && s[0] == "uploads") {
        return allow("PUT", [&] { return receiveUpload(call, s[1]); });
    }
    if (s.size() == 4 && s[0] == "sessions" && s[2] == "attachments") {
        return allow("GET", [&] { return sendDownload(call, s[1], s[3]); });
    }
    if (s.size() >= 3 && s[0] == "sessions") {
        Session* session = findSession(s[1], call.integration);
        if (!session || call.request.header("x-velmora-session-token") != session->token) {
            return errorAnswer(401, "session_expired");
        }
        const SessionCall sessionCall{
            call.request, session->id, {s.begin() + 2, s.end()}, call.query};
        if (auto answer = rich_->handle(sessionCall)) {
            return *answer;
        }
    }
    return errorAnswer(404, "not_found");
}

ServiceAnswer WidgetApi::content(const Call& call) const {
    auto found = options_.contentBodies.find(call.queryItem("locale").value_or(""));
    if (found == options_.contentBodies.end()) {
        return errorAnswer(404, "content_not_found");
    }
    return {200, found->second};
}

namespace {

/// What a mutation's idempotency rests on: the key (the header's, else the body's) and the body.
struct Mutation {
    std::optional<std::string> key;
    const json::object* body = nullptr;
    bool invalid = false;
};

Mutation readMutation(const RecordedRequest& request, json::value& storage, bool sessionStart) {
    Mutation mutation;
    try {
        storage = velmora::detail::parseJSON(request.bodyText());
        mutation.body = messageBody(storage, sessionStart);
    } catch (const std::exception&) {
        mutation.body = nullptr;
    }
    auto header = request.header("x-velmora-idempotency-key");
    std::optional<std::string> bodyKey;
    if (mutation.body) {
        bodyKey = std::string(mutation.body->at("idempotencyKey").as_string());
    }
    if (header && bodyKey && *header != *bodyKey) {
        mutation.invalid = true;
    }
    mutation.key = header ? header : bodyKey;
    mutation.invalid = mutation.invalid || !mutation.body;
    return mutation;
}

} // namespace

ServiceAnswer WidgetApi::mutate(Call& call, bool sessionStart, const Commit& commit) {
    json::value storage;
    Mutation mutation = readMutation(call.request, storage, sessionStart);
    std::optional<ReplayKey> replayKey;
    if (mutation.key) {
        replayKey =
            ReplayKey{call.integration, call.request.method, call.request.path, *mutation.key};
        if (auto found = replays_.find(*replayKey); found != replays_.end()) {
            return found->second.body == call.request.bodyText()
                       ? found->second.answer
                       : errorAnswer(409, "idempotency_conflict");
        }
    }
    if (mutation.invalid ||
        mutation.body->at("integrationPublicId").as_string() != call.integration) {
        return errorAnswer(400, "field_invalid");
    }
    const std::string text =
        velmora::detail::text::trimmed(mutation.body->at("message").as_string());
    if (text.empty()) {
        return errorAnswer(400, "field_invalid");
    }
    ServiceAnswer answer = commit(text);
    if (replayKey) {
        replays_[*replayKey] = Replay{call.request.bodyText(), answer};
    }
    return answer;
}

ServiceAnswer WidgetApi::startSession(Call& call) {
    return mutate(call, true, [&](const std::string& text) {
        Session& session = sessions_.emplace_back();
        session.id = nextId("s_");
        session.conversationId = nextId("c_");
        session.token = newToken();
        session.bearer = call.bearer;
        session.integration = call.integration;
        appendMessage(session, "outbound", "customer", text);
        const std::string messageId = session.messages.back().id;
        scheduleReply(session, text);
        return jsonAnswer(200, json::object{{"ok", true},
                                            {"sessionId", session.id},
                                            {"conversationId", session.conversationId},
                                            {"sessionToken", session.token},
                                            {"messageId", messageId}});
    });
}

ServiceAnswer WidgetApi::resumeSession(Call& call) {
    // The caller's current session: the latest one its credential opened in this integration.
    for (auto it = sessions_.rbegin(); it != sessions_.rend(); ++it) {
        if (it->bearer == call.bearer && it->integration == call.integration) {
            return jsonAnswer(200, json::object{{"ok", true},
                                                {"sessionId", it->id},
                                                {"conversationId", it->conversationId},
                                                {"sessionToken", it->token}});
        }
    }
    return jsonAnswer(200, json::object{{"ok", true}});
}

ServiceAnswer WidgetApi::sendMessage(Call& call, Session& session) {
    return mutate(call, false, [&](const std::string& text) {
        appendMessage(session, "outbound", "customer", text);
        const std::string messageId = session.messages.back().id;
        scheduleReply(session, text);
        return jsonAnswer(200, json::object{{"ok", true},
                                            {"sessionId", session.id},
                                            {"conversationId", session.conversationId},
                                            {"messageId", messageId},
                                            {"status", "accepted"}});
    });
}

ServiceAnswer WidgetApi::readMessages(Session& session) {
    json::array messages;
    for (const auto& message : session.messages) {
        json::object object{{"id", message.id},
                            {"conversationId", session.conversationId},
                            {"direction", message.direction},
                            {"authorKind", message.authorKind},
                            {"bodyText", message.bodyText},
                            {"sentAt", message.sentAt},
                            {"deliveryStatus", message.deliveryStatus}};
        if (!message.attachmentIds.empty()) {
            object["attachments"] = attachmentsOf(message);
        }
        messages.push_back(std::move(object));
    }
    json::object answer{{"ok", true},
                        {"sessionId", session.id},
                        {"conversationId", session.conversationId},
                        {"messages", std::move(messages)},
                        {"support", json::object{{"state", session.supportState}}},
                        {"conversationRevision", session.revision}};
    if (session.procedureAction)
        answer["procedureAction"] = velmora::detail::parseJSON(*session.procedureAction);
    if (session.procedureQuickActions)
        answer["procedureQuickActions"] =
            velmora::detail::parseJSON(*session.procedureQuickActions);
    return jsonAnswer(200, std::move(answer));
}

std::string WidgetApi::postServiceMessage(const std::string& sessionId,
                                          const std::string& authorKind, const std::string& text) {
    std::lock_guard lock(mutex_);
    Session& session = requireSession(sessionId);
    deliverDueReplies(session);
    appendMessage(session, "inbound", authorKind, text);
    return session.messages.back().id;
}

void WidgetApi::setSupportState(const std::string& sessionId, const std::string& state) {
    std::lock_guard lock(mutex_);
    Session& session = requireSession(sessionId);
    deliverDueReplies(session);
    session.supportState = state;
    ++session.revision;
}

void WidgetApi::setProcedureState(const std::string& sessionId,
                                  std::optional<std::string> procedureAction,
                                  std::optional<std::string> quickActions) {
    // Checked here, so that reading the conversation never meets a broken text.
    const auto check = [](const std::optional<std::string>& text, bool array) {
        if (!text)
            return;
        try {
            const auto value = velmora::detail::parseJSON(*text);
            if (array && !value.is_array())
                throw std::invalid_argument("procedure quick actions must be a JSON array");
        } catch (const std::invalid_argument&) {
            throw;
        } catch (const std::exception& e) {
            throw std::invalid_argument(e.what());
        }
    };
    check(procedureAction, false);
    check(quickActions, true);
    std::lock_guard lock(mutex_);
    Session& session = requireSession(sessionId);
    deliverDueReplies(session);
    session.procedureAction = std::move(procedureAction);
    session.procedureQuickActions = std::move(quickActions);
    ++session.revision;
}

WidgetApi::Session* WidgetApi::findSession(const std::string& id, const std::string& integration) {
    for (auto& session : sessions_) {
        if (session.id == id && session.integration == integration) {
            return &session;
        }
    }
    return nullptr;
}

WidgetApi::Session& WidgetApi::requireSession(const std::string& id) {
    for (auto& session : sessions_) {
        if (session.id == id) {
            return session;
        }
    }
    throw std::out_of_range("No session " + id);
}

void WidgetApi::appendMessage(Session& session, std::string direction, std::string authorKind,
                              std::string text) {
    session.messages.push_back(Message{nextId("m_"),
                                       std::move(direction),
                                       std::move(authorKind),
                                       std::move(text),
                                       now(),
                                       "sent",
                                       {}});
    ++session.revision;
}

void WidgetApi::scheduleReply(Session& session, const std::string& visitorText) {
    if (options_.assistantDelay) {
        session.pendingReplies.push_back(
            PendingReply{Clock::now() + *options_.assistantDelay, visitorText});
    }
}

// Replies are written when the conversation is next touched after they fell due, so no timer
// thread is needed and the order of messages is the order in which they would have appeared.
void WidgetApi::deliverDueReplies(Session& session) {
    const auto current = Clock::now();
    auto& pending = session.pendingReplies;
    auto due =
        std::stable_partition(pending.begin(), pending.end(),
                              [&](const PendingReply& reply) { return reply.due <= current; });
    std::vector<PendingReply> ready(std::make_move_iterator(pending.begin()),
                                    std::make_move_iterator(due));
    pending.erase(pending.begin(), due);
    for (const auto& reply : ready) {
        std::string text = options_.assistantReply
                               ? options_.assistantReply(reply.visitorText)
                               : WidgetService::defaultAssistantReply(reply.visitorText);
        appendMessage(session, "inbound", "ai", std::move(text));
    }
}

std::string WidgetApi::nextId(const char* prefix) {
    return prefix + std::to_string(++counter_);
}

} // namespace velmora::tools
