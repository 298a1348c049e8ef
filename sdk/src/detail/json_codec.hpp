#pragma once

#include "detail/json.hpp"
#include "velmora/decoding_error.hpp"
#include "velmora/error.hpp"
#include "velmora/json_value.hpp"
#include "velmora/types.hpp"

#include <boost/json/array.hpp>
#include <boost/json/object.hpp>
#include <boost/json/string.hpp>

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace velmora::detail {

/// How a type is written to and read from a parsed JSON value. Records specialise it next to
/// their definition; the primitives, containers and enumerations the records share are here.
template <class T> struct Codec;

[[noreturn]] void throwDecoding(VelmoraDecodingError::Kind kind, const std::string& path,
                                const std::string& detail);
[[noreturn]] void throwTypeMismatch(const std::string& path, std::string_view expected,
                                    const json::value& found);

std::string childPath(const std::string& path, std::string_view key);
std::string childPath(const std::string& path, std::size_t index);

template <> struct Codec<std::string> {
    static json::value encode(const std::string& v) { return json::string(v); }
    static std::string decode(const json::value& v, const std::string& path);
};

template <> struct Codec<bool> {
    static json::value encode(bool v) { return v; }
    static bool decode(const json::value& v, const std::string& path);
};

template <> struct Codec<std::int64_t> {
    static json::value encode(std::int64_t v) { return v; }
    /// A whole number in range; a double is range-checked before it is converted.
    static std::int64_t decode(const json::value& v, const std::string& path);
};

template <> struct Codec<double> {
    static json::value encode(double v) { return v; }
    static double decode(const json::value& v, const std::string& path);
};

template <> struct Codec<JSONValue> {
    static json::value encode(const JSONValue& v);
    static JSONValue decode(const json::value& v, const std::string& path);
};

/// Bytes travel as standard Base64 text with padding.
template <> struct Codec<Data> {
    static json::value encode(const Data& v);
    static Data decode(const json::value& v, const std::string& path);
};

template <> struct Codec<VelmoraErrorCode> {
    static json::value encode(VelmoraErrorCode v);
    static VelmoraErrorCode decode(const json::value& v, const std::string& path);
};

template <> struct Codec<VelmoraLoadingState> {
    static json::value encode(VelmoraLoadingState v);
    static VelmoraLoadingState decode(const json::value& v, const std::string& path);
};

template <class T> struct Codec<std::vector<T>> {
    static json::value encode(const std::vector<T>& v) {
        json::array out;
        out.reserve(v.size());
        for (const auto& element : v) {
            out.push_back(Codec<T>::encode(element));
        }
        return out;
    }
    static std::vector<T> decode(const json::value& v, const std::string& path) {
        if (!v.is_array()) {
            throwTypeMismatch(path, "an array", v);
        }
        std::vector<T> out;
        out.reserve(v.get_array().size());
        std::size_t index = 0;
        for (const auto& element : v.get_array()) {
            out.push_back(Codec<T>::decode(element, childPath(path, index++)));
        }
        return out;
    }
};

template <class T> struct Codec<std::map<std::string, T>> {
    static json::value encode(const std::map<std::string, T>& v) {
        json::object out;
        out.reserve(v.size());
        for (const auto& [key, element] : v) {
            out.emplace(key, Codec<T>::encode(element));
        }
        return out;
    }
    static std::map<std::string, T> decode(const json::value& v, const std::string& path) {
        if (!v.is_object()) {
            throwTypeMismatch(path, "an object", v);
        }
        std::map<std::string, T> out;
        for (const auto& member : v.get_object()) {
            std::string key(member.key());
            out.insert_or_assign(key, Codec<T>::decode(member.value(), childPath(path, key)));
        }
        return out;
    }
};

/// Reads the members of one JSON object: required members must be present and not null,
/// optional ones may be absent or null (both give no value), unknown members are ignored.
class ObjectReader {
public:
    ObjectReader(const json::value& value, std::string path);

    template <class T> T required(std::string_view key) const {
        const json::value* member = find(key);
        if (member == nullptr) {
            throwDecoding(VelmoraDecodingError::Kind::keyNotFound, childPath(path_, key),
                          "No value associated with key \"" + std::string(key) + "\".");
        }
        if (member->is_null()) {
            throwDecoding(VelmoraDecodingError::Kind::valueNotFound, childPath(path_, key),
                          "Expected a value but found null instead.");
        }
        return Codec<T>::decode(*member, childPath(path_, key));
    }

    template <class T> std::optional<T> optional(std::string_view key) const {
        const json::value* member = find(key);
        if (member == nullptr || member->is_null()) {
            return std::nullopt;
        }
        return Codec<T>::decode(*member, childPath(path_, key));
    }

    bool has(std::string_view key) const { return find(key) != nullptr; }
    const json::object& object() const { return *object_; }
    const std::string& path() const { return path_; }

private:
    const json::value* find(std::string_view key) const;

    const json::object* object_;
    std::string path_;
};

/// Writes the members of one JSON object in the order they are added; an absent optional is
/// left out, never written as null.
class ObjectWriter {
public:
    template <class T> ObjectWriter& field(std::string_view key, const T& value) {
        object_.insert_or_assign(key, Codec<T>::encode(value));
        return *this;
    }
    template <class T> ObjectWriter& field(std::string_view key, const std::optional<T>& value) {
        if (value) {
            field(key, *value);
        }
        return *this;
    }
    ObjectWriter& field(std::string_view key, const char* value) {
        object_.insert_or_assign(key, json::string(value));
        return *this;
    }
    json::value take() { return std::move(object_); }

private:
    json::object object_;
};

template <class T> std::string encodeRecord(const T& value) {
    return writeJSON(Codec<T>::encode(value));
}

template <class T> T decodeRecord(std::string_view text) {
    return Codec<T>::decode(parseJSON(text), "");
}

} // namespace velmora::detail

/// Defines the public `encodeJSON`/`decodeJSON` pair of a record from its `detail::Codec`.
/// Use inside namespace velmora, in the record's source file.
#define VELMORA_DEFINE_JSON_CODING(Type)                                                           \
    std::string encodeJSON(const Type& value) {                                                    \
        return ::velmora::detail::encodeRecord(value);                                             \
    }                                                                                              \
    template <> Type decodeJSON<Type>(std::string_view json) {                                     \
        return ::velmora::detail::decodeRecord<Type>(json);                                        \
    }
