#pragma once

#include "detail/json_codec.hpp"
#include "velmora/models.hpp"

#include <string>

namespace velmora::detail {

// The conversation records' codecs, for records that embed them (durable intents, events).
#define VELMORA_MODEL_CODEC(Type)                                                                  \
    template <> struct Codec<Type> {                                                               \
        static json::value encode(const Type& value);                                              \
        static Type decode(const json::value& value, const std::string& path);                     \
    };

VELMORA_MODEL_CODEC(VelmoraSession)
VELMORA_MODEL_CODEC(VelmoraPrefill)
VELMORA_MODEL_CODEC(VelmoraSessionStartInput)
VELMORA_MODEL_CODEC(VelmoraMessageInput)
VELMORA_MODEL_CODEC(VelmoraAttachment)
VELMORA_MODEL_CODEC(VelmoraAttachmentDraft)
VELMORA_MODEL_CODEC(VelmoraAttachmentUploadIntent)
VELMORA_MODEL_CODEC(VelmoraMessage)
VELMORA_MODEL_CODEC(VelmoraSupport)
VELMORA_MODEL_CODEC(VelmoraSnapshot)
VELMORA_MODEL_CODEC(VelmoraAcceptedMessage)

#undef VELMORA_MODEL_CODEC

} // namespace velmora::detail
