#pragma once

#include "velmora/json_value.hpp"
#include "velmora/types.hpp"
#include "velmora/widget_content.hpp"

#include <optional>
#include <string>
#include <string_view>

namespace velmora {

/// Decides whether help content may be shown. Every failure is the same `VelmoraError`: code
/// `http`, no status, message "Widget content response is invalid.". Lengths count UTF-16 code
/// units; texts compare canonically. Pure functions, safe on any thread.
struct VelmoraWidgetContentValidation {
    /// Checks a decoded response (its flag, locale, limits, identifiers, references and that
    /// every referenced message key has a non-empty text) and keeps it as a snapshot.
    /// `expectedLocale`, when given, must equal the response's locale exactly.
    static VelmoraWidgetContentSnapshot validate(const VelmoraWidgetContentResponse& response,
                                                 const std::optional<std::string>& expectedLocale);

    /// Parses JSON bytes (an object at the top level), then checks as the parsed-object entry.
    static VelmoraWidgetContentSnapshot validate(const Data& data,
                                                 const std::optional<std::string>& expectedLocale);

    /// Decodes a parsed JSON object, refuses null wherever an optional key may only be left
    /// out, then checks the decoded response.
    static VelmoraWidgetContentSnapshot validate(const JSONValue::Object& object,
                                                 const std::optional<std::string>& expectedLocale);

    /// The identifier itself when it has at most 128 units and matches
    /// "^[A-Za-z0-9][A-Za-z0-9:_-]{0,127}$"; the validation entries do not apply it.
    static std::string validateArticleID(std::string_view id);
};

} // namespace velmora
