#pragma once

#include "velmora/json_coding.hpp"

#include <map>
#include <set>
#include <string>

namespace velmora {

namespace detail {
template <class T> struct Codec;
} // namespace detail

/// The widget's user-visible texts by dotted copy key ("panel.title", "action.send", ...).
class VelmoraWidgetCopy {
public:
    /// Keeps `values` unchanged. Throws `VelmoraError` (field-invalid, "Widget locale copy is
    /// incomplete.") unless its keys are exactly `requiredKeys()` and every text is valid UTF-8,
    /// non-empty and at most 500 user-perceived characters.
    explicit VelmoraWidgetCopy(std::map<std::string, std::string> values);

    const std::map<std::string, std::string>& values() const noexcept { return values_; }

    /// The 56 copy keys the widget draws.
    static const std::set<std::string>& requiredKeys();

    friend bool operator==(const VelmoraWidgetCopy&, const VelmoraWidgetCopy&) = default;

private:
    // Decoding reads the table as it stands, without the checks above.
    friend struct detail::Codec<VelmoraWidgetCopy>;
    struct Unchecked {};
    VelmoraWidgetCopy(Unchecked, std::map<std::string, std::string> values)
        : values_(std::move(values)) {}

    std::map<std::string, std::string> values_;
};

/// JSON form: {"values": {key: text, ...}}.
std::string encodeJSON(const VelmoraWidgetCopy& value);
template <> VelmoraWidgetCopy decodeJSON<VelmoraWidgetCopy>(std::string_view json);

} // namespace velmora
