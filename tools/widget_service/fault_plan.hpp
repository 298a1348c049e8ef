#pragma once

#include "widget_service.hpp"

#include <mutex>
#include <optional>
#include <string_view>
#include <vector>

namespace velmora::tools {

/// The faults waiting for their requests, in the order they were added.
class FaultPlan {
public:
    /// Throws `std::invalid_argument` when `times` is below 1.
    void add(Fault fault);
    /// The first fault whose scope matches, counted as used once.
    std::optional<Fault> take(std::string_view method, std::string_view path);
    void clear();

private:
    std::mutex mutex_;
    std::vector<Fault> faults_;
};

} // namespace velmora::tools
