#include "client/client_core.hpp"

#include "client/attachment_rules.hpp"
#include "client/attachment_wire_bodies.hpp"
#include "detail/pattern.hpp"
#include "detail/text.hpp"

#include <boost/url/parse.hpp>
#include <boost/url/url_view.hpp>

#include <chrono>

namespace velmora::detail {
namespace {

VelmoraError attachmentChanged() {
    return ClientCore::sessionChanged("while the attachment was in flight");
}

std::string asciiLower(std::string_view text) {
    std::string out(text);
    for (auto& c : out) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return out;
}

std::optional<std::uint32_t> effectivePort(const boost::urls::url_view& url) {
    if (url.has_port())
        return url.port_number();
    const auto scheme = asciiLower(url.scheme());
    if (scheme == "http")
        return 80;
    if (scheme == "https")
        return 443;
    return std::nullopt;
}

std::optional<std::string> optionalText(bool present, std::string value) {
    return present ? std::optional(std::move(value)) : std::nullopt;
}

/// The value of the one query item of that name; nothing when it is absent, repeated or has no
/// value.
std::optional<std::string> queryValue(std::string_view name, const boost::urls::url_view& url) {
    std::optional<std::string> value;
    int count = 0;
    for (auto param : url.params()) {
        if (param.key != name)
            continue;
        ++count;
        if (param.has_value)
            value = std::string(param.value);
    }
    return count == 1 ? value : std::nullopt;
}

bool hasNoCredentialsOrFragment(const boost::urls::url_view& url) {
    return !url.has_userinfo() && !url.has_fragment();
}

bool breaksHeader(std::string_view text) {
    return text.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

} // namespace

bool ClientCore::isSameAPIOrigin(std::string_view text) const {
    auto url = boost::urls::parse_uri(text);
    auto origin = boost::urls::parse_uri(configuration_.apiOrigin());
    if (!url || !origin)
        return false;
    const auto scheme = [](const boost::urls::url_view& u) {
        return optionalText(u.has_scheme(), asciiLower(u.scheme()));
    };
    const auto host = [](const boost::urls::url_view& u) {
        return optionalText(u.has_authority(), asciiLower(u.host()));
    };
    return scheme(*url) == scheme(*origin) && host(*url) == host(*origin) &&
           effectivePort(*url) == effectivePort(*origin);
}

bool ClientCore::isSafeUploadURL(std::string_view text) const {
    static const Pattern uploadPath(R"(^/api/widget/v1/uploads/[^/]+$)");
    auto url = boost::urls::parse_uri(text);
    return url && isSameAPIOrigin(text) && hasNoCredentialsOrFragment(*url) &&
           queryValue("integration", *url) == configuration_.integrationId() &&
           uploadPath.matches(std::string(url->path()));
}

bool ClientCore::isSafeAttachmentURL(std::string_view text) const {
    static const Pattern attachmentPath(R"(^/api/widget/v1/sessions/[^/]+/attachments/[^/]+$)");
    auto url = boost::urls::parse_uri(text);
    if (!url || !isSameAPIOrigin(text) || !hasNoCredentialsOrFragment(*url))
        return false;
    auto token = queryValue("token", *url);
    return token && !token->empty() && attachmentPath.matches(std::string(url->path()));
}

bool ClientCore::canDownloadAttachment(const VelmoraAttachment& attachment) const {
    return attachment.downloadUrl && isSafeAttachmentURL(*attachment.downloadUrl);
}

ClientCore::Task<VelmoraHTTPResponse>
ClientCore::rawRequest(std::string url, std::string method, std::optional<Data> body,
                       std::optional<std::string> contentType, std::optional<std::string> token,
                       std::optional<std::string> uploadToken,
                       std::optional<std::string> idempotencyKey,
                       std::optional<std::int64_t> requestGeneration) {
    checkResetGuard();
    const std::int64_t recordedCancellation = cancellationGeneration_;
    VelmoraHTTPRequest request;
    request.url = std::move(url);
    request.method = std::move(method);
    request.timeout = std::chrono::seconds(60);
    request.headers = {{"Accept", "application/json"}, {"x-velmora-client", "native-v1"}};
    if (requestGeneration && *requestGeneration != generation_)
        throw attachmentChanged();

    std::string authorization = co_await configuration_.credentialProvider()();
    if (text::trimmed(authorization).empty()) {
        throw VelmoraError(VelmoraErrorCode::invalidConfig, std::nullopt, std::nullopt,
                           "credentialProvider must return a non-empty authorization token.");
    }
    if (breaksHeader(authorization)) {
        throw VelmoraError(VelmoraErrorCode::invalidConfig, std::nullopt, std::nullopt,
                           "credentialProvider returned an authorization token that cannot be "
                           "sent in a header.");
    }
    if (cancellationGeneration_ != recordedCancellation)
        throw sessionChanged("while the request was in flight");
    if (requestGeneration && *requestGeneration != generation_)
        throw attachmentChanged();

    request.headers.emplace_back("Authorization", "Bearer " + authorization);
    if (token)
        request.headers.emplace_back("x-velmora-session-token", *token);
    if (uploadToken)
        request.headers.emplace_back("x-velmora-upload-token", *uploadToken);
    if (idempotencyKey)
        request.headers.emplace_back("x-velmora-idempotency-key", *idempotencyKey);
    if (body) {
        request.headers.emplace_back("Content-Length", std::to_string(body->size()));
        request.body = std::move(*body);
    }
    if (contentType)
        request.headers.emplace_back("Content-Type", *contentType);

    try {
        co_return co_await sendTransportRequest(std::move(request), requestGeneration,
                                                recordedCancellation);
    } catch (const VelmoraError&) {
        throw;
    } catch (...) {
        if (isCancellation(std::current_exception()))
            throw;
        throw VelmoraError(VelmoraErrorCode::network, std::nullopt, std::nullopt,
                           "Velmora network request failed.");
    }
}

ClientCore::Task<void> ClientCore::uploadAttachment(VelmoraAttachmentDraft draft,
                                                    VelmoraAttachmentUploadIntent intent,
                                                    VelmoraSession session,
                                                    std::int64_t requestGeneration) {
    if (generation_ != requestGeneration)
        throw attachmentChanged();
    if (isAttachmentIntentExpired(intent.expiresAt, std::chrono::system_clock::now())) {
        throw VelmoraError(VelmoraErrorCode::http, std::nullopt, std::nullopt,
                           "Attachment upload intent has expired.");
    }
    if (!isSafeUploadURL(intent.uploadUrl)) {
        throw VelmoraError(VelmoraErrorCode::fieldInvalid, std::nullopt, std::nullopt,
                           "Attachment upload URL is not a signed Velmora URL.");
    }
    auto response = co_await rawRequest(intent.uploadUrl, "PUT", std::move(draft.data),
                                        draft.mimeType, session.sessionToken, intent.uploadToken,
                                        std::nullopt, requestGeneration);
    if (generation_ != requestGeneration)
        throw attachmentChanged();
    if (response.statusCode < 200 || response.statusCode > 299)
        throw parseError(response.body, response.statusCode);
    std::optional<AttachmentUploadResponse> answer;
    try {
        auto document = parseJSON(std::string_view(
            reinterpret_cast<const char*>(response.body.data()), response.body.size()));
        answer = Codec<AttachmentUploadResponse>::decode(document, "");
    } catch (const VelmoraDecodingError&) {
    }
    if (!answer || !answer->ok || answer->attachmentId != intent.attachmentId) {
        throw VelmoraError(VelmoraErrorCode::http, response.statusCode, std::nullopt,
                           "Velmora returned an invalid attachment upload response.");
    }
}

ClientCore::Task<Data> ClientCore::downloadAttachment(VelmoraAttachment attachment) {
    if (!canDownloadAttachment(attachment)) {
        throw VelmoraError(VelmoraErrorCode::fieldInvalid, std::nullopt, std::nullopt,
                           "Attachment download URL is not a signed Velmora URL.");
    }
    std::optional<std::string> token;
    if (session_)
        token = session_->sessionToken;
    VelmoraHTTPResponse response;
    try {
        response = co_await rawRequest(*attachment.downloadUrl, "GET", std::nullopt, std::nullopt,
                                       token, std::nullopt, std::nullopt, std::nullopt);
    } catch (const VelmoraError& e) {
        // The transport stops reading at the cap; the caller hears the download's own words.
        if (e.code() == VelmoraErrorCode::payloadTooLarge && e.status() && *e.status() >= 200 &&
            *e.status() <= 299) {
            throw VelmoraError(VelmoraErrorCode::payloadTooLarge, e.status(), std::nullopt,
                               "Attachment is too large.");
        }
        throw;
    }
    if (response.statusCode < 200 || response.statusCode > 299)
        throw parseError(response.body, response.statusCode);
    if (static_cast<std::int64_t>(response.body.size()) > kMaxAttachmentBytes) {
        throw VelmoraError(VelmoraErrorCode::payloadTooLarge, response.statusCode, std::nullopt,
                           "Attachment is too large.");
    }
    co_return std::move(response.body);
}

} // namespace velmora::detail
