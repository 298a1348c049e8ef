#pragma once

#include "widget_service.hpp"

#include <boost/json/array.hpp>

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
    void setProcedureState(const std::string& sessionId, std::optional<std::string> procedureAction,
                           std::optional<std::string> quickActions);
    /// Appends an inbound message by `authorKind` carrying one uploaded file; returns the file's
    /// download address on `origin`.
    std::string postServiceAttachment(const std::string& sessionId, const std::string& origin,
                                      const std::string& fileName, const std::string& mimeType,
                                      const Data& bytes);

private:
    struct Message {
        std::string id;
        std::string direction;
        std::string authorKind;
        std::string bodyText;
        std::string sentAt;
        std::string deliveryStatus;
        std::vector<std::string> attachmentIds;
    };
    /// A file announced by an upload intent; listed on its message once uploaded.
    struct Attachment {
        std::string id;
        std::string sessionId;
        std::string messageId;
        std::string fileName;
        std::string mimeType;
        std::string kind;
        std::int64_t sizeBytes = 0;
        std::string uploadToken;
        std::string downloadToken;
        std::string origin;
        std::chrono::system_clock::time_point expires;
        bool uploaded = false;
        std::string bytes;
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
        /// JSON texts, reported as they are.
        std::optional<std::string> procedureAction;
        std::optional<std::string> procedureQuickActions;
        std::int64_t revision = 0;
    };
    struct Replay {
        std::string body;
        ServiceAnswer answer;
    };
    // integration, method, path, idempotency key
    using ReplayKey = std::tuple<std::string, std::string, std::string, std::string>;

    /// One request as the routes read it.
    struct Call {
        const RecordedRequest& request;
        std::vector<std::string> segments; // the path after the API prefix, decoded
        std::map<std::string, std::string> query;
        std::string integration;
        std::string bearer;

        std::optional<std::string> queryItem(const std::string& name) const {
            auto found = query.find(name);
            return found == query.end() ? std::nullopt : std::optional(found->second);
        }
    };
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
    ServiceAnswer grantIntents(Call& call, Session& session, const std::string& messageId);
    ServiceAnswer receiveUpload(Call& call, const std::string& attachmentId);
    ServiceAnswer sendDownload(Call& call, const std::string& sessionId,
                               const std::string& attachmentId);
    boost::json::array attachmentsOf(const Message& message) const;
    std::string downloadUrl(const Attachment& attachment) const;

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
    std::map<std::string, Attachment> attachments_;
    std::uint64_t counter_ = 0;
    std::unique_ptr<RichOperations> rich_;
};

} // namespace velmora::tools
