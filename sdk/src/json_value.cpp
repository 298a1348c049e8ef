#include "velmora/json_value.hpp"

#include "detail/json_codec.hpp"
#include "detail/text.hpp"

namespace velmora {
namespace {

bool keysCanonicallyEqual(const JSONValue::Object& a, const JSONValue::Object& b) {
    // Keys equal byte for byte in the common case; otherwise compare by canonical form, as
    // "é" written precomposed or decomposed names the same member.
    std::map<std::string, const JSONValue*> left;
    for (const auto& [key, value] : a) {
        left.emplace(detail::text::nfc(key), &value);
    }
    std::map<std::string, const JSONValue*> right;
    for (const auto& [key, value] : b) {
        right.emplace(detail::text::nfc(key), &value);
    }
    if (left.size() != right.size()) {
        return false;
    }
    for (auto l = left.begin(), r = right.begin(); l != left.end(); ++l, ++r) {
        if (l->first != r->first || !(*l->second == *r->second)) {
            return false;
        }
    }
    return true;
}

} // namespace

bool operator==(const JSONValue& a, const JSONValue& b) {
    if (a.kind() != b.kind()) {
        return false;
    }
    switch (a.kind()) {
    case JSONValue::Kind::string:
        return detail::text::canonicallyEqual(*a.ifString(), *b.ifString());
    case JSONValue::Kind::number:
        return *a.ifNumber() == *b.ifNumber();
    case JSONValue::Kind::boolean:
        return *a.ifBool() == *b.ifBool();
    case JSONValue::Kind::array:
        return *a.ifArray() == *b.ifArray();
    case JSONValue::Kind::null:
        return true;
    case JSONValue::Kind::object: {
        const auto& l = *a.ifObject();
        const auto& r = *b.ifObject();
        if (l.size() != r.size()) {
            return false;
        }
        bool sameKeys = true;
        for (auto li = l.begin(), ri = r.begin(); li != l.end(); ++li, ++ri) {
            if (li->first != ri->first) {
                sameKeys = false;
                break;
            }
        }
        if (!sameKeys) {
            return keysCanonicallyEqual(l, r);
        }
        for (auto li = l.begin(), ri = r.begin(); li != l.end(); ++li, ++ri) {
            if (!(li->second == ri->second)) {
                return false;
            }
        }
        return true;
    }
    }
    return false;
}

VELMORA_DEFINE_JSON_CODING(JSONValue)

} // namespace velmora
