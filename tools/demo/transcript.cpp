#include "transcript.hpp"

namespace velmora::demo {

void Transcript::show(const VelmoraSnapshot& snapshot) {
    if (held_)
        return;
    for (const auto& message : snapshot.messages) {
        if (printed_.insert(message.id).second) {
            out_ << message.authorKind.value_or(message.direction) << ": " << message.bodyText
                 << std::endl;
        }
        if (!message.attachments)
            continue;
        for (const auto& file : *message.attachments) {
            const std::string name = file.fileName.value_or("(no name)");
            // A file the service lists without an id is told apart by its message and name.
            if (!printedAttachments_.insert(file.id.value_or(message.id + "/" + name)).second)
                continue;
            out_ << "  attached: " << name << " (" << file.mimeType.value_or("unknown type") << ", "
                 << file.sizeBytes.value_or(0) << " bytes)" << std::endl;
        }
    }
}

} // namespace velmora::demo
