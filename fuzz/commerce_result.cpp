// A commerce result as a message carries it (input: the JSON, NUL, the widget's locale, NUL, a
// time zone), read and drawn: amounts, statuses and dates in that locale and zone. Nothing here
// may throw.
#include "fuzz_support.hpp"
#include "velmora/decoding_error.hpp"
#include "views/commerce_message_model.hpp"
#include "views/commerce_result_model.hpp"
#include "widget_fixture.hpp"

using namespace velmora;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto input = fuzz::parts(fuzz::asText(data, size), 3);
    const auto parsed = fuzz::json(input[0]);
    if (!parsed) {
        return 0;
    }
    const JSONValue& json = *parsed;
    (void)detail::commerceResultFromJSON(json);
    detail::CommerceTextContext context{input[1].empty() ? "en" : std::string(input[1]),
                                        fuzz::defaultExperience().copy, detail::VelmoraColor{}, 1,
                                        input[2].empty() ? std::optional<std::string>("UTC")
                                                         : std::string(input[2])};
    (void)detail::commerceMessageModel(json, context);
    return 0;
}
