#include "detail/json.hpp"

#include "velmora/decoding_error.hpp"

#include <boost/json/basic_parser_impl.hpp>
#include <boost/json/value_stack.hpp>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <vector>

namespace velmora::detail {
namespace {

// Builds a value with Boost's value_stack, but reads every double from its source text with
// std::from_chars so it is correctly rounded (the stock parser may be off by one unit).
class Handler {
public:
    static constexpr std::size_t max_object_size = std::size_t(-1);
    static constexpr std::size_t max_array_size = std::size_t(-1);
    static constexpr std::size_t max_key_size = std::size_t(-1);
    static constexpr std::size_t max_string_size = std::size_t(-1);

    bool on_document_begin(json::error_code&) { return true; }
    bool on_document_end(json::error_code&) { return true; }
    bool on_object_begin(json::error_code&) { return true; }
    bool on_object_end(std::size_t n, json::error_code&) {
        stack.push_object(n);
        return true;
    }
    bool on_array_begin(json::error_code&) { return true; }
    bool on_array_end(std::size_t n, json::error_code&) {
        stack.push_array(n);
        return true;
    }
    bool on_key_part(json::string_view s, std::size_t, json::error_code&) {
        stack.push_chars(s);
        return true;
    }
    bool on_key(json::string_view s, std::size_t, json::error_code&) {
        stack.push_key(s);
        return true;
    }
    bool on_string_part(json::string_view s, std::size_t, json::error_code&) {
        stack.push_chars(s);
        return true;
    }
    bool on_string(json::string_view s, std::size_t, json::error_code&) {
        stack.push_string(s);
        return true;
    }
    bool on_number_part(json::string_view s, json::error_code&) {
        number.append(s.data(), s.size());
        return true;
    }
    bool on_int64(std::int64_t i, json::string_view, json::error_code&) {
        number.clear();
        stack.push_int64(i);
        return true;
    }
    bool on_uint64(std::uint64_t u, json::string_view, json::error_code&) {
        number.clear();
        stack.push_uint64(u);
        return true;
    }
    bool on_double(double, json::string_view s, json::error_code& ec) {
        number.append(s.data(), s.size());
        double d = 0;
        auto [end, err] = std::from_chars(number.data(), number.data() + number.size(), d);
        bool ok = err == std::errc() && end == number.data() + number.size() && std::isfinite(d);
        number.clear();
        if (!ok) {
            ec = json::error::exponent_overflow;
            return false;
        }
        stack.push_double(d);
        return true;
    }
    bool on_bool(bool b, json::error_code&) {
        stack.push_bool(b);
        return true;
    }
    bool on_null(json::error_code&) {
        stack.push_null();
        return true;
    }
    bool on_comment_part(json::string_view, json::error_code&) { return true; }
    bool on_comment(json::string_view, json::error_code&) { return true; }

    json::value_stack stack;
    std::string number;
};

[[noreturn]] void corrupted(const std::string& why) {
    throw VelmoraDecodingError(VelmoraDecodingError::Kind::dataCorrupted, "",
                               "The given data was not valid JSON: " + why);
}

void writeString(std::string& out, std::string_view s) {
    static constexpr char hex[] = "0123456789abcdef";
    out.push_back('"');
    for (char ch : s) {
        auto c = static_cast<unsigned char>(ch);
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '/':
            out += "\\/";
            break;
        case '\b':
            out += "\\b";
            break;
        case '\f':
            out += "\\f";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (c < 0x20) {
                out += "\\u00";
                out.push_back(hex[c >> 4]);
                out.push_back(hex[c & 0xF]);
            } else {
                out.push_back(ch);
            }
        }
    }
    out.push_back('"');
}

void writeDouble(std::string& out, double d) {
    if (!std::isfinite(d)) {
        throw VelmoraEncodingError("Unable to encode a non-finite number as JSON.");
    }
    constexpr double kTwo53 = 9007199254740992.0;
    char buffer[64];
    if (d == std::trunc(d) && std::fabs(d) <= kTwo53) {
        if (d == 0 && std::signbit(d)) {
            // "-0" reads back as the integer 0 and would then be written "0"; "-0.0" reads
            // back as this very double, so writing what was read keeps the same bytes.
            out += "-0.0";
            return;
        }
        auto [end, ec] =
            std::to_chars(buffer, buffer + sizeof buffer, static_cast<std::int64_t>(d));
        out.append(buffer, end);
        return;
    }
    auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, d);
    out.append(buffer, end);
}

} // namespace

