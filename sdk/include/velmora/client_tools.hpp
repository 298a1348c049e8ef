#pragma once

#include "velmora/json_coding.hpp"
#include "velmora/json_value.hpp"

#include <string>
#include <string_view>

namespace velmora {

/// Asks the service to open a call of one of the host's client tools for a message.
struct VelmoraClientToolRequest {
    /// "^[a-z][a-z0-9_]{0,63}$".
    std::string toolName;
    /// The conversation message the call is for.
    std::string basisMessageId;
    /// The tool's arguments: at most 16 flat members (texts, finite numbers, booleans).
    JSONValue::Object input;

    friend bool operator==(const VelmoraClientToolRequest&,
                           const VelmoraClientToolRequest&) = default;
};

/// Hands a tool's result back for the call the service issued.
struct VelmoraClientToolResult {
    /// "ctc_" and 1 to 128 letters, digits, "_" or "-".
    std::string callId;
    /// The tool's result, under the same rules as a request's input.
    JSONValue::Object output;

    friend bool operator==(const VelmoraClientToolResult&,
                           const VelmoraClientToolResult&) = default;
};

std::string encodeJSON(const VelmoraClientToolRequest& value);
std::string encodeJSON(const VelmoraClientToolResult& value);
template <> VelmoraClientToolRequest decodeJSON<VelmoraClientToolRequest>(std::string_view json);
template <> VelmoraClientToolResult decodeJSON<VelmoraClientToolResult>(std::string_view json);

} // namespace velmora
