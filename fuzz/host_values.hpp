#pragma once

// Host dictionaries built from JSON text, in the order the text gives, the way a cross-platform
// wrapper hands its options over. Integers stay integers (signed or unsigned as read), so the
// bridge meets every kind of host value.

#include "detail/json.hpp"
#include "velmora/host_value.hpp"

#include <optional>
#include <string_view>

namespace velmora::fuzz {

inline VelmoraHostValue hostValue(const detail::json::value& json) {
    switch (json.kind()) {
    case boost::json::kind::null:
        return nullptr;
    case boost::json::kind::bool_:
        return json.get_bool();
    case boost::json::kind::int64:
        return json.get_int64();
    case boost::json::kind::uint64:
        return json.get_uint64();
    case boost::json::kind::double_:
        return json.get_double();
    case boost::json::kind::string:
        return std::string(json.get_string());
    case boost::json::kind::array: {
        VelmoraHostValue::Array array;
        for (const auto& element : json.get_array()) {
            array.push_back(hostValue(element));
        }
        return array;
    }
    case boost::json::kind::object:
        break;
    }
    VelmoraHostDictionary dictionary;
    for (const auto& member : json.get_object()) {
        dictionary.set(std::string(member.key()), hostValue(member.value()));
    }
    return dictionary;
}

/// The host dictionary a JSON object describes; nothing for other text.
inline std::optional<VelmoraHostDictionary> hostDictionary(std::string_view text) {
    try {
        auto json = detail::parseJSON(text, {false, detail::kMaxJSONDepth});
        if (!json.is_object()) {
            return std::nullopt;
        }
        auto value = hostValue(json);
        return *value.ifDictionary();
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

} // namespace velmora::fuzz