json::value parseJSON(std::string_view text, ParseOptions options) {
    json::parse_options po;
    po.max_depth = options.maxDepth;
    json::basic_parser<Handler> parser(po);
    parser.handler().stack.reset();
    json::error_code ec;
    std::size_t n = parser.write_some(false, text.data(), text.size(), ec);
    if (!ec && n < text.size()) {
        ec = json::error::extra_data;
    }
    if (ec) {
        corrupted(ec.message());
    }
    json::value result = parser.handler().stack.release();
    if (!options.allowFragments && !result.is_object() && !result.is_array()) {
        corrupted("the top level is not an object or an array");
    }
    return result;
}

namespace {

void writeValue(std::string& out, const json::value& value, std::size_t depth) {
    if ((value.is_array() || value.is_object()) && ++depth > kMaxJSONDepth) {
        throw VelmoraEncodingError("Unable to encode JSON nested this deeply.");
    }
    char buffer[32];
    switch (value.kind()) {
    case json::kind::null:
        out += "null";
        break;
    case json::kind::bool_:
        out += value.get_bool() ? "true" : "false";
        break;
    case json::kind::int64: {
        auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value.get_int64());
        out.append(buffer, end);
        break;
    }
    case json::kind::uint64: {
        auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value.get_uint64());
        out.append(buffer, end);
        break;
    }
    case json::kind::double_:
        writeDouble(out, value.get_double());
        break;
    case json::kind::string: {
        const auto& s = value.get_string();
        writeString(out, std::string_view(s.data(), s.size()));
        break;
    }
    case json::kind::array: {
        out.push_back('[');
        bool first = true;
        for (const auto& element : value.get_array()) {
            if (!first)
                out.push_back(',');
            first = false;
            writeValue(out, element, depth);
        }
        out.push_back(']');
        break;
    }
    case json::kind::object: {
        out.push_back('{');
        bool first = true;
        for (const auto& member : value.get_object()) {
            if (!first)
                out.push_back(',');
            first = false;
            writeString(out, std::string_view(member.key().data(), member.key().size()));
            out.push_back(':');
            writeValue(out, member.value(), depth);
        }
        out.push_back('}');
        break;
    }
    }
}

} // namespace

void writeJSON(std::string& out, const json::value& value) {
    writeValue(out, value, 0);
}

std::string writeJSON(const json::value& value) {
    std::string out;
    writeJSON(out, value);
    return out;
}

json::value sortedKeys(const json::value& value) {
    if (value.is_array()) {
        json::array result;
        result.reserve(value.get_array().size());
        for (const auto& element : value.get_array()) {
            result.push_back(sortedKeys(element));
        }
        return result;
    }
    if (!value.is_object()) {
        return value;
    }
    const auto& object = value.get_object();
    std::vector<const json::key_value_pair*> members;
    members.reserve(object.size());
    for (const auto& member : object) {
        members.push_back(&member);
    }
    std::sort(members.begin(), members.end(), [](auto* a, auto* b) { return a->key() < b->key(); });
    json::object result;
    result.reserve(members.size());
    for (auto* member : members) {
        result.emplace(member->key(), sortedKeys(member->value()));
    }
    return result;
}

std::string canonicalJSON(const json::value& value) {
    return writeJSON(sortedKeys(value));
}

} // namespace velmora::detail
