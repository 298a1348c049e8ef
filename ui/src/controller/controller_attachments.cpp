#include "controller/controller_errors.hpp"
#include "controller/widget_controller_core.hpp"

#include "client/attachment_rules.hpp"
#include "detail/bounded_file_read.hpp"
#include "detail/uuid.hpp"

// Files for the next message. Each is read into memory when it is added (the list is saved
// with the draft, so a reopened widget shows the same files); the client validates and uploads
// them when the message is sent. A file's size is known before it is read: one over its limit
// is refused without reading it.
//
// The MIME types, kinds and limits are the client's own (`client/attachment_rules.hpp`), so a
// file added here always passes the client's check of its draft. The widget's documented kind
// rule goes by prefix ("image/..." is an image, "video/..." a video); on the MIME types that
// the extension table gives, which are the only ones the widget makes, it names the same kind
// as the client's list of exact types.

namespace velmora {

namespace asio = boost::asio;

void detail::WidgetControllerCore::addAttachment(const std::filesystem::path& file) {
    const auto self = shared_from_this();
    if (destroyed_ || pendingFirstDraft_ || pendingAttachments_.size() >= detail::kMaxAttachments) {
        setError(detail::fixedError(VelmoraErrorCode::payloadTooLarge,
                                    "Attachment policy limits were exceeded."));
        return;
    }
    const std::string fileName = file.filename().string();
    const std::string type = detail::mimeTypeForFileName(fileName);
    const std::string fileKind = detail::attachmentKind(type, fileName);
    const auto limit = fileKind == "image" ? detail::kMaxImageBytes : detail::kMaxAttachmentBytes;
    std::optional<Data> data;
    try {
        data = detail::readFileWithinLimit(file, static_cast<std::uint64_t>(limit));
    } catch (const std::exception&) {
        setError(
            detail::fixedError(VelmoraErrorCode::fieldInvalid, "Attachment could not be read."));
        return;
    }
    if (!data || data->empty()) {
        setError(detail::fixedError(VelmoraErrorCode::payloadTooLarge, "Attachment is too large."));
        return;
    }
    VelmoraAttachmentDraft draft(detail::uuidString(), fileName, type, fileKind, std::move(*data));
    auto attachments = pendingAttachments_;
    attachments.push_back(std::move(draft));
    publish(VelmoraWidgetProperty::pendingAttachments, pendingAttachments_, std::move(attachments));
    persistDraft();
}

void detail::WidgetControllerCore::removeAttachment(const VelmoraAttachmentDraft& attachment) {
    const auto self = shared_from_this();
    if (pendingFirstDraft_) {
        return; // the files belong to the message being started
    }
    auto remaining = pendingAttachments_;
    const std::string id = attachment.id; // the argument may be an element of the list
    std::erase_if(remaining, [&](const VelmoraAttachmentDraft& entry) { return entry.id == id; });
    publish(VelmoraWidgetProperty::pendingAttachments, pendingAttachments_, std::move(remaining));
    persistDraft();
}

asio::awaitable<Data>
detail::WidgetControllerCore::downloadAttachment(VelmoraAttachment attachment) {
    const auto self = shared_from_this();
    std::exception_ptr failure;
    try {
        co_return co_await client_->downloadAttachment(std::move(attachment));
    } catch (...) {
        failure = std::current_exception();
    }
    if (isCancellation(failure)) {
        std::rethrow_exception(failure); // the caller's own cancellation: nothing to show
    }
    const VelmoraError published = detail::publishedError(failure, "Attachment download failed.");
    setError(published);
    throw published;
}

bool detail::WidgetControllerCore::canDownloadAttachment(
    const VelmoraAttachment& attachment) const {
    return client_->canDownloadAttachment(attachment);
}

} // namespace velmora
