#pragma once

#include "velmora/ui/main_task.hpp"
#include "velmora/voice.hpp"

#include <initializer_list>
#include <memory>
#include <optional>

// The pieces of stopping the controller's running work, shared by closing, backgrounding and
// destroying the widget and by a session reset.
namespace velmora::detail {

/// Cancels each task that is running and clears its handle.
void cancelAndClear(std::initializer_list<std::optional<VelmoraMainTask>*> tasks);

/// Stops the voice capability when there is one, and returns the voice state to publish then:
/// the capability's own state, or none without a capability. Taken by value: stopping may
/// reach callbacks that replace the controller's capability.
std::optional<VelmoraVoiceCapabilityState>
stopVoice(std::shared_ptr<VelmoraVoiceCapability> capability);

} // namespace velmora::detail
