#include "transcript.hpp"

namespace velmora::demo {

void Transcript::show(const VelmoraSnapshot& snapshot) {
    for (const auto& message : snapshot.messages) {
        if (!printed_.insert(message.id).second)
            continue;
        out_ << message.authorKind.value_or(message.direction) << ": " << message.bodyText
             << std::endl;
    }
}

} // namespace velmora::demo
