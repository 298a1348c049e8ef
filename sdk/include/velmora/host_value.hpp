#pragma once

#include <concepts>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

namespace velmora {

class VelmoraHostValue;

/// A dictionary as a cross-platform host wrapper hands it over: entries in the wrapper's order,
/// each key at most once. Keys are host values because some frameworks key maps by numbers; the
/// bridge reads entries with text keys and drops or refuses the others.
class VelmoraHostDictionary {
public:
    using Entry = std::pair<VelmoraHostValue, VelmoraHostValue>;

    VelmoraHostDictionary();
    VelmoraHostDictionary(std::initializer_list<std::pair<std::string, VelmoraHostValue>> entries);

    /// The value under the text key `key`, or null when there is none.
    const VelmoraHostValue* find(std::string_view key) const;
    bool contains(std::string_view key) const { return find(key) != nullptr; }
    /// Sets the value of `key`, replacing an equal key's entry in place or appending a new one.
    void set(VelmoraHostValue key, VelmoraHostValue value);
    void erase(std::string_view key);

    const std::vector<Entry>& entries() const { return entries_; }
    std::size_t size() const;
    bool empty() const;

    friend bool operator==(const VelmoraHostDictionary& a, const VelmoraHostDictionary& b);

private:
    std::vector<Entry> entries_;
};

/// One value as a host wrapper passes it, keeping apart what the bridge must tell apart: a
/// boolean is never a number, and integers remember whether they were signed or unsigned.
class VelmoraHostValue {
public:
    struct Null {
        friend bool operator==(Null, Null) = default;
    };
    using Array = std::vector<VelmoraHostValue>;
    using Dictionary = VelmoraHostDictionary;
    using Storage = std::variant<Null, bool, std::int64_t, std::uint64_t, double, std::string,
                                 Array, Dictionary>;

    enum class Kind {
        null,
        boolean,
        signedInteger,
        unsignedInteger,
        floating,
        string,
        array,
        dictionary
    };

    VelmoraHostValue() : storage_(Null{}) {}
    VelmoraHostValue(std::nullptr_t) : storage_(Null{}) {}
    VelmoraHostValue(Null) : storage_(Null{}) {}
    VelmoraHostValue(bool b) : storage_(b) {}
    template <std::signed_integral I>
    requires(!std::same_as<I, bool>) VelmoraHostValue(I i)
        : storage_(static_cast<std::int64_t>(i)) {}
    template <std::unsigned_integral U>
    requires(!std::same_as<U, bool>) VelmoraHostValue(U u)
        : storage_(static_cast<std::uint64_t>(u)) {}
    VelmoraHostValue(double d) : storage_(d) {}
    VelmoraHostValue(std::string s) : storage_(std::move(s)) {}
    VelmoraHostValue(const char* s) : storage_(std::string(s)) {}
    VelmoraHostValue(Array a) : storage_(std::move(a)) {}
    VelmoraHostValue(Dictionary d) : storage_(std::move(d)) {}

    Kind kind() const noexcept { return static_cast<Kind>(storage_.index()); }
    const Storage& storage() const noexcept { return storage_; }

    bool isNull() const noexcept { return kind() == Kind::null; }
    const bool* ifBool() const noexcept { return std::get_if<bool>(&storage_); }
    const std::int64_t* ifSigned() const noexcept { return std::get_if<std::int64_t>(&storage_); }
    const std::uint64_t* ifUnsigned() const noexcept {
        return std::get_if<std::uint64_t>(&storage_);
    }
    const double* ifDouble() const noexcept { return std::get_if<double>(&storage_); }
    const std::string* ifString() const noexcept { return std::get_if<std::string>(&storage_); }
    const Array* ifArray() const noexcept { return std::get_if<Array>(&storage_); }
    const Dictionary* ifDictionary() const noexcept { return std::get_if<Dictionary>(&storage_); }
    /// Whether this is a number of any storage (never a boolean).
    bool isNumber() const noexcept {
        return kind() == Kind::signedInteger || kind() == Kind::unsignedInteger ||
               kind() == Kind::floating;
    }

    /// Same kind and equal payload; numbers of different storage are different values.
    friend bool operator==(const VelmoraHostValue& a, const VelmoraHostValue& b) {
        return a.storage_ == b.storage_;
    }

private:
    Storage storage_;
};

inline std::size_t VelmoraHostDictionary::size() const {
    return entries_.size();
}

inline bool VelmoraHostDictionary::empty() const {
    return entries_.empty();
}

} // namespace velmora
