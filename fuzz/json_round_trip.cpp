// The JSON reader and writer: whatever the strict reader accepts, the writer writes, and reading
// that back gives the same value and writing it again the same bytes. The same holds for the
// canonical form of request bodies and for the SDK's public JSON value.
#include "detail/json.hpp"
#include "fuzz_support.hpp"
#include "velmora/decoding_error.hpp"
#include "velmora/json_value.hpp"

using namespace velmora;

namespace {

void roundTripsAsBoostValue(std::string_view text) {
    detail::json::value first;
    try {
        first = detail::parseJSON(text);
    } catch (const VelmoraDecodingError&) {
        return;
    }
    // The reader and the writer share their depth bound and refuse non-finite numbers alike, so
    // anything read can be written.
    const std::string written = detail::writeJSON(first);
    const detail::json::value second = detail::parseJSON(written);
    fuzz::check(detail::writeJSON(second) == written, "written JSON reads back to the same bytes");
    fuzz::check(detail::writeJSON(detail::parseJSON(detail::writeJSON(
                    detail::sortedKeys(first)))) == detail::writeJSON(detail::sortedKeys(second)),
                "sorted keys survive a round trip");
    const std::string canonical = detail::canonicalJSON(first);
    fuzz::check(detail::canonicalJSON(detail::parseJSON(canonical)) == canonical,
                "canonical bytes are stable");
}

void roundTripsAsJSONValue(std::string_view text) {
    JSONValue first;
    try {
        first = decodeJSON<JSONValue>(text);
    } catch (const VelmoraDecodingError&) {
        return;
    }
    const std::string written = encodeJSON(first);
    const JSONValue second = decodeJSON<JSONValue>(written);
    fuzz::check(second == first, "a JSON value reads back equal");
    fuzz::check(encodeJSON(second) == written, "a JSON value writes the same bytes again");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto text = fuzz::asText(data, size);
    roundTripsAsBoostValue(text);
    roundTripsAsJSONValue(text);
    return 0;
}
