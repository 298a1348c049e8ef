#include "client/client_core.hpp"

#include "client/attachment_rules.hpp"
#include "client/attachment_wire_bodies.hpp"
#include "detail/date_time.hpp"
#include "detail/url.hpp"
#include "input_validation.hpp"

#include <chrono>
#include <set>

namespace velmora::detail {
namespace {

VelmoraError attachmentChanged() {
    return ClientCore::sessionChanged("while the attachment was in flight");
}

Date now() {
    return std::chrono::system_clock::now();
}

bool snapshotHasAttachment(const std::shared_ptr<const VelmoraSnapshot>& snapshot,
                           const std::string& messageId, const std::string& attachmentId) {
    if (!snapshot)
        return false;
    for (const auto& message : snapshot->messages) {
        if (message.id != messageId || !message.attachments)
            continue;
        for (const auto& attachment : *message.attachments) {
            if (attachment.id == attachmentId)
                return true;
        }
    }
    return false;
}

/// The per-file progress of one run: the drafts, the session and message they belong to.
struct UploadRun {
    ClientCore& core;
    const std::vector<VelmoraAttachmentDraft>& drafts;
    const VelmoraSession& session;
    const std::string& messageId;
    std::int64_t requestGeneration;

    AttachmentUploadKey keyOf(const VelmoraAttachmentDraft& draft) const {
        return {session.sessionId, messageId, draft.id};
    }
    AttachmentUploadState* stateOf(const VelmoraAttachmentDraft& draft) const {
        auto found = core.attachmentUploadStates_.find(keyOf(draft));
        return found == core.attachmentUploadStates_.end() ? nullptr : &found->second;
    }

    ClientCore::Task<std::optional<VelmoraPendingAttachmentSend>> loadStored() const {
        co_await core.persistenceLock().acquire();
        PersistenceLockHold hold(core.persistenceLock());
        co_return co_await core.pendingAttachmentSends().load(core.configuration().accountScope());
    }

    ClientCore::Task<void> prepare() const {
        auto stored = co_await loadStored();
        if (!stored) {
            VelmoraPendingAttachmentSend record{
                core.configuration().accountScope(), session.sessionId, messageId, drafts, {},
                formatInternetDateTime(now())};
            for (const auto& draft : drafts)
                record.uploads.push_back(
                    VelmoraPendingAttachmentUpload{draft.id, std::nullopt, false});
            co_await core.savePendingAttachmentSend(std::move(record), requestGeneration);
            co_return;
        }
        if (core.generation_ != requestGeneration)
            throw attachmentChanged();
        if (stored->sessionId != session.sessionId || stored->messageId != messageId ||
            stored->attachments != drafts) {
            throw VelmoraError(VelmoraErrorCode::requestInProgress, std::nullopt, std::nullopt,
                               "A different attachment upload is already pending.");
        }
        for (const auto& upload : stored->uploads) {
            if (upload.intent) {
                core.attachmentUploadStates_.try_emplace(
                    AttachmentUploadKey{session.sessionId, messageId, upload.clientId},
                    AttachmentUploadState{*upload.intent, upload.uploaded});
            }
        }
    }

    ClientCore::Task<void> persist() const {
        std::vector<VelmoraPendingAttachmentUpload> uploads;
        for (const auto& draft : drafts) {
            const auto* state = stateOf(draft);
            uploads.push_back(VelmoraPendingAttachmentUpload{
                draft.id, state ? std::optional(state->intent) : std::nullopt,
                state && state->uploaded});
        }
        auto stored = co_await loadStored();
        const std::string createdAt = stored ? stored->createdAt : formatInternetDateTime(now());
        co_await core.savePendingAttachmentSend(
            VelmoraPendingAttachmentSend{core.configuration().accountScope(), session.sessionId,
                                         messageId, drafts, std::move(uploads), createdAt},
            requestGeneration);
    }

    /// States whose intent ran out: uploaded after all when the message already lists the
    /// attachment (the reply was lost), else forgotten so that a new intent is asked for.
    ClientCore::Task<void> reconcileExpired() const {
        std::vector<const VelmoraAttachmentDraft*> expired;
        for (const auto& draft : drafts) {
            const auto* state = stateOf(draft);
            if (state && !state->uploaded &&
                isAttachmentIntentExpired(state->intent.expiresAt, now()))
                expired.push_back(&draft);
        }
        if (expired.empty())
            co_return;
        co_await core.loadSnapshot(true);
        for (const auto* draft : expired) {
            auto* state = stateOf(*draft);
            if (!state)
                continue;
            if (snapshotHasAttachment(core.snapshot_, messageId, state->intent.attachmentId))
                state->uploaded = true;
            else
                core.attachmentUploadStates_.erase(keyOf(*draft));
        }
        co_await persist();
    }

