#pragma once

// The durable intent records' codecs, for the stores that keep tables of them in files: each
// record's JSON is its fields, written and read by the described-record codec.

#include "detail/model_codecs.hpp"
#include "detail/record_codec.hpp"
#include "velmora/durable_records.hpp"

#include <boost/describe/class.hpp>

#include <string>

namespace velmora {

BOOST_DESCRIBE_STRUCT(VelmoraOutboxEntry, (),
                      (id, accountScope, sessionId, requestBody, input, createdAt, attempts))
BOOST_DESCRIBE_STRUCT(VelmoraPendingSessionStart, (),
                      (accountScope, idempotencyKey, requestBody, input, createdAt))
BOOST_DESCRIBE_STRUCT(VelmoraPendingAttachmentUpload, (), (clientId, intent, uploaded))
BOOST_DESCRIBE_STRUCT(VelmoraPendingAttachmentSend, (),
                      (accountScope, sessionId, messageId, attachments, uploads, createdAt))
BOOST_DESCRIBE_STRUCT(VelmoraPendingAttachmentOperation, (),
                      (accountScope, kind, idempotencyKey, requestBody, sessionInput, messageInput,
                       attachments, sessionId, messageId, createdAt))

} // namespace velmora

namespace velmora::detail {

/// The operation kind travels as its text; any other text fails as corrupted data.
template <> struct Codec<VelmoraPendingAttachmentOperationKind> {
    static json::value encode(const VelmoraPendingAttachmentOperationKind& value);
    static VelmoraPendingAttachmentOperationKind decode(const json::value& value,
                                                        const std::string& path);
};

} // namespace velmora::detail
