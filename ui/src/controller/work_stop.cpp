#include "controller/work_stop.hpp"

namespace velmora::detail {

void cancelAndClear(std::initializer_list<std::optional<VelmoraMainTask>*> tasks) {
    for (auto* task : tasks) {
        if (*task) {
            (*task)->cancel();
            task->reset();
        }
    }
}

std::optional<VelmoraVoiceCapabilityState>
stopVoice(std::shared_ptr<VelmoraVoiceCapability> capability) {
    if (!capability) {
        return std::nullopt;
    }
    capability->stop();
    return capability->state();
}

} // namespace velmora::detail
