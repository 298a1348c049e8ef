#pragma once

#include <functional>
#include <utility>

namespace velmora {

/// Keeps one observer registered for as long as it lives; destroying (or `cancel`) removes it.
/// Safe to destroy while notifications run, from inside an observer too.
class VelmoraObservation {
public:
    VelmoraObservation() = default;
    VelmoraObservation(VelmoraObservation&& other) noexcept;
    VelmoraObservation& operator=(VelmoraObservation&& other) noexcept;
    VelmoraObservation(const VelmoraObservation&) = delete;
    VelmoraObservation& operator=(const VelmoraObservation&) = delete;
    ~VelmoraObservation();

    void cancel();
    bool isActive() const;

private:
    template <class Key> friend class VelmoraObserverList;
    VelmoraObservation(std::function<void()> remove) : remove_(std::move(remove)) {}
    std::function<void()> remove_;
};

} // namespace velmora
