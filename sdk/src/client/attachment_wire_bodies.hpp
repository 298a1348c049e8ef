#pragma once

#include "client/attachment_rules.hpp"
#include "detail/json_codec.hpp"

#include <string>
#include <vector>

// The JSON of the attachment endpoints: intents asked for and granted, and a signed upload's
// answer.
namespace velmora::detail {

struct AttachmentIntentRequest {
    std::vector<VelmoraAttachmentDescriptor> attachments;
};

struct AttachmentIntentResponse {
    bool ok = false;
    std::vector<VelmoraAttachmentUploadIntent> intents;
};

struct AttachmentUploadResponse {
    bool ok = false;
    std::string attachmentId;
};

template <> struct Codec<VelmoraAttachmentDescriptor> {
    static json::value encode(const VelmoraAttachmentDescriptor& v);
    static VelmoraAttachmentDescriptor decode(const json::value& v, const std::string& path);
};
template <> struct Codec<AttachmentIntentRequest> {
    static json::value encode(const AttachmentIntentRequest& v);
};
template <> struct Codec<AttachmentIntentResponse> {
    static json::value encode(const AttachmentIntentResponse& v);
    static AttachmentIntentResponse decode(const json::value& v, const std::string& path);
};
template <> struct Codec<AttachmentUploadResponse> {
    static AttachmentUploadResponse decode(const json::value& v, const std::string& path);
};

} // namespace velmora::detail
