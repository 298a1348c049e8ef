#include "detail/uuid.hpp"

#include "detail/text.hpp"

#include <boost/uuid/random_generator.hpp>
#include <boost/uuid/uuid_io.hpp>

#include <algorithm>
#include <cctype>

namespace velmora::detail {

std::string uuidString() {
    // One generator per thread: it is not safe to share, and seeding it per call is slow.
    thread_local boost::uuids::random_generator generator;
    std::string text = boost::uuids::to_string(generator());
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return text;
}

} // namespace velmora::detail
