#include "client/attachment_rules.hpp"

#include "detail/bounded_file_read.hpp"
#include "detail/date_time.hpp"
#include "detail/text.hpp"
#include "input_validation.hpp"
#include "velmora/error.hpp"

#include <boost/url/parse.hpp>

#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <memory>
#include <pwd.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace velmora::detail {
namespace {

constexpr std::size_t kMaxFileNameCharacters = 180;

VelmoraError fail(VelmoraErrorCode code, std::string message) {
    return VelmoraError(code, std::nullopt, std::nullopt, std::move(message));
}

VelmoraError metadataInvalid() {
    return fail(VelmoraErrorCode::fieldInvalid, "Attachment metadata is invalid.");
}

VelmoraError unreadable() {
    return fail(VelmoraErrorCode::fieldInvalid,
                "Attachment fileUri is unreadable or outside the app container.");
}

bool hasPathSeparator(std::string_view name) {
    return name.find_first_of("/\\") != std::string_view::npos;
}

bool isFileName(std::string_view name) {
    const auto count = text::graphemeCount(name);
    return count >= 1 && count <= kMaxFileNameCharacters && !hasPathSeparator(name);
}

/// The path with every symbolic link resolved, or nothing when it cannot be resolved.
std::optional<std::string> resolvedPath(const std::string& path) {
    std::unique_ptr<char, decltype(&std::free)> resolved(::realpath(path.c_str(), nullptr),
                                                         &std::free);
    if (!resolved)
        return std::nullopt;
    return std::string(resolved.get());
}

std::string homeDirectory() {
    if (const char* home = std::getenv("HOME"); home && *home)
        return home;
    if (const passwd* entry = ::getpwuid(::getuid()); entry && entry->pw_dir)
        return entry->pw_dir;
    return {};
}

class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

/// Reads the regular file at a path whose links are already resolved. It is opened once, never
/// following a link swapped in since the resolution, and everything is checked on the opened
/// descriptor, not on the name; `refused` is thrown for anything but a readable regular file of
/// 1 byte to 10 MiB.
LocalFile readResolvedFile(const std::string& file, const VelmoraError& refused,
                           const std::function<void(int fd)>& afterOpen) {
    FileDescriptor fd(::open(file.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    if (fd.get() < 0)
        throw refused;
    auto read = readOpenFileWithinLimit(fd.get(), kMaxAttachmentBytes, afterOpen);
    if (read.outcome == BoundedFileOutcome::changed)
        throw fail(VelmoraErrorCode::network, "Attachment changed while it was being read.");
    if (read.outcome != BoundedFileOutcome::read || read.data.empty())
        throw refused;
    Data data = std::move(read.data);
    const std::string name = std::filesystem::path(file).filename().string();
    return LocalFile{std::move(data), name, mimeTypeForFileName(name)};
}

} // namespace

std::string attachmentKind(std::string_view mimeType, std::string_view /*fileName*/) {
    const std::string type = text::lowercased(mimeType);
    if (type == "image/apng" || type == "image/gif" || type == "image/png" ||
        type == "image/jpeg" || type == "image/webp")
        return "image";
    if (type == "video/mp4" || type == "video/webm")
        return "video";
    if (type == "application/pdf")
        return "pdf";
    return "text";
}

void validateAttachments(const std::vector<VelmoraAttachmentDraft>& drafts) {
    if (drafts.size() > kMaxAttachments)
        throw fail(VelmoraErrorCode::payloadTooLarge, "Attachment policy limits were exceeded.");
    std::int64_t total = 0;
    for (const auto& draft : drafts)
        total += static_cast<std::int64_t>(draft.data.size());
    if (total > kMaxAttachmentBytes)
        throw fail(VelmoraErrorCode::payloadTooLarge, "Attachment policy limits were exceeded.");

    std::set<std::string> seen;
    for (const auto& draft : drafts) {
        const auto size = static_cast<std::int64_t>(draft.data.size());
        // The MIME type travels in the upload's Content-Type header: it must not be able to
        // end that header.
        if (!seen.insert(draft.id).second || !isFileName(draft.fileName) || size < 1 ||
            size > kMaxAttachmentBytes ||
            draft.mimeType.find_first_of(std::string_view("\r\n\0", 3)) != std::string::npos ||
            draft.kind != attachmentKind(draft.mimeType, draft.fileName)) {
            throw metadataInvalid();
        }
        if (draft.kind == "image" && size > kMaxImageBytes)
            throw fail(VelmoraErrorCode::payloadTooLarge, "Image attachment is too large.");
    }
}

std::string mimeTypeForFileName(std::string_view fileName) {
    const auto dot = fileName.rfind('.');
    const std::string extension = (dot == std::string_view::npos || dot == 0)
                                      ? std::string()
                                      : text::lowercased(fileName.substr(dot + 1));
    static const std::map<std::string, std::string, std::less<>> types{
        {"png", "image/png"},   {"apng", "image/png"},  {"jpg", "image/jpeg"},
        {"jpeg", "image/jpeg"}, {"gif", "image/gif"},   {"webp", "image/webp"},
        {"mp4", "video/mp4"},   {"webm", "video/webm"}, {"pdf", "application/pdf"},
        {"csv", "text/csv"}};
    auto found = types.find(extension);
    return found == types.end() ? "text/plain" : found->second;
}

LocalFile readLocalFile(std::string_view fileUri) {
    return readLocalFile(fileUri, homeDirectory());
}

LocalFile readLocalFile(std::string_view fileUri, const std::string& home,
                        const std::function<void(int fd)>& afterOpen) {
    auto url = boost::urls::parse_uri(fileUri);
    if (!url || text::lowercased(url->scheme()) != "file" ||
        !(url->host().empty() || url->host() == "localhost")) {
        throw fail(VelmoraErrorCode::fieldInvalid, "Attachment fileUri must be a local file URL.");
    }
    const std::string decodedPath = url->path();
    if (decodedPath.empty() || decodedPath.front() != '/' ||
        decodedPath.find('\0') != std::string::npos)
        throw fail(VelmoraErrorCode::fieldInvalid, "Attachment fileUri must be a local file URL.");

    // Both sides resolved, so that neither a link inside home pointing out nor a home reached
    // through a link can make the comparison lie.
    const auto file = resolvedPath(std::filesystem::path(decodedPath).lexically_normal().string());
    const auto container = home.empty() ? std::nullopt : resolvedPath(home);
    if (!file || !container || !file->starts_with(*container + "/"))
        throw unreadable();
    return readResolvedFile(*file, unreadable(), afterOpen);
}

LocalFile readHostFile(const std::filesystem::path& path,
                       const std::function<void(int fd)>& afterOpen) {
    const auto refused = fail(VelmoraErrorCode::fieldInvalid,
                              "Attachment file is unreadable, empty or over 10 MiB.");
    const std::string& name = path.native();
    if (name.empty() || name.find('\0') != std::string::npos)
        throw refused;
    const auto file = resolvedPath(name);
    if (!file)
        throw refused;
    return readResolvedFile(*file, refused, afterOpen);
}

std::map<std::string, VelmoraAttachmentUploadIntent>
validateAttachmentIntents(const std::vector<VelmoraAttachmentUploadIntent>& intents,
                          const std::set<std::string>& expectedClientIds) {
    std::map<std::string, VelmoraAttachmentUploadIntent> table;
    for (const auto& intent : intents) {
        if (!table.emplace(intent.clientId, intent).second)
            throw fail(VelmoraErrorCode::http, "Velmora returned duplicate attachment intents.");
    }
    std::set<std::string> keys;
    for (const auto& [key, intent] : table)
        keys.insert(key);
    if (keys != expectedClientIds)
        throw fail(VelmoraErrorCode::http, "Velmora returned incomplete attachment intents.");
    return table;
}

VelmoraAttachmentDescriptor decodeAttachmentDescriptor(const JSONValue::Object& value) {
    const auto invalid = [] {
        return fail(VelmoraErrorCode::fieldInvalid, "Attachment descriptor is invalid.");
    };
    if (value.size() != 5)
        throw invalid();
    const auto text = [&](const char* key) -> std::string {
        auto found = value.find(key);
        if (found == value.end() || !found->second.ifString())
            throw invalid();
        return *found->second.ifString();
    };
    const std::string clientId = text("clientId");
    const std::string fileName = text("fileName");
    const std::string mimeType = text("mimeType");
    const std::string kind = text("kind");
    auto size = value.find("sizeBytes");
    if (size == value.end() || !size->second.ifNumber())
        throw invalid();
    const double bytes = *size->second.ifNumber();

    if (!VelmoraInputValidation::isText(clientId, 100) ||
        !VelmoraInputValidation::isText(fileName, kMaxFileNameCharacters) ||
        hasPathSeparator(fileName) || !VelmoraInputValidation::isText(mimeType, 128) ||
        !std::isfinite(bytes) || std::trunc(bytes) != bytes || bytes < 1 ||
        bytes > static_cast<double>(kMaxAttachmentBytes) ||
        kind != attachmentKind(mimeType, fileName)) {
        throw invalid();
    }
    return {clientId, fileName, text::lowercased(mimeType), static_cast<std::int64_t>(bytes), kind};
}

bool isAttachmentIntentExpired(std::string_view expiresAt, Date now) {
    auto instant = parseInternetDateTime(expiresAt, expiresAt.find('.') != std::string_view::npos);
    return !instant || *instant <= now;
}

VelmoraAttachmentDescriptor describeAttachment(const VelmoraAttachmentDraft& draft) {
    return {draft.id, draft.fileName, draft.mimeType, static_cast<std::int64_t>(draft.data.size()),
            draft.kind};
}

} // namespace velmora::detail
