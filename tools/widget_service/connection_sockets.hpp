#pragma once

#include <string>

namespace velmora::tools {

// The HTTP library does not hand its connections to request handlers, so the service finds an
// accepted connection among the process's open descriptors by its addresses, to end it early.

/// Shuts down (both ways) the accepted connection on `localPort` from `remoteAddress`:`remotePort`
/// (numeric host as the peer's address reads); true when one was found.
bool shutdownConnection(int localPort, const std::string& remoteAddress, int remotePort);

/// Shuts down every accepted connection on `localPort`.
void shutdownConnections(int localPort);

} // namespace velmora::tools
