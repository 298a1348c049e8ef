#pragma once

#include "widget_service.hpp"

#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

namespace velmora::tools {

/// An answer of the service before it goes on the wire.
struct ServiceAnswer {
    int status = 200;
    std::string body;
    /// Empty: no body and no Content-Type.
    std::string contentType = "application/json";
};

/// `{"ok":false,"error":{"code":...,"retryAfterSeconds":...}}` with `status`.
ServiceAnswer errorAnswer(int status, std::optional<std::string> code,
                          std::optional<std::int64_t> retryAfterSeconds = std::nullopt);

/// The widget API's state and rules, without HTTP: sessions, messages, idempotent replay and the
/// assistant. Thread-safe; every request is handled under one lock.
class RichOperations;

class WidgetApi {
public:
    using Clock = std::chrono::steady_clock;

    explicit WidgetApi(const WidgetService::Options& options);
    ~WidgetApi();

    ServiceAnswer handle(const RecordedRequest& request);

    std::string postServiceMessage(const std::string& sessionId, const std::string& authorKind,
                                   const std::string& text);
    void setSupportState(const std::string& sessionId, const std::string& state);

private:
    struct Message {
        std::string id;
        std::string direction;
        std::string authorKind;
        std::string bodyText;
        std::string sentAt;
        std::string deliveryStatus;
    };
    struct PendingReply {
        Clock::time_point due;
        std::string visitorText;
    };
    struct Session {
        std::string id;
        std::string conversationId;
        std::string token;
        std::string bearer;
        std::string integration;
        std::vector<Message> messages;
        std::vector<PendingReply> pendingReplies;
        std::string supportState = "ai";
        std::int64_t revision = 0;
    };
    struct Replay {
        std::string body;
        ServiceAnswer answer;
    };
    // integration, method, path, idempotency key
    using ReplayKey = std::tuple<std::string, std::string, std::string, std::string>;

    struct Call;
    using Commit = std::function<ServiceAnswer(const std::string& trimmedText)>;

    /// A customer message (a session's first or a later one) under idempotent replay: the same
    /// key with the same bytes gets the recorded answer, with other bytes a conflict.
    ServiceAnswer mutate(Call& call, bool sessionStart, const Commit& commit);
    ServiceAnswer route(Call& call);
    ServiceAnswer startSession(Call& call);
    ServiceAnswer resumeSession(Call& call);
    ServiceAnswer sendMessage(Call& call, Session& session);
    ServiceAnswer readMessages(Session& session);
    ServiceAnswer content(const Call& call) const;

    Session* findSession(const std::string& id, const std::string& integration);
    Session& requireSession(const std::string& id);
    void appendMessage(Session& session, std::string direction, std::string authorKind,
                       std::string text);
    void deliverDueReplies(Session& session);
    void scheduleReply(Session& session, const std::string& visitorText);
    std::string nextId(const char* prefix);

    WidgetService::Options options_;
    mutable std::mutex mutex_;
    std::deque<Session> sessions_; // a deque: references stay valid as sessions are added
    std::map<ReplayKey, Replay> replays_;
    std::uint64_t counter_ = 0;
    std::unique_ptr<RichOperations> rich_;
};

} // namespace velmora::tools
