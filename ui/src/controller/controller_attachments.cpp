#include "controller/widget_controller_core.hpp"

#include "velmora/platform_services.hpp"

#include <algorithm>
#include <system_error>

// Files for the next message. Each is read into memory when it is added (the list is saved
// with the draft, so a reopened widget shows the same files); the client validates and uploads
// them when the message is sent. A file's size is known before it is read: one over its limit
// is refused without reading it.

namespace velmora {

namespace asio = boost::asio;

namespace {

constexpr std::size_t kMaxPendingAttachments = 5;
constexpr std::uint64_t kMaxAttachmentBytes = 10'485'760;
constexpr std::uint64_t kMaxImageBytes = 5'242'880;

VelmoraError attachmentError(VelmoraErrorCode code, std::string message) {
    return VelmoraError(code, std::nullopt, std::nullopt, std::move(message));
}

/// The MIME type by the file name's extension, compared in lower case ("text/plain" when none
/// is known). Agrees with the client's own kind rule for every file.
std::string mimeType(const std::string& fileName) {
    std::string extension = std::filesystem::path(fileName).extension().string();
    if (!extension.empty()) {
        extension.erase(0, 1);
    }
    std::transform(extension.begin(), extension.end(), extension.begin(), [](unsigned char c) {
        return static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    });
    static const std::pair<const char*, const char*> types[] = {
        {"png", "image/png"},   {"apng", "image/png"},  {"jpg", "image/jpeg"},
        {"jpeg", "image/jpeg"}, {"gif", "image/gif"},   {"webp", "image/webp"},
        {"mp4", "video/mp4"},   {"webm", "video/webm"}, {"pdf", "application/pdf"},
        {"csv", "text/csv"}};
    for (const auto& [ext, type] : types) {
        if (extension == ext) {
            return type;
        }
    }
    return "text/plain";
}

std::string kind(const std::string& mimeType) {
    if (mimeType.starts_with("image/")) {
        return "image";
    }
    if (mimeType.starts_with("video/")) {
        return "video";
    }
    if (mimeType == "application/pdf") {
        return "pdf";
    }
    return "text";
}

} // namespace

void detail::WidgetControllerCore::addAttachment(const std::filesystem::path& file) {
    const auto self = shared_from_this();
    if (destroyed_ || pendingFirstDraft_ || pendingAttachments_.size() >= kMaxPendingAttachments) {
        setError(attachmentError(VelmoraErrorCode::payloadTooLarge,
                                 "Attachment policy limits were exceeded."));
        return;
    }
    const std::string fileName = file.filename().string();
    const std::string type = mimeType(fileName);
    const std::string fileKind = kind(type);
    std::optional<Data> data;
    try {
        data = platform::readFileWithinLimit(file, fileKind == "image" ? kMaxImageBytes
                                                                       : kMaxAttachmentBytes);
    } catch (const std::exception&) {
        setError(attachmentError(VelmoraErrorCode::fieldInvalid, "Attachment could not be read."));
        return;
    }
    if (!data || data->empty()) {
        setError(attachmentError(VelmoraErrorCode::payloadTooLarge, "Attachment is too large."));
        return;
    }
    VelmoraAttachmentDraft draft(platform::uuidString(), fileName, type, fileKind,
                                 std::move(*data));
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
    VelmoraError published =
        attachmentError(VelmoraErrorCode::network, "Attachment download failed.");
    try {
        std::rethrow_exception(failure);
    } catch (const VelmoraError& e) {
        published = e;
    } catch (...) {
    }
    setError(published);
    throw published;
}

bool detail::WidgetControllerCore::canDownloadAttachment(
    const VelmoraAttachment& attachment) const {
    return client_->canDownloadAttachment(attachment);
}

} // namespace velmora
