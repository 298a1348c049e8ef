#include "detail/url.hpp"

#include <boost/url/encode.hpp>
#include <boost/url/rfc/unreserved_chars.hpp>

namespace velmora::detail {

std::string percentEncodeQueryValue(std::string_view value) {
    return boost::urls::encode(value, boost::urls::unreserved_chars);
}

std::string percentEncodePathSegment(std::string_view value) {
    return boost::urls::encode(value, boost::urls::unreserved_chars);
}

} // namespace velmora::detail
