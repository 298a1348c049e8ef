// The attachment endpoints of the widget API: upload intents, signed uploads and downloads.
#include "widget_api.hpp"

#include "detail/date_time.hpp"
#include "detail/json.hpp"
#include "detail/url.hpp"
#include "detail/uuid.hpp"

#include <boost/json.hpp>

#include <algorithm>
#include <cmath>

namespace velmora::tools {

namespace json = boost::json;

namespace {

std::string randomToken(const char* prefix) {
    std::string token = prefix;
    for (char c : velmora::detail::uuidString()) {
        if (c != '-') {
            token += static_cast<char>(c >= 'A' && c <= 'F' ? c - 'A' + 'a' : c);
        }
    }
    return token;
}

std::string kindOf(std::string mimeType) {
    std::transform(mimeType.begin(), mimeType.end(), mimeType.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (mimeType == "image/apng" || mimeType == "image/gif" || mimeType == "image/png" ||
        mimeType == "image/jpeg" || mimeType == "image/webp") {
        return "image";
    }
    if (mimeType == "video/mp4" || mimeType == "video/webm") {
        return "video";
    }
    return mimeType == "application/pdf" ? "pdf" : "text";
}

/// One announced file, or nothing when the descriptor is malformed.
std::optional<std::tuple<std::string, std::string, std::string, std::int64_t, std::string>>
readDescriptor(const json::value& value) {
    const auto* object = value.if_object();
    if (!object) {
        return std::nullopt;
    }
    auto text = [&](const char* key) -> std::optional<std::string> {
        const auto* member = object->if_contains(key);
        if (!member || !member->is_string() || member->as_string().empty()) {
            return std::nullopt;
        }
        return std::string(member->as_string());
    };
    const auto* size = object->if_contains("sizeBytes");
    auto clientId = text("clientId");
    auto fileName = text("fileName");
    auto mimeType = text("mimeType");
    auto kind = text("kind");
    if (!clientId || !fileName || !mimeType || !kind || !size || !size->is_number()) {
        return std::nullopt;
    }
    const double bytes = size->to_number<double>();
    if (!std::isfinite(bytes) || std::trunc(bytes) != bytes || bytes < 1 || bytes > 10'485'760.0 ||
        *kind != kindOf(*mimeType)) {
        return std::nullopt;
    }
    return std::tuple{*clientId, *fileName, *mimeType, static_cast<std::int64_t>(bytes), *kind};
}

} // namespace

ServiceAnswer WidgetApi::grantIntents(Call& call, Session& session, const std::string& messageId) {
    auto message = std::find_if(session.messages.begin(), session.messages.end(),
                                [&](const Message& m) { return m.id == messageId; });
    if (message == session.messages.end() || message->authorKind != "customer") {
        return errorAnswer(404, "message_not_found");
    }
    json::value body;
    try {
        body = velmora::detail::parseJSON(call.request.bodyText());
    } catch (const std::exception&) {
        return errorAnswer(400, "field_invalid");
    }
    const auto* list = body.is_object() ? body.as_object().if_contains("attachments") : nullptr;
    if (!list || !list->is_array() || list->as_array().empty() || list->as_array().size() > 5) {
        return errorAnswer(400, "field_invalid");
    }
    const auto origin = "http://" + call.request.header("host").value_or("localhost");
    json::array intents;
    std::vector<Attachment> granted;
    for (const auto& item : list->as_array()) {
        auto descriptor = readDescriptor(item);
        if (!descriptor) {
            return errorAnswer(400, "field_invalid");
        }
        auto& [clientId, fileName, mimeType, sizeBytes, kind] = *descriptor;
        Attachment attachment;
        attachment.id = nextId("a_");
        attachment.sessionId = session.id;
        attachment.messageId = messageId;
        attachment.fileName = fileName;
        attachment.mimeType = mimeType;
        attachment.kind = kind;
        attachment.sizeBytes = sizeBytes;
        attachment.uploadToken = randomToken("ut_");
        attachment.downloadToken = randomToken("dt_");
        attachment.origin = origin;
        attachment.expires = std::chrono::system_clock::now() + options_.attachmentIntentLifetime;
        intents.push_back(json::object{
            {"clientId", clientId},
            {"attachmentId", attachment.id},
            {"uploadUrl", origin + "/api/widget/v1/uploads/" + attachment.id + "?integration=" +
                              velmora::detail::percentEncodeQueryValue(call.integration)},
            {"uploadToken", attachment.uploadToken},
            {"expiresAt", velmora::detail::formatInternetDateTime(attachment.expires)}});
        granted.push_back(std::move(attachment));
    }
    for (auto& attachment : granted) {
        attachments_.emplace(attachment.id, std::move(attachment));
    }
    return {200, velmora::detail::writeJSON(
                     json::object{{"ok", true}, {"intents", std::move(intents)}})};
}

ServiceAnswer WidgetApi::receiveUpload(Call& call, const std::string& attachmentId) {
    auto found = attachments_.find(attachmentId);
    if (found == attachments_.end() ||
        call.request.header("x-velmora-upload-token") != found->second.uploadToken) {
        return errorAnswer(403, "upload_forbidden");
    }
    Attachment& attachment = found->second;
    Session& session = requireSession(attachment.sessionId);
    if (call.request.header("x-velmora-session-token") != session.token) {
        return errorAnswer(401, "session_expired");
    }
    const auto ok = json::object{{"ok", true}, {"attachmentId", attachment.id}};
    if (attachment.uploaded) {
        return {200, velmora::detail::writeJSON(ok)};
    }
    if (std::chrono::system_clock::now() >= attachment.expires) {
        return errorAnswer(410, "upload_expired");
    }
    if (static_cast<std::int64_t>(call.request.body.size()) != attachment.sizeBytes) {
        return errorAnswer(400, "field_invalid");
    }
    attachment.bytes = call.request.bodyText();
    attachment.uploaded = true;
    for (auto& message : session.messages) {
        if (message.id == attachment.messageId) {
            message.attachmentIds.push_back(attachment.id);
            ++session.revision;
        }
    }
    return {200, velmora::detail::writeJSON(ok)};
}

ServiceAnswer WidgetApi::sendDownload(Call& call, const std::string& sessionId,
                                      const std::string& attachmentId) {
    auto found = attachments_.find(attachmentId);
    if (found == attachments_.end() || !found->second.uploaded ||
        found->second.sessionId != sessionId ||
        call.queryItem("token") != found->second.downloadToken) {
        return errorAnswer(404, "attachment_not_found");
    }
    return {200, found->second.bytes, found->second.mimeType};
}

json::array WidgetApi::attachmentsOf(const Message& message) const {
    json::array list;
    for (const auto& id : message.attachmentIds) {
        const auto& attachment = attachments_.at(id);
        list.push_back(json::object{{"id", attachment.id},
                                    {"fileName", attachment.fileName},
                                    {"mimeType", attachment.mimeType},
                                    {"kind", attachment.kind},
                                    {"sizeBytes", attachment.sizeBytes},
                                    {"downloadUrl", downloadUrl(attachment)}});
    }
    return list;
}

std::string WidgetApi::downloadUrl(const Attachment& attachment) const {
    const Session* session = nullptr;
    for (const auto& candidate : sessions_) {
        if (candidate.id == attachment.sessionId) {
            session = &candidate;
        }
    }
    const std::string integration = session ? session->integration : "";
    return attachment.origin + "/api/widget/v1/sessions/" + attachment.sessionId + "/attachments/" +
           attachment.id + "?integration=" + velmora::detail::percentEncodeQueryValue(integration) +
           "&token=" + attachment.downloadToken;
}

std::string WidgetApi::postServiceAttachment(const std::string& sessionId,
                                             const std::string& origin, const std::string& fileName,
                                             const std::string& mimeType, const Data& bytes) {
    std::lock_guard lock(mutex_);
    Session& session = requireSession(sessionId);
    deliverDueReplies(session);
    appendMessage(session, "inbound", "teammate", fileName);
    Attachment attachment;
    attachment.id = nextId("a_");
    attachment.sessionId = sessionId;
    attachment.messageId = session.messages.back().id;
    attachment.fileName = fileName;
    attachment.mimeType = mimeType;
    attachment.kind = kindOf(mimeType);
    attachment.sizeBytes = static_cast<std::int64_t>(bytes.size());
    attachment.downloadToken = randomToken("dt_");
    attachment.origin = origin;
    attachment.uploaded = true;
    attachment.bytes.assign(bytes.begin(), bytes.end());
    session.messages.back().attachmentIds.push_back(attachment.id);
    const std::string url = downloadUrl(attachment);
    attachments_.emplace(attachment.id, std::move(attachment));
    return url;
}

} // namespace velmora::tools
