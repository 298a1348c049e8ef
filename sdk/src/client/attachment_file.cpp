#include "velmora/attachment_file.hpp"

#include "client/attachment_rules.hpp"
#include "detail/uuid.hpp"

namespace velmora {

VelmoraAttachmentDraft readAttachmentFile(const std::filesystem::path& path) {
    auto file = detail::readHostFile(path);
    auto kind = detail::attachmentKind(file.mimeType, file.fileName);
    return VelmoraAttachmentDraft(detail::uuidString(), std::move(file.fileName),
                                  std::move(file.mimeType), std::move(kind), std::move(file.data));
}

} // namespace velmora
