#include "detail/json_codec.hpp"

#include "detail/base64.hpp"

#include <cmath>

namespace velmora::detail {
namespace {

std::string_view kindName(const json::value& v) {
    switch (v.kind()) {
    case json::kind::null:
        return "null";
    case json::kind::bool_:
        return "a boolean";
    case json::kind::int64:
    case json::kind::uint64:
    case json::kind::double_:
        return "a number";
    case json::kind::string:
        return "a string";
    case json::kind::array:
        return "an array";
    case json::kind::object:
        return "an object";
    }
    return "a value";
}

} // namespace

void throwDecoding(VelmoraDecodingError::Kind kind, const std::string& path,
                   const std::string& detail) {
    throw VelmoraDecodingError(kind, path, detail);
}

void throwTypeMismatch(const std::string& path, std::string_view expected,
                       const json::value& found) {
    throwDecoding(VelmoraDecodingError::Kind::typeMismatch, path,
                  "Expected " + std::string(expected) + " but found " +
                      std::string(kindName(found)) + " instead.");
}

std::string childPath(const std::string& path, std::string_view key) {
    return path.empty() ? std::string(key) : path + "." + std::string(key);
}

std::string childPath(const std::string& path, std::size_t index) {
    return path + "[" + std::to_string(index) + "]";
}

std::string Codec<std::string>::decode(const json::value& v, const std::string& path) {
    if (!v.is_string()) {
        throwTypeMismatch(path, "a string", v);
    }
    return std::string(v.get_string());
}

bool Codec<bool>::decode(const json::value& v, const std::string& path) {
    if (!v.is_bool()) {
        throwTypeMismatch(path, "a boolean", v);
    }
    return v.get_bool();
}

std::int64_t Codec<std::int64_t>::decode(const json::value& v, const std::string& path) {
    switch (v.kind()) {
    case json::kind::int64:
        return v.get_int64();
    case json::kind::uint64:
        if (v.get_uint64() <= static_cast<std::uint64_t>(INT64_MAX)) {
            return static_cast<std::int64_t>(v.get_uint64());
        }
        break;
    case json::kind::double_: {
        // Converting an out-of-range double is undefined behaviour: check the range first.
        double d = v.get_double();
        constexpr double kTwo63 = 9223372036854775808.0;
        if (std::isfinite(d) && d == std::trunc(d) && d >= -kTwo63 && d < kTwo63) {
            return static_cast<std::int64_t>(d);
        }
        break;
    }
    default:
        throwTypeMismatch(path, "an integer", v);
    }
    throwDecoding(VelmoraDecodingError::Kind::dataCorrupted, path,
                  "Parsed JSON number does not fit in a 64-bit integer.");
}

double Codec<double>::decode(const json::value& v, const std::string& path) {
    switch (v.kind()) {
    case json::kind::int64:
        return static_cast<double>(v.get_int64());
    case json::kind::uint64:
        return static_cast<double>(v.get_uint64());
    case json::kind::double_:
        return v.get_double();
    default:
        throwTypeMismatch(path, "a number", v);
    }
}

json::value Codec<JSONValue>::encode(const JSONValue& v) {
    switch (v.kind()) {
    case JSONValue::Kind::string:
        return json::string(*v.ifString());
    case JSONValue::Kind::number:
        return *v.ifNumber();
    case JSONValue::Kind::boolean:
        return *v.ifBool();
    case JSONValue::Kind::object:
        return Codec<JSONValue::Object>::encode(*v.ifObject());
    case JSONValue::Kind::array:
        return Codec<JSONValue::Array>::encode(*v.ifArray());
    case JSONValue::Kind::null:
        return nullptr;
    }
    return nullptr;
}

JSONValue Codec<JSONValue>::decode(const json::value& v, const std::string& path) {
    switch (v.kind()) {
    case json::kind::null:
        return JSONValue();
    case json::kind::bool_:
        return JSONValue(v.get_bool());
    case json::kind::int64:
    case json::kind::uint64:
    case json::kind::double_:
        return JSONValue(Codec<double>::decode(v, path));
    case json::kind::string:
        return JSONValue(std::string(v.get_string()));
    case json::kind::object:
        return JSONValue(Codec<JSONValue::Object>::decode(v, path));
    case json::kind::array:
        return JSONValue(Codec<JSONValue::Array>::decode(v, path));
    }
    return JSONValue();
}

json::value Codec<Data>::encode(const Data& v) {
    return json::string(base64Encode(v));
}

Data Codec<Data>::decode(const json::value& v, const std::string& path) {
    if (!v.is_string()) {
        throwTypeMismatch(path, "a Base64 string", v);
    }
    auto decoded = base64Decode(std::string_view(v.get_string().data(), v.get_string().size()));
    if (!decoded) {
        throwDecoding(VelmoraDecodingError::Kind::dataCorrupted, path,
                      "Encountered Data is not valid Base64.");
    }
    return std::move(*decoded);
}

json::value Codec<VelmoraErrorCode>::encode(VelmoraErrorCode v) {
    return json::string(rawValue(v));
}

VelmoraErrorCode Codec<VelmoraErrorCode>::decode(const json::value& v, const std::string& path) {
    auto text = Codec<std::string>::decode(v, path);
    auto code = velmoraErrorCodeFromRawValue(text);
    if (!code) {
        throwDecoding(VelmoraDecodingError::Kind::dataCorrupted, path,
                      "Cannot initialize VelmoraErrorCode from invalid value \"" + text + "\".");
    }
    return *code;
}

json::value Codec<VelmoraLoadingState>::encode(VelmoraLoadingState v) {
    return json::string(rawValue(v));
}

VelmoraLoadingState Codec<VelmoraLoadingState>::decode(const json::value& v,
                                                       const std::string& path) {
    auto text = Codec<std::string>::decode(v, path);
    auto state = velmoraLoadingStateFromRawValue(text);
    if (!state) {
        throwDecoding(VelmoraDecodingError::Kind::dataCorrupted, path,
                      "Cannot initialize VelmoraLoadingState from invalid value \"" + text + "\".");
    }
    return *state;
}

ObjectReader::ObjectReader(const json::value& value, std::string path) : path_(std::move(path)) {
    if (!value.is_object()) {
        throwTypeMismatch(path_, "an object", value);
    }
    object_ = &value.get_object();
}

const json::value* ObjectReader::find(std::string_view key) const {
    return object_->if_contains(json::string_view(key.data(), key.size()));
}

} // namespace velmora::detail
