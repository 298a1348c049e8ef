#pragma once

// The client tool records' codecs: each record's JSON is its fields, written and read by the
// described-record codec.

#include "detail/record_codec.hpp"
#include "velmora/client_tools.hpp"

#include <boost/describe/class.hpp>

namespace velmora {

BOOST_DESCRIBE_STRUCT(VelmoraClientToolRequest, (), (toolName, basisMessageId, input))
BOOST_DESCRIBE_STRUCT(VelmoraClientToolResult, (), (callId, output))

} // namespace velmora
