#pragma once

#include "velmora/types.hpp"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace velmora::tools {

/// One request as the service read it, before any fault or handler touched it. Requests that
/// the HTTP library itself refuses (a POST without a length, a malformed request line) never
/// reach the service and are not recorded.
struct RecordedRequest {
    std::string method;
    /// The path as sent, percent-encoding kept.
    std::string path;
    /// The raw query, without "?"; empty when there was none.
    std::string query;
    /// Header fields with their names as sent, ordered by name (case-insensitively; fields of
    /// one name keep their order). Values come trimmed of surrounding white space.
    std::vector<std::pair<std::string, std::string>> headers;
    Data body;

    /// The first header of that name (case-insensitive), if any.
    std::optional<std::string> header(std::string_view name) const;
    /// The first query item of that name, percent-decoded, if any.
    std::optional<std::string> queryItem(std::string_view name) const;
    std::string bodyText() const { return {body.begin(), body.end()}; }
};

/// Which requests a fault applies to: the first `times` requests (after the fault is added) whose
/// method equals `method` (any when absent) and whose path begins with `pathPrefix`. Control
/// requests are never matched.
struct FaultScope {
    std::optional<std::string> method;
    std::string pathPrefix;
    int times = 1;
};

/// What the service does to a matched request instead of (or after) answering it normally.
struct Fault {
    enum class Action {
        /// Answer normally (with `delay`, a slow answer).
        none,
        /// Answer `status` with the error envelope carrying `code` and `retryAfterSeconds`.
        fail,
        /// Close the connection without answering.
        drop,
        /// Answer the normal answer padded to exactly `bytes` bytes (never shortened).
        oversize,
        /// Answer `status` with `body` and `contentType` as given (an empty content type sends
        /// no body and no Content-Type).
        answer,
    };

    FaultScope scope;
    Action action = Action::none;
    /// Waited before the request is handled (or, with `afterCommit`, before the answer is
    /// sent). `stop()` cuts it short.
    std::chrono::milliseconds delay{0};
    /// Handle the request normally first (sessions and messages are stored, the idempotent
    /// answer is recorded), then apply the action: an acknowledgement lost on its way back.
    /// `oversize` always handles the request first.
    bool afterCommit = false;
    int status = 500;
    std::optional<std::string> code;
    std::optional<std::int64_t> retryAfterSeconds;
    std::size_t bytes = 0;
    /// For `oversize`: stream the body chunked, without a Content-Length.
    bool chunked = false;
    std::string body;
    std::string contentType = "application/json";
};

/// The local stand-in for the widget API: configuration, help content, sessions, resume and
/// messages with idempotent replay, and an assistant that answers every visitor message after a
/// short delay. It listens on 127.0.0.1 and, when available, on ::1 with the same port, so that
/// clients reach it as "http://localhost:PORT". Every member is thread-safe.
class WidgetService {
public:
    struct Options {
        /// Integration identifiers accepted in the "integration" query item; empty accepts any.
        std::vector<std::string> integrations{"local-demo"};
        /// The one bearer token accepted; absent accepts any non-empty token.
        std::optional<std::string> bearerToken;
        /// How long after a visitor message the assistant's reply appears; absent: never.
        std::optional<std::chrono::milliseconds> assistantDelay{std::chrono::milliseconds(150)};
        /// The assistant's reply to a visitor's text; empty: `defaultAssistantReply`.
        std::function<std::string(std::string_view visitorText)> assistantReply;
        /// The whole body of the configuration answer.
        std::string configurationBody = defaultConfigurationBody();
        /// The whole body of the help-content answer, by the "locale" query item.
        std::map<std::string, std::string> contentBodies = defaultContentBodies();
        /// Worker threads per listening address, started as connections need them. Each open
        /// connection holds one while it is kept alive, so this bounds the connections served
        /// at once; more wait until one closes.
        std::size_t maxThreads = 256;
        /// How long a granted upload intent stays valid (negative: granted already expired).
        std::chrono::seconds attachmentIntentLifetime{600};
        /// Seconds an idle kept-alive connection stays open. Long, because a client that reuses a
        /// connection just as the service closes it fails its request.
        int keepAliveSeconds = 30;
    };

    static std::string defaultConfigurationBody();
    static std::map<std::string, std::string> defaultContentBodies();
    static std::string defaultAssistantReply(std::string_view visitorText);

    /// The path prefix of the control interface over HTTP.
    static constexpr std::string_view controlPrefix = "/__velmora/control/";

    WidgetService();
    explicit WidgetService(Options options);
    ~WidgetService();
    WidgetService(const WidgetService&) = delete;
    WidgetService& operator=(const WidgetService&) = delete;

    /// Binds `port` (0: an ephemeral one) on the loopback addresses and starts serving; returns
    /// the port. Throws `std::runtime_error` when it cannot bind or when already started.
    std::uint16_t start(std::uint16_t port = 0);
    /// Stops serving: pending delays end, open connections are closed, every thread is joined.
    /// Idempotent; also done by the destructor.
    void stop();
    std::uint16_t port() const;
    /// "http://localhost:PORT".
    std::string origin() const;

    std::vector<RecordedRequest> requests() const;
    /// The recorded requests whose method matches (any when empty) and whose path begins with
    /// `pathPrefix`.
    std::vector<RecordedRequest> requests(std::string_view method,
                                          std::string_view pathPrefix) const;
    void clearRequests();

    void inject(Fault fault);
    void failNext(int status, std::optional<std::string> code = std::nullopt,
                  std::optional<std::int64_t> retryAfterSeconds = std::nullopt,
                  FaultScope scope = {});
    void delayNext(std::chrono::milliseconds delay, FaultScope scope = {});
    void dropNext(FaultScope scope = {});
    /// Handles the request (its effect is kept), then closes the connection without answering.
    void dropNextAfterCommit(FaultScope scope = {});
    void oversizeNext(std::size_t bytes, bool chunked = false, FaultScope scope = {});
    void answerNext(int status, std::string body, std::string contentType = "application/json",
                    FaultScope scope = {});
    /// Forgets every fault not yet used.
    void clearFaults();

    /// Appends a message that the service itself authored ("ai", "teammate", "system") to a
    /// session's conversation; returns its id. Throws `std::out_of_range` for an unknown session.
    std::string postServiceMessage(const std::string& sessionId, const std::string& authorKind,
                                   const std::string& text);
    /// Sets the "support" state word that a session's conversation reports.
    void setSupportState(const std::string& sessionId, const std::string& state);
    /// Sets what a session's conversation reports of procedures from now on: the current step
    /// ("procedureAction") and the procedures offered ("procedureQuickActions"), each a JSON text,
    /// or left out when absent. Throws `std::out_of_range` for an unknown session and
    /// `std::invalid_argument` for a text that is not JSON (or, for the quick actions, not an
    /// array).
    void setProcedureState(const std::string& sessionId, std::optional<std::string> procedureAction,
                           std::optional<std::string> quickActions);
    /// Appends an inbound message by `authorKind` ("ai", "teammate") with one uploaded file;
    /// returns the file's signed download address.
    std::string postServiceAttachment(const std::string& sessionId, const std::string& fileName,
                                      const std::string& mimeType, const Data& bytes);

private:
    class Impl;
    std::unique_ptr<Impl> impl_;
};

} // namespace velmora::tools
