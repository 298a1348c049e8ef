// The internet date-time reader: any text, with and without fractional seconds. A date it reads
// is written back in whole seconds and read again as the same second.
#include "detail/date_time.hpp"
#include "fuzz_support.hpp"

#include <chrono>

using namespace velmora;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto text = fuzz::asText(data, size);
    for (const bool fractional : {false, true}) {
        const auto date = detail::parseInternetDateTime(text, fractional);
        if (!date) {
            continue;
        }
        const auto written = detail::formatInternetDateTime(*date);
        const auto again = detail::parseInternetDateTime(written, false);
        fuzz::check(again.has_value(), "a written date reads back");
        fuzz::check(*again == std::chrono::floor<std::chrono::seconds>(*date),
                    "a written date reads back as the same second");
        fuzz::check(detail::formatInternetDateTime(*again) == written, "writing is stable");
    }
    return 0;
}
