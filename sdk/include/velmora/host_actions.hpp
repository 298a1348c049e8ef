#pragma once

#include "velmora/json_coding.hpp"
#include "velmora/json_value.hpp"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace velmora {

/// Work the widget asks the host application to do. Construction checks the request with
/// `VelmoraHostActionCodec::validateRequest`, so a request that fails the codec's limits never
/// exists: the constructor throws that `VelmoraError` (code `fieldInvalid`) instead.
class VelmoraHostActionRequest {
public:
    VelmoraHostActionRequest(std::string requestId, std::string actionId, JSONValue::Object context,
                             JSONValue::Object input);

    /// Identifies this one request; the host's answer carries it back.
    const std::string& requestId() const noexcept { return requestId_; }
    /// Which of the host's declared actions is asked for.
    const std::string& actionId() const noexcept { return actionId_; }
    /// What the host supplied about its own setting when it configured the widget.
    const JSONValue::Object& context() const noexcept { return context_; }
    /// What the widget passes for this request.
    const JSONValue::Object& input() const noexcept { return input_; }

    friend bool operator==(const VelmoraHostActionRequest&,
                           const VelmoraHostActionRequest&) = default;

private:
    std::string requestId_;
    std::string actionId_;
    JSONValue::Object context_;
    JSONValue::Object input_;
};

/// The state a host reports for an action.
enum class VelmoraHostActionStatus { acknowledged, completed, failed };

/// "acknowledged", "completed" or "failed".
std::string_view rawValue(VelmoraHostActionStatus status) noexcept;
/// The status whose text form equals `text` exactly, or nothing.
std::optional<VelmoraHostActionStatus>
velmoraHostActionStatusFromRawValue(std::string_view text) noexcept;

/// The host's answer to a request. Built without checks; `VelmoraHostActionCodec::validateResult`
/// decides whether it may be used.
struct VelmoraHostActionResult {
    /// Whether the action succeeded: false exactly when `status` is `failed`.
    bool ok = false;
    VelmoraHostActionStatus status = VelmoraHostActionStatus::failed;
    std::optional<JSONValue> data;
    /// A machine-readable code for the outcome.
    std::optional<std::string> code;
    /// Whether the action may be tried again.
    std::optional<bool> retryable;

    friend bool operator==(const VelmoraHostActionResult&,
                           const VelmoraHostActionResult&) = default;
};

/// The answer of a host that reaches the widget through the JSON bridge.
struct VelmoraHostActionCompletion {
    std::string requestId;
    std::string actionId;
    VelmoraHostActionResult result;

    friend bool operator==(const VelmoraHostActionCompletion&,
                           const VelmoraHostActionCompletion&) = default;
};

/// The one place that bounds what crosses between the widget and the host. Every failure is a
/// `VelmoraError` with code `fieldInvalid`, no status and no retry delay.
///
/// Texts inside payloads are counted in UTF-16 code units; payload sizes in bytes of the JSON
/// text the system writes (a "/" inside a text is written as the two bytes "\/").
struct VelmoraHostActionCodec {
    /// Bytes of the JSON text of a request, a context, a result or a completion.
    static constexpr std::size_t maxPayloadBytes = 16384;
    /// How many host action identifiers a host may declare.
    static constexpr std::size_t maxHostActions = 32;
    /// Container nesting: a container at this depth or deeper is refused (a context's own map
    /// is depth 0).
    static constexpr std::size_t maxDepth = 4;
    /// UTF-16 code units of a text value inside a payload.
    static constexpr std::size_t maxStringLength = 2048;
    /// Entries of one object or array, and of a request's `context` and `input`.
    static constexpr std::size_t maxContainerEntries = 32;

    /// Checks a request before it is handed to the host.
    static void validateRequest(const VelmoraHostActionRequest& request);
    /// Checks the context a host supplies when it configures the widget.
    static void validateContext(const JSONValue::Object& context);
    /// Checks the answer a handler returns.
    static void validateResult(const VelmoraHostActionResult& result);
    /// Checks a result and returns its JSON text.
    static std::string encodeResult(const VelmoraHostActionResult& result);
    /// Whether a bridge text is a JSON object whose "operation" is "complete-host-action".
    static bool isCompletionOperation(std::string_view text);
    /// Reads and checks a completion text sent by a bridged host.
    static VelmoraHostActionCompletion decodeCompletion(std::string_view text);
    /// The reply to a completion text: {"completed":true} or {"completed":false}.
    static std::string completionJSON(bool completed);
};

/// JSON forms. Decoding runs none of the codec's checks except that a request, which cannot
/// exist unchecked, fails to decode (`VelmoraDecodingError`, data corrupted) when it would fail
/// `validateRequest`.
std::string encodeJSON(const VelmoraHostActionRequest& request);
std::string encodeJSON(const VelmoraHostActionResult& result);
std::string encodeJSON(const VelmoraHostActionCompletion& completion);
template <> VelmoraHostActionRequest decodeJSON<VelmoraHostActionRequest>(std::string_view json);
template <> VelmoraHostActionResult decodeJSON<VelmoraHostActionResult>(std::string_view json);
template <>
VelmoraHostActionCompletion decodeJSON<VelmoraHostActionCompletion>(std::string_view json);

} // namespace velmora
