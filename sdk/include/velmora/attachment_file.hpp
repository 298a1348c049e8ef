#pragma once

#include "velmora/models.hpp"

#include <filesystem>

namespace velmora {

/// Reads a file the host has chosen into a draft for `VelmoraClient::startSession` or
/// `sendMessage` with files: a fresh `id`, the file's own name (symbolic links resolved), the
/// MIME type its extension gives ("text/plain" when unknown) and the matching kind.
///
/// The file must be a readable regular file of 1 byte to 10 MiB; anything else fails with
/// `VelmoraError` (`fieldInvalid`, "Attachment file is unreadable, empty or over 10 MiB.")
/// before a byte is read, and a file that changes size while it is read fails with `network`,
/// "Attachment changed while it was being read.". The limits of a whole set of files (at most
/// five, 10 MiB together, images at most 5 MiB) are checked when the set is sent.
VelmoraAttachmentDraft readAttachmentFile(const std::filesystem::path& path);

} // namespace velmora
