#pragma once

// The one codec of records whose JSON form is their fields: each field under its own name, in
// declaration order. A record opts in by being described (BOOST_DESCRIBE_STRUCT) in a private
// header next to its other codecs; records whose wire form differs keep a Codec of their own.

#include "detail/json_codec.hpp"

#include <boost/describe/members.hpp>
#include <boost/describe/modifiers.hpp>
#include <boost/mp11/algorithm.hpp>

#include <algorithm>
#include <cstddef>
#include <optional>
#include <string>
#include <type_traits>

namespace velmora::detail {

template <class T>
using RecordFields = boost::describe::describe_members<T, boost::describe::mod_public>;

template <class T>
concept DescribedRecord = std::is_class_v<T> && boost::describe::has_describe_members<T>::value;

template <class F> struct OptionalField : std::false_type {};
template <class F> struct OptionalField<std::optional<F>> : std::true_type {};

/// The type of the member a field descriptor points to.
template <class T, class D>
using FieldOf = std::remove_cvref_t<decltype(std::declval<const T&>().*D::pointer)>;

/// Writes each field under its name in declaration order; an absent optional is left out.
template <DescribedRecord T> json::value encodeFields(const T& value) {
    json::object out;
    out.reserve(boost::mp11::mp_size<RecordFields<T>>::value);
    boost::mp11::mp_for_each<RecordFields<T>>([&](auto field) {
        const auto& member = value.*field.pointer;
        using F = std::remove_cvref_t<decltype(member)>;
        if constexpr (OptionalField<F>::value) {
            if (member) {
                out.emplace(field.name, Codec<typename F::value_type>::encode(*member));
            }
        } else {
            out.emplace(field.name, Codec<F>::encode(member));
        }
    });
    return out;
}

template <class T, class D> FieldOf<T, D> readField(const ObjectReader& reader) {
    using F = FieldOf<T, D>;
    if constexpr (OptionalField<F>::value) {
        return reader.optional<typename F::value_type>(D::name);
    } else {
        return reader.required<F>(D::name);
    }
}

// A field left out of a description would silently read as its default: the described fields,
// laid out in the order given, must fill the record exactly. (Their order is pinned by the
// record codec tests.)
template <class T, template <class...> class L, class... D>
constexpr bool describesEveryField(L<D...>) {
    std::size_t end = 0;
    std::size_t alignment = 1;
    const auto place = [&](std::size_t size, std::size_t align) {
        end = (end + align - 1) / align * align + size;
        alignment = std::max(alignment, align);
    };
    (place(sizeof(FieldOf<T, D>), alignof(FieldOf<T, D>)), ...);
    return (end + alignment - 1) / alignment * alignment == sizeof(T);
}

template <class T, template <class...> class L, class... D>
T readFields(const ObjectReader& reader, L<D...>) {
    // A braced list evaluates in order, so fields are read in declaration order and the first
    // bad key is the one reported.
    return T{readField<T, D>(reader)...};
}

/// Reads each field under its name with the `ObjectReader` rules: an optional may be absent or
/// null, any other field must be present and not null; unknown members are ignored.
template <DescribedRecord T> T decodeFields(const json::value& value, const std::string& path) {
    const ObjectReader reader(value, path);
    return readFields<T>(reader, RecordFields<T>());
}

template <DescribedRecord T> struct Codec<T> {
    static_assert(std::is_aggregate_v<T>, "a described record is built from its fields");
    static_assert(describesEveryField<T>(RecordFields<T>()),
                  "the description must list every field of the record");

    static json::value encode(const T& value) { return encodeFields(value); }
    static T decode(const json::value& value, const std::string& path) {
        return decodeFields<T>(value, path);
    }
};

} // namespace velmora::detail
