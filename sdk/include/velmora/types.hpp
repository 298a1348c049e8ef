#pragma once

#include <chrono>
#include <cstdint>
#include <vector>

namespace velmora {

/// Raw bytes. Bytes are never text: file contents, request bodies and stored payloads use this.
using Data = std::vector<std::uint8_t>;

/// A point in time.
using Date = std::chrono::system_clock::time_point;

/// A span of seconds, possibly fractional.
using TimeInterval = std::chrono::duration<double>;

} // namespace velmora
