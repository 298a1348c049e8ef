#pragma once

#include "velmora/json_value.hpp"
#include "velmora/models.hpp"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

// The client's fixed rules for files: limits of a set of drafts, kinds, MIME types by name, the
// reading of a host's local file, and the checks of what the service grants. Nothing here
// touches client state; every failure is a `VelmoraError` with a fixed message.
namespace velmora::detail {

inline constexpr std::size_t kMaxAttachments = 5;
inline constexpr std::int64_t kMaxAttachmentBytes = 10'485'760;
inline constexpr std::int64_t kMaxImageBytes = 5'242'880;

/// One file announced to the service without its bytes.
struct VelmoraAttachmentDescriptor {
    std::string clientId;
    std::string fileName;
    std::string mimeType;
    std::int64_t sizeBytes = 0;
    std::string kind;

    friend bool operator==(const VelmoraAttachmentDescriptor&,
                           const VelmoraAttachmentDescriptor&) = default;
};

/// "image", "video", "pdf" or "text", from the lower-cased MIME type alone.
std::string attachmentKind(std::string_view mimeType, std::string_view fileName);

/// Checks a set of drafts against the limits before anything is stored or sent.
void validateAttachments(const std::vector<VelmoraAttachmentDraft>& drafts);

/// The MIME type of a file by its extension ("text/plain" when unknown or absent).
std::string mimeTypeForFileName(std::string_view fileName);

struct LocalFile {
    Data data;
    std::string fileName;
    std::string mimeType;
};

/// Reads a regular file inside the user's home directory named by a "file:" URL.
LocalFile readLocalFile(std::string_view fileUri);

/// The same with an explicit home directory. `afterOpen` runs once the opened file has been
/// checked and before it is read (a test seam for files that change underneath).
LocalFile readLocalFile(std::string_view fileUri, const std::string& home,
                        const std::function<void(int fd)>& afterOpen = {});

/// Reads a regular file that the host itself names by path (relative to the working
/// directory, links resolved). No container applies: the path comes from the host, not from a
/// bridged page. Refused like `readLocalFile`, with "Attachment file is unreadable, empty or
/// over 10 MiB.".
LocalFile readHostFile(const std::filesystem::path& path,
                       const std::function<void(int fd)>& afterOpen = {});

/// The granted intents keyed by `clientId`; fails on a repeated or a missing/extra client.
std::map<std::string, VelmoraAttachmentUploadIntent>
validateAttachmentIntents(const std::vector<VelmoraAttachmentUploadIntent>& intents,
                          const std::set<std::string>& expectedClientIds);

/// Strict decoding of a host's descriptor: exactly the five keys, each of its JSON type.
VelmoraAttachmentDescriptor decodeAttachmentDescriptor(const JSONValue::Object& value);

/// Whether an intent's `expiresAt` is unreadable or not after `now`.
bool isAttachmentIntentExpired(std::string_view expiresAt, Date now);

/// The descriptor that announces a draft.
VelmoraAttachmentDescriptor describeAttachment(const VelmoraAttachmentDraft& draft);

} // namespace velmora::detail
