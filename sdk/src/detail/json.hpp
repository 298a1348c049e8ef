#pragma once

#include <boost/json/value.hpp>

#include <cstddef>
#include <string>
#include <string_view>

namespace velmora::detail {

namespace json = boost::json;

/// How many containers deep a JSON text may nest, for the reader and the writer alike.
inline constexpr std::size_t kMaxJSONDepth = 512;

struct ParseOptions {
    /// Whether a top-level scalar is accepted (records' decoders accept one; the bridge's
    /// serialisation-style parses require an object or an array).
    bool allowFragments = true;
    /// Nesting deeper than this is refused, so hostile input can't exhaust the stack of the
    /// recursive code that walks parsed values.
    std::size_t maxDepth = kMaxJSONDepth;
};

/// Parses JSON strictly: invalid UTF-8, lone surrogates, comments and trailing commas are
/// refused; duplicate keys keep the last value; numbers are read with correct rounding.
/// Throws `VelmoraDecodingError` (dataCorrupted).
json::value parseJSON(std::string_view text, ParseOptions options = {});

/// The system's one JSON writer: compact; "/" written as "\/"; non-ASCII as raw UTF-8; control
/// characters as short escapes or \u00XX; whole doubles within 2^53 as integers (but -0.0 as
/// "-0.0", which reads back as itself), other doubles in shortest round-trip form; object
/// members in their stored order.
/// Throws `VelmoraEncodingError` for a NaN or infinite number, or for containers nested deeper
/// than `kMaxJSONDepth` (the reader would refuse what was written).
std::string writeJSON(const json::value& value);
void writeJSON(std::string& out, const json::value& value);

/// A copy whose objects have their keys sorted at every level.
json::value sortedKeys(const json::value& value);

/// Canonical bytes of a request body: keys sorted at every level, no white space.
std::string canonicalJSON(const json::value& value);

} // namespace velmora::detail
