#include "client/wire_bodies.hpp"

#include "detail/model_codecs.hpp"
#include "detail/text.hpp"

namespace velmora::detail {

namespace {

Data bytesOf(const json::value& body) {
    const std::string text = canonicalJSON(body);
    return Data(text.begin(), text.end());
}

} // namespace

Data encodeSessionStartBody(const VelmoraConfiguration& configuration,
                            const VelmoraSessionStartInput& completed) {
    const SessionStartRequest request{configuration.integrationId(),
                                      configuration.locale(),
                                      text::trimmed(completed.message),
                                      completed.startedAt.value(),
                                      completed.prefill,
                                      completed.metadata,
                                      completed.timeZone,
                                      completed.turnstileToken ? completed.turnstileToken
                                                               : configuration.turnstileToken(),
                                      completed.idempotencyKey.value()};
    return bytesOf(Codec<SessionStartRequest>::encode(request));
}

Data encodeMessageBody(const VelmoraConfiguration& configuration,
                       const VelmoraMessageInput& completed) {
    const MessageRequest request{configuration.integrationId(),
                                 configuration.locale(),
                                 text::trimmed(completed.text),
                                 completed.startedAt.value(),
                                 completed.metadata,
                                 completed.timeZone,
                                 completed.turnstileToken ? completed.turnstileToken
                                                          : configuration.turnstileToken(),
                                 completed.idempotencyKey.value()};
    return bytesOf(Codec<MessageRequest>::encode(request));
}

} // namespace velmora::detail
