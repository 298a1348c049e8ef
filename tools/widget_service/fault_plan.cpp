#include "fault_plan.hpp"

#include <stdexcept>

namespace velmora::tools {

void FaultPlan::add(Fault fault) {
    if (fault.scope.times < 1) {
        throw std::invalid_argument("A fault must apply to at least one request.");
    }
    std::lock_guard lock(mutex_);
    faults_.push_back(std::move(fault));
}

std::optional<Fault> FaultPlan::take(std::string_view method, std::string_view path) {
    std::lock_guard lock(mutex_);
    for (auto it = faults_.begin(); it != faults_.end(); ++it) {
        const auto& scope = it->scope;
        if ((scope.method && *scope.method != method) || !path.starts_with(scope.pathPrefix)) {
            continue;
        }
        Fault taken = *it;
        if (--it->scope.times == 0) {
            faults_.erase(it);
        }
        return taken;
    }
    return std::nullopt;
}

void FaultPlan::clear() {
    std::lock_guard lock(mutex_);
    faults_.clear();
}

} // namespace velmora::tools
