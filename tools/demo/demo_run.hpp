#pragma once

#include "demo_options.hpp"

#include <ostream>

namespace velmora::demo {

/// Runs one demo conversation (or, with `flush`, one flush of the stored outbox), writing the
/// transcript to `out` and a failure to `err`. Returns the process's exit status.
int runDemo(const DemoOptions& options, std::ostream& out, std::ostream& err);

} // namespace velmora::demo
