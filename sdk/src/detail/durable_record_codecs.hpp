#pragma once

#include "detail/json_codec.hpp"
#include "velmora/durable_records.hpp"

#include <string>

namespace velmora::detail {

// The durable intent records' codecs, for the stores that keep tables of them in files.
#define VELMORA_DURABLE_RECORD_CODEC(Type)                                                         \
    template <> struct Codec<Type> {                                                               \
        static json::value encode(const Type& value);                                              \
        static Type decode(const json::value& value, const std::string& path);                     \
    };

VELMORA_DURABLE_RECORD_CODEC(VelmoraOutboxEntry)
VELMORA_DURABLE_RECORD_CODEC(VelmoraPendingSessionStart)
VELMORA_DURABLE_RECORD_CODEC(VelmoraPendingAttachmentUpload)
VELMORA_DURABLE_RECORD_CODEC(VelmoraPendingAttachmentSend)
VELMORA_DURABLE_RECORD_CODEC(VelmoraPendingAttachmentOperationKind)
VELMORA_DURABLE_RECORD_CODEC(VelmoraPendingAttachmentOperation)

#undef VELMORA_DURABLE_RECORD_CODEC

} // namespace velmora::detail
