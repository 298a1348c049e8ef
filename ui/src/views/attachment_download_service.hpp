#pragma once

#include "views/attachment_export.hpp"

#include <memory>

namespace velmora {
class VelmoraWidgetController;
}

namespace velmora::detail {

/// A message row's attachments served by the widget controller: its client's address check and
/// its download, run on the controller's main executor. Holds the controller weakly; once the
/// controller is gone nothing downloads.
std::shared_ptr<MessageRowAttachmentService>
makeControllerAttachmentService(const std::shared_ptr<VelmoraWidgetController>& controller);

} // namespace velmora::detail
