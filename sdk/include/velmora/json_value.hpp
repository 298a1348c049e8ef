#pragma once

#include "velmora/json_coding.hpp"

#include <concepts>
#include <cstddef>
#include <map>
#include <string>
#include <variant>
#include <vector>

namespace velmora {

/// Any JSON value whose shape the system does not fix in advance. Every number is a double.
class JSONValue {
public:
    using Object = std::map<std::string, JSONValue>;
    using Array = std::vector<JSONValue>;
    struct Null {
        friend bool operator==(Null, Null) = default;
    };
    using Storage = std::variant<std::string, double, bool, Object, Array, Null>;

    enum class Kind { string, number, boolean, object, array, null };

    JSONValue() : storage_(Null{}) {}
    JSONValue(std::nullptr_t) : storage_(Null{}) {}
    JSONValue(Null) : storage_(Null{}) {}
    JSONValue(std::string s) : storage_(std::move(s)) {}
    JSONValue(const char* s) : storage_(std::string(s)) {}
    JSONValue(double d) : storage_(d) {}
    template <std::integral I>
    requires(!std::same_as<I, bool>) JSONValue(I i) : storage_(static_cast<double>(i)) {}
    JSONValue(bool b) : storage_(b) {}
    JSONValue(Object o) : storage_(std::move(o)) {}
    JSONValue(Array a) : storage_(std::move(a)) {}

    Kind kind() const noexcept { return static_cast<Kind>(storage_.index()); }
    const Storage& storage() const noexcept { return storage_; }

    bool isNull() const noexcept { return kind() == Kind::null; }
    const std::string* ifString() const noexcept { return std::get_if<std::string>(&storage_); }
    const double* ifNumber() const noexcept { return std::get_if<double>(&storage_); }
    const bool* ifBool() const noexcept { return std::get_if<bool>(&storage_); }
    const Object* ifObject() const noexcept { return std::get_if<Object>(&storage_); }
    const Array* ifArray() const noexcept { return std::get_if<Array>(&storage_); }

    /// Structural equality: same case; numbers by IEEE rules (NaN equals nothing, 0 equals -0);
    /// texts and object keys by canonical equivalence; objects regardless of member order.
    friend bool operator==(const JSONValue& a, const JSONValue& b);

private:
    Storage storage_;
};

std::string encodeJSON(const JSONValue& value);
template <> JSONValue decodeJSON<JSONValue>(std::string_view json);

} // namespace velmora
