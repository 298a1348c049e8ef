#include "velmora/models.hpp"

#include "detail/model_codecs.hpp"
#include "detail/text.hpp"

#include <utility>

namespace velmora {

VelmoraAttachmentDraft::VelmoraAttachmentDraft(std::string id, std::string fileName,
                                               std::string mimeType, std::string kind, Data data)
    : id(std::move(id)), fileName(std::move(fileName)),
      mimeType(detail::text::lowercased(mimeType)), kind(std::move(kind)), data(std::move(data)) {}

VelmoraAttachmentDraft::VelmoraAttachmentDraft(Verbatim, std::string id, std::string fileName,
                                               std::string mimeType, std::string kind, Data data)
    : id(std::move(id)), fileName(std::move(fileName)), mimeType(std::move(mimeType)),
      kind(std::move(kind)), data(std::move(data)) {}

namespace detail {

VelmoraAttachmentDraft Codec<VelmoraAttachmentDraft>::decode(const json::value& value,
                                                             const std::string& path) {
    const ObjectReader reader(value, path);
    return VelmoraAttachmentDraft{
        VelmoraAttachmentDraft::Verbatim{},       reader.required<std::string>("id"),
        reader.required<std::string>("fileName"), reader.required<std::string>("mimeType"),
        reader.required<std::string>("kind"),     reader.required<Data>("data"),
    };
}

} // namespace detail

VELMORA_DEFINE_JSON_CODING(VelmoraSession)
VELMORA_DEFINE_JSON_CODING(VelmoraPrefill)
VELMORA_DEFINE_JSON_CODING(VelmoraSessionStartInput)
VELMORA_DEFINE_JSON_CODING(VelmoraMessageInput)
VELMORA_DEFINE_JSON_CODING(VelmoraAttachment)
VELMORA_DEFINE_JSON_CODING(VelmoraAttachmentDraft)
VELMORA_DEFINE_JSON_CODING(VelmoraAttachmentUploadIntent)
VELMORA_DEFINE_JSON_CODING(VelmoraMessage)
VELMORA_DEFINE_JSON_CODING(VelmoraSupport)
VELMORA_DEFINE_JSON_CODING(VelmoraSnapshot)
VELMORA_DEFINE_JSON_CODING(VelmoraAcceptedMessage)

} // namespace velmora
