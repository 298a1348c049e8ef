#pragma once

#include "widget_api.hpp"

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace velmora::tools {

/// One request under "/sessions/{id}/" for a session whose token checked out.
struct SessionCall {
    const RecordedRequest& request;
    const std::string& sessionId;
    /// The path segments after the session identifier, decoded.
    std::vector<std::string> rest;
    const std::map<std::string, std::string>& query;
};

/// The service's side of forms, procedure actions, commerce and client tools: small, fixed
/// stand-ins that check what a client sends and answer in the widget API's shapes. Not
/// thread-safe on its own: the widget API calls it under its lock.
class RichOperations {
public:
    /// The answer, or nothing when the path is none of these operations.
    std::optional<ServiceAnswer> handle(const SessionCall& call);

private:
    struct Proposal {
        std::string sessionId;
        std::string state;
    };
    struct ToolCall {
        std::string sessionId;
        std::string status;
    };
    using ReplayKey = std::pair<std::string, std::string>; // path, idempotency key

    ServiceAnswer submitForm(const SessionCall& call);
    ServiceAnswer procedureAction(const SessionCall& call);
    ServiceAnswer commerce(const SessionCall& call);
    ServiceAnswer clientTools(const SessionCall& call);
    /// The recorded answer of an earlier request with the same key and body, else `answer()`'s,
    /// recorded. A key reused with another body is a conflict.
    template <class F> ServiceAnswer idempotent(const SessionCall& call, F&& answer);

    std::map<std::string, Proposal> proposals_;
    std::map<std::string, ToolCall> toolCalls_;
    std::map<ReplayKey, std::pair<std::string, ServiceAnswer>> replays_;
    std::uint64_t counter_ = 0;
};

} // namespace velmora::tools
