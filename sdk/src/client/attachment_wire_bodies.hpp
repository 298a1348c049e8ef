#pragma once

#include "client/attachment_rules.hpp"
#include "detail/model_codecs.hpp"
#include "detail/record_codec.hpp"

#include <boost/describe/class.hpp>

#include <string>
#include <vector>

// The JSON of the attachment endpoints: intents asked for and granted, and a signed upload's
// answer. Each body is its fields, written and read by the described-record codec.
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

BOOST_DESCRIBE_STRUCT(VelmoraAttachmentDescriptor, (),
                      (clientId, fileName, mimeType, sizeBytes, kind))
BOOST_DESCRIBE_STRUCT(AttachmentIntentRequest, (), (attachments))
BOOST_DESCRIBE_STRUCT(AttachmentIntentResponse, (), (ok, intents))
BOOST_DESCRIBE_STRUCT(AttachmentUploadResponse, (), (ok, attachmentId))

} // namespace velmora::detail
