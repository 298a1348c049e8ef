#include "client/attachment_wire_bodies.hpp"

#include "detail/model_codecs.hpp"

namespace velmora::detail {

json::value Codec<VelmoraAttachmentDescriptor>::encode(const VelmoraAttachmentDescriptor& v) {
    ObjectWriter w;
    w.field("clientId", v.clientId)
        .field("fileName", v.fileName)
        .field("mimeType", v.mimeType)
        .field("sizeBytes", v.sizeBytes)
        .field("kind", v.kind);
    return w.take();
}

VelmoraAttachmentDescriptor Codec<VelmoraAttachmentDescriptor>::decode(const json::value& v,
                                                                       const std::string& path) {
    ObjectReader r(v, path);
    return {r.required<std::string>("clientId"), r.required<std::string>("fileName"),
            r.required<std::string>("mimeType"), r.required<std::int64_t>("sizeBytes"),
            r.required<std::string>("kind")};
}

json::value Codec<AttachmentIntentRequest>::encode(const AttachmentIntentRequest& v) {
    ObjectWriter w;
    w.field("attachments", v.attachments);
    return w.take();
}

json::value Codec<AttachmentIntentResponse>::encode(const AttachmentIntentResponse& v) {
    ObjectWriter w;
    w.field("ok", v.ok).field("intents", v.intents);
    return w.take();
}

AttachmentIntentResponse Codec<AttachmentIntentResponse>::decode(const json::value& v,
                                                                 const std::string& path) {
    ObjectReader r(v, path);
    return {r.required<bool>("ok"),
            r.required<std::vector<VelmoraAttachmentUploadIntent>>("intents")};
}

AttachmentUploadResponse Codec<AttachmentUploadResponse>::decode(const json::value& v,
                                                                 const std::string& path) {
    ObjectReader r(v, path);
    return {r.required<bool>("ok"), r.required<std::string>("attachmentId")};
}

} // namespace velmora::detail
