#include "velmora/ui/observation.hpp"

#include <utility>

namespace velmora {

VelmoraObservation::VelmoraObservation(VelmoraObservation&& other) noexcept
    : remove_(std::exchange(other.remove_, nullptr)) {}

VelmoraObservation& VelmoraObservation::operator=(VelmoraObservation&& other) noexcept {
    if (this != &other) {
        cancel();
        remove_ = std::exchange(other.remove_, nullptr);
    }
    return *this;
}

VelmoraObservation::~VelmoraObservation() {
    cancel();
}

void VelmoraObservation::cancel() {
    // Taken out first: removing may run observers' destructors that touch this object.
    if (auto remove = std::exchange(remove_, nullptr)) {
        remove();
    }
}

bool VelmoraObservation::isActive() const {
    return remove_ != nullptr;
}

} // namespace velmora
