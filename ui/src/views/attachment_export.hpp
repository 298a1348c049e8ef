#pragma once

#include "velmora/models.hpp"
#include "velmora/types.hpp"

#include <functional>
#include <memory>
#include <optional>
#include <string>

class QWidget;

namespace velmora::detail {

/// A downloaded file on its way to the user's disk. Each export owns its own document, so a
/// second download never renames or replaces the file of an export still open.
struct VelmoraAttachmentDocument {
    Data data;
    /// The name offered by default (already cleaned).
    std::string fileName;
};

/// What a message row needs of the widget controller for its attachments.
class MessageRowAttachmentService {
public:
    virtual ~MessageRowAttachmentService() = default;
    /// Whether the client accepts the attachment's signed address. Synchronous.
    virtual bool canDownloadAttachment(const VelmoraAttachment& attachment) const = 0;
    /// Downloads the attachment; `completion` runs later on the GUI thread with its bytes, or
    /// with nothing when the download failed or was cancelled (the controller publishes the
    /// failure itself).
    virtual void downloadAttachment(const VelmoraAttachment& attachment,
                                    std::function<void(std::optional<Data>)> completion) = 0;
};

/// Offers a document to the user for saving. `completed` runs once the user saved, cancelled
/// or saving failed; the outcome is not reported.
class AttachmentExporter {
public:
    virtual ~AttachmentExporter() = default;
    virtual void exportDocument(QWidget* parent, VelmoraAttachmentDocument document,
                                std::function<void()> completed) = 0;
};

/// The desktop's save dialog (non-modal): the document is written where the user chooses.
std::shared_ptr<AttachmentExporter> makeFileDialogExporter();

} // namespace velmora::detail