    ClientCore::Task<void> requestIntents() const {
        AttachmentIntentRequest body;
        std::set<std::string> expected;
        for (const auto& draft : drafts) {
            if (!stateOf(draft)) {
                body.attachments.push_back(describeAttachment(draft));
                expected.insert(draft.id);
            }
        }
        if (body.attachments.empty())
            co_return;
        PipelineRequest post;
        post.path =
            core.sessionPath(session.sessionId, "/messages/" + percentEncodePathSegment(messageId) +
                                                    "/attachments/intents");
        post.method = "POST";
        post.body = Codec<AttachmentIntentRequest>::encode(body);
        post.token = session.sessionToken;
        post.requestGeneration = requestGeneration;
        auto answer = co_await core.request<AttachmentIntentResponse>(std::move(post));
        if (core.generation_ != requestGeneration)
            throw attachmentChanged();
        auto intents = validateAttachmentIntents(answer.intents, expected);
        for (const auto& draft : drafts) {
            if (!expected.contains(draft.id))
                continue;
            auto found = intents.find(draft.id);
            if (found == intents.end() ||
                isAttachmentIntentExpired(found->second.expiresAt, now())) {
                throw VelmoraError(VelmoraErrorCode::http, std::nullopt, std::nullopt,
                                   "Velmora returned an expired attachment intent.");
            }
            core.attachmentUploadStates_.insert_or_assign(
                keyOf(draft), AttachmentUploadState{found->second, false});
        }
        co_await persist();
    }

    /// After a failed upload: the upload may have reached the service with its reply lost, which
    /// a fresh snapshot tells. Returns normally when it did; throws otherwise.
    ClientCore::Task<void> recover(const VelmoraAttachmentDraft& draft,
                                   std::exception_ptr failure) const {
        if (core.generation_ != requestGeneration)
            throw attachmentChanged();
        bool reloaded = true;
        try {
            co_await core.loadSnapshot(true);
        } catch (...) {
            reloaded = false;
        }
        const auto* state = stateOf(draft);
        if (!reloaded || !state ||
            !snapshotHasAttachment(core.snapshot_, messageId, state->intent.attachmentId))
            std::rethrow_exception(failure);
        if (core.generation_ != requestGeneration)
            throw attachmentChanged();
        stateOf(draft)->uploaded = true;
        co_await persist();
    }

    ClientCore::Task<void> uploadAll() const {
        for (const auto& draft : drafts) {
            const auto* state = stateOf(draft);
            if (!state) {
                throw VelmoraError(VelmoraErrorCode::http, std::nullopt, std::nullopt,
                                   "Velmora did not retain an attachment intent.");
            }
            if (state->uploaded)
                continue;
            std::exception_ptr failure;
            try {
                co_await core.uploadAttachment(draft, state->intent, session, requestGeneration);
                if (core.generation_ != requestGeneration)
                    throw attachmentChanged();
                stateOf(draft)->uploaded = true;
                co_await persist();
            } catch (...) {
                failure = std::current_exception();
            }
            if (failure) {
                if (isCancellation(failure))
                    std::rethrow_exception(failure);
                co_await recover(draft, failure);
            }
        }
    }

    ClientCore::Task<void> cleanUp() const {
        const auto& scope = core.configuration().accountScope();
        {
            co_await core.persistenceLock().acquire();
            PersistenceLockHold hold(core.persistenceLock());
            if (core.generation_ == requestGeneration)
                co_await core.pendingAttachmentSends().remove(scope);
        }
        std::optional<VelmoraPendingAttachmentOperation> operation;
        {
            co_await core.persistenceLock().acquire();
            PersistenceLockHold hold(core.persistenceLock());
            operation = co_await core.pendingAttachmentOperations().load(scope);
        }
        if (operation && operation->sessionId == session.sessionId &&
            operation->messageId == messageId) {
            co_await core.persistenceLock().acquire();
            PersistenceLockHold hold(core.persistenceLock());
            if (core.generation_ == requestGeneration)
                co_await core.pendingAttachmentOperations().remove(scope);
        }
        co_await core.loadSnapshot(false);
    }
};

} // namespace

ClientCore::Task<void> ClientCore::uploadAttachments(std::vector<VelmoraAttachmentDraft> drafts,
                                                     std::string messageId) {
    if (drafts.empty())
        co_return;
    checkResetGuard();
    MutationClaim claim(*this, VelmoraMutationOwner::attachment);
    co_await uploadAttachmentsMutation(std::move(drafts), std::move(messageId));
}

ClientCore::Task<void>
ClientCore::uploadAttachmentsMutation(std::vector<VelmoraAttachmentDraft> drafts,
                                      std::string messageId) {
    const std::int64_t requestGeneration = generation_;
    if (!session_) {
        throw VelmoraError(VelmoraErrorCode::sessionExpired, std::nullopt, std::nullopt,
                           "Start or resume a session first.");
    }
    const VelmoraSession session = *session_;
    VelmoraInputValidation::requireReference(messageId, "Message id is invalid.");
    validateAttachments(drafts);

    const UploadRun run{*this, drafts, session, messageId, requestGeneration};
    co_await run.prepare();
    co_await run.reconcileExpired();
    co_await run.requestIntents();
    co_await run.uploadAll();
    co_await run.cleanUp();
}

} // namespace velmora::detail
