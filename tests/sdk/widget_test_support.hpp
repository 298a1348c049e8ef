#pragma once

#include "velmora/error.hpp"
#include "velmora/types.hpp"
#include "velmora/widget_copy.hpp"

#include <map>
#include <string>
#include <string_view>

namespace velmora::testing {

/// "code: message" of the VelmoraError that `action` throws (with any status or retry delay
/// appended, which design checks never set), or "no error".
template <class Action> std::string failure(Action&& action) {
    try {
        action();
    } catch (const VelmoraError& error) {
        std::string text = std::string(rawValue(error.code())) + ": " + error.message();
        if (error.status() || error.retryAfterSeconds()) {
            text += " (with status or retry delay)";
        }
        return text;
    }
    return "no error";
}

/// A complete locale table: every required key with its own name as text.
inline std::map<std::string, std::string> fullLocaleCopy() {
    std::map<std::string, std::string> values;
    for (const auto& key : VelmoraWidgetCopy::requiredKeys()) {
        values.emplace(key, key);
    }
    return values;
}

inline Data bytes(std::string_view text) {
    return Data(text.begin(), text.end());
}

} // namespace velmora::testing
