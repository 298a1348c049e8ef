#include "controller/controller_errors.hpp"
#include "controller/controller_tasks.hpp"

#include "detail/date_time.hpp"
#include "detail/text.hpp"
#include "detail/uuid.hpp"

#include <boost/asio/this_coro.hpp>

// The widget's part of the road of one message:
//
//   composer intent     send(): the text becomes a durable pending first draft with its key
//   controller          runSend() -> deliver(): one route, chosen by the client's session
//   client              startSession / sendMessage (validation, outbox, idempotency, retry
//                       classes and uploads are the client's own), then waitForAssistant
//   event, transcript   the client's sessionStarted / messageAccepted / snapshot events, which
//                       apply() publishes as `messages`
//
// The controller only decides which client operation to call and what the composer shows
// afterwards; the pending first draft keeps the exact text, key and start time, so a repeated
// send is recognised by the service.

namespace velmora {

namespace asio = boost::asio;

struct detail::WidgetControllerCore::SendPlan {
    std::int64_t mutation = 0;                       // this send's mutation generation
    std::int64_t drafts = 0;                         // draft generation when it started
    std::int64_t lifecycle = 0;                      // lifecycle generation after its increase
    std::vector<VelmoraAttachmentDraft> attachments; // the composer's files at the call
    bool reusesPending = false;                      // an earlier send's message is sent again
    VelmoraWidgetDraftState first;                   // the pending first draft in use
    std::string text;                                // the text to send
    // Set while the session itself is being brought about: a cancellation there restores the
    // message into the closed widget's composer.
    bool startingSession = false;
};

struct detail::WidgetControllerCore::MutationTicket {
    std::weak_ptr<detail::WidgetControllerCore> controller;
    std::int64_t mutation = 0;
    bool ran = false;
    std::optional<VelmoraMainTask> task;

    MutationTicket() = default;
    MutationTicket(const MutationTicket&) = delete;
    MutationTicket& operator=(const MutationTicket&) = delete;

    ~MutationTicket() {
        // A task cancelled before it ran never reached its finishing step: without this,
        // `mutationInFlight` would stay set and no send or retry could start again. (Only when
        // the task has finished: a task dropped with its executor does nothing.)
        if (!ran && task && task->isFinished()) {
            if (const auto self = controller.lock()) {
                self->finishMutation(mutation);
            }
        }
    }
};

VelmoraMainTask
detail::WidgetControllerCore::startMutationTask(std::int64_t mutation,
                                                std::function<asio::awaitable<void>()> body) {
    auto ticket = std::make_shared<MutationTicket>();
    ticket->controller = weak_from_this();
    ticket->mutation = mutation;
    auto task = startTask([ticket, body = std::move(body)] {
        ticket->ran = true;
        return body();
    });
    ticket->task = task;
    return task;
}

void detail::WidgetControllerCore::send() {
    const auto self = shared_from_this();
    if (destroyed_ || !isMounted_ || !isOpen_ || !isForeground_ || mutationInFlight_) {
        return;
    }
    SendPlan plan;
    plan.attachments = pendingAttachments_;
    plan.text = detail::text::trimmed(pendingFirstDraft_ ? pendingFirstDraft_->text : draft_);
    if (plan.text.empty()) {
        if (plan.attachments.empty()) {
            return;
        }
        plan.text = client_->attachmentOnlyMessageText();
    }
    plan.reusesPending = pendingFirstDraft_.has_value();
    plan.first = plan.reusesPending
                     ? *pendingFirstDraft_
                     : VelmoraWidgetDraftState{plan.text,
                                               detail::uuidString(),
                                               detail::formatInternetDateTime(clock_->now()),
                                               {},
                                               VelmoraWidgetDraftOperation::sessionStart,
                                               std::nullopt};
    // Durable before anything goes out; a draft that cannot be stored is not sent.
    if (!storePendingFirstDraftForSend(plan.first)) {
        return;
    }
    publish(VelmoraWidgetProperty::mutationInFlight, mutationInFlight_, true);
    plan.mutation = ++mutationGeneration_;
    preservesMutationError_ = false;
    setError(std::nullopt);
    plan.lifecycle = ++lifecycleGeneration_;
    plan.drafts = draftGeneration_;
    const std::int64_t mutation = plan.mutation;
    operationTask_ = startMutationTask(mutation, [weak = weak_from_this(), plan = std::move(plan)] {
        return detail::whileControllerLives(weak, &detail::WidgetControllerCore::runSend, plan);
    });
}

asio::awaitable<void> detail::WidgetControllerCore::runSend(SendPlan plan) {
    std::optional<SendRoute> route;
    std::exception_ptr failure;
    try {
        route = co_await deliver(plan);
    } catch (...) {
        failure = std::current_exception();
    }
    try {
        if (route) {
            // Settled before anything else is awaited: a task cancelled by a close or a move to
            // the background fails every later suspension, and a message the service holds
            // must not stay pending for that.
            settleDelivery(plan, *route);
            co_await awaitReply(plan);
        } else if (isCancellation(failure)) {
            // What is left to do here reads the client once, cancelled or not.
            co_await asio::this_coro::throw_if_cancelled(false);
            co_await settleCancelledSend(plan);
        } else if (failure) {
            co_await failDelivery(plan, failure);
        }
    } catch (...) {
        // In a cancelled task every later suspension fails at once: what is left of the
        // outcome belongs to a widget that has moved on.
    }
    finishMutation(plan.mutation);
}

asio::awaitable<void> detail::WidgetControllerCore::settleCancelledSend(const SendPlan& plan) {
    if (!plan.startingSession || draftGeneration_ != plan.drafts || destroyed_ || isOpen_) {
        co_return;
    }
    // Closing cut the start of the conversation short. The service may have taken it before
    // the answer was lost to the close (the session exists then, as on the recovery route);
    // otherwise the message stays in the composer and in the drafts file, and the next send
    // repeats it under the same key.
    const auto session = co_await client_->currentSession();
    if (draftGeneration_ != plan.drafts || destroyed_) {
        co_return;
    }
    if (session && plan.attachments.empty()) {
        settleDelivery(plan, SendRoute::start);
        co_return;
    }
    // With files the message stays pending: the next send finds the session and uploads them
    // to the accepted message (the recovery route) instead of starting anew.
    setDraft(plan.first.text);
    pendingFirstDraft_ = plan.first;
    persistDraft();
}

asio::awaitable<std::optional<detail::WidgetControllerCore::SendRoute>>
detail::WidgetControllerCore::deliver(SendPlan& plan) {
    if (reconciliationTask_) {
        const VelmoraMainTask running = *reconciliationTask_;
        co_await running.wait();
    }
    const auto draftsDiscarded = [&] { return draftGeneration_ != plan.drafts || destroyed_; };
    if (draftsDiscarded()) {
        co_return std::nullopt;
    }
    auto session = co_await client_->currentSession();
    if (draftsDiscarded()) {
        co_return std::nullopt;
    }
    const VelmoraWidgetDraftState& first = plan.first;

    if (plan.reusesPending && session &&
        first.operation == VelmoraWidgetDraftOperation::sessionStart) {
        // The session exists although this widget never saw its start succeed: the service
        // already holds the message, so nothing is sent again.
        if (plan.attachments.empty()) {
            std::exception_ptr failure;
            try {
                co_await client_->refresh();
            } catch (...) {
                failure = std::current_exception();
            }
            if (failure) {
                failAfterDelivery(plan, failure);
                co_return std::nullopt;
            }
        } else {
            const auto messageId = co_await client_->currentCustomerMessageId();
            if (!messageId) {
                throw detail::fixedError(VelmoraErrorCode::requestInProgress,
                                         "The accepted message is waiting for its attachments.");
            }
            co_await client_->uploadAttachments(plan.attachments, *messageId);
        }
        co_return SendRoute::recovery;
    }

    if (!session) {
        plan.startingSession = true;
        if (first.operation == VelmoraWidgetDraftOperation::message) {
            // A message into a session this process has not opened yet (the widget came back
            // after a restart): the session is brought back first, then the message goes out
            // under its stored key.
            session = co_await client_->resumeSession();
            plan.startingSession = false;
            if (!session) {
                throw detail::fixedError(VelmoraErrorCode::sessionExpired,
                                         "The pending message session could not be restored.");
            }
            if (draftsDiscarded()) {
                co_return std::nullopt;
            }
            co_await sendIntoSession(plan, *session);
            co_return SendRoute::message;
        }
        co_await client_->startSession(
            VelmoraSessionStartInput{first.text, first.idempotencyKey, activePrefill_, std::nullopt,
                                     std::nullopt, std::nullopt, first.startedAt},
            plan.attachments);
        plan.startingSession = false;
        co_return SendRoute::start;
    }

    co_await sendIntoSession(plan, *session);
    co_return SendRoute::message;
}

asio::awaitable<void> detail::WidgetControllerCore::sendIntoSession(const SendPlan& plan,
                                                                    const VelmoraSession& session) {
    // From here on the draft names its session, so a restarted widget knows where it goes.
    pendingFirstDraft_ = VelmoraWidgetDraftState{plan.text,
                                                 plan.first.idempotencyKey,
                                                 plan.first.startedAt,
                                                 {},
                                                 VelmoraWidgetDraftOperation::message,
                                                 session.sessionId};
    persistDraft();
    co_await client_->sendMessage(VelmoraMessageInput{plan.text, plan.first.idempotencyKey,
                                                      plan.first.startedAt, std::nullopt,
                                                      std::nullopt, std::nullopt},
                                  plan.attachments);
}

void detail::WidgetControllerCore::settleDelivery(const SendPlan& plan, SendRoute route) {
    if (draftGeneration_ != plan.drafts || destroyed_) {
        return;
    }
    // A close puts the pending message back into the composer; once delivered it is not the
    // visitor's typing.
    const bool composerShowsTheMessage = pendingFirstDraft_ && draft_ == pendingFirstDraft_->text;
    publish(VelmoraWidgetProperty::pendingAttachments, pendingAttachments_,
            std::vector<VelmoraAttachmentDraft>{});
    pendingFirstDraft_.reset();
    activePrefill_.reset();
    draftStore_->clear(*client_);
    preservesMutationError_ = false;
    setError(std::nullopt);
    if (route == SendRoute::start || composerShowsTheMessage) {
        setDraft({}); // text typed while the conversation started is dropped
    } else if (!draft_.empty()) {
        // Text typed during the send is stored again at once, not only at the next keystroke:
        // a host that dies before then would lose it.
        persistDraft();
    }
}

asio::awaitable<void> detail::WidgetControllerCore::awaitReply(const SendPlan& plan) {
    if (draftGeneration_ != plan.drafts || destroyed_ || lifecycleGeneration_ != plan.lifecycle ||
        !isOpen_ || !isForeground_) {
        co_return;
    }
    std::exception_ptr failure;
    try {
        if (co_await client_->shouldWaitForAssistant() && !co_await replyIsAlreadyThere()) {
            co_await client_->waitForAssistant(30.0, std::nullopt);
        }
    } catch (...) {
        failure = std::current_exception();
    }
    if (failure) {
        failAfterDelivery(plan, failure);
        co_return;
    }
    tidyAfterDelivery(plan);
}

asio::awaitable<bool> detail::WidgetControllerCore::replyIsAlreadyThere() {
    // The wait counts everything the client already holds as known. After a repeated send (a
    // lost acknowledgement, a restart) or a quick assistant, the conversation just read may
    // hold the answer to this very message: waiting for another one would run out its time.
    const auto messageId = co_await client_->currentCustomerMessageId();
    if (!messageId) {
        co_return false;
    }
    const auto current = co_await client_->currentSnapshot();
    if (!current) {
        co_return false;
    }
    // From the end: the visitor's message is normally among the last few.
    bool answered = false;
    for (auto it = current->messages.rbegin(); it != current->messages.rend(); ++it) {
        if (it->id == *messageId) {
            co_return answered;
        }
        answered = answered || it->authorKind == "ai" || it->authorKind == "teammate";
    }
    co_return false; // the message is not in what the client holds yet
}

bool detail::WidgetControllerCore::sendMayPublish(const SendPlan& plan) const {
    return lifecycleGeneration_ == plan.lifecycle && draftGeneration_ == plan.drafts &&
           !destroyed_ && isOpen_ && isForeground_;
}

asio::awaitable<void> detail::WidgetControllerCore::failDelivery(const SendPlan& plan,
                                                                 std::exception_ptr failure) {
    if (!sendMayPublish(plan)) {
        co_return;
    }
    preservesMutationError_ = true;
    const auto error = detail::velmoraErrorOf(failure);
    if (!error) {
        setError(detail::fixedError(VelmoraErrorCode::network, "Velmora request failed."));
        setDraft(plan.text);
        if (!pendingFirstDraft_) {
            pendingFirstDraft_ = plan.first;
        }
        persistDraft();
        co_return;
    }
    setError(*error);
    const auto sessionNow = co_await client_->currentSession();
    if (draftGeneration_ != plan.drafts || destroyed_) {
        co_return;
    }
    setDraft(plan.text);
    // Kept when sending it again may still succeed (or must, for files that have a session);
    // otherwise the text stays as a typed draft and the next send gets a new key.
    const bool keep = detail::widgetMayRetry(*error) ||
                      error->code() == VelmoraErrorCode::sessionExpired ||
                      error->code() == VelmoraErrorCode::outboxCorrupt ||
                      (!plan.attachments.empty() && sessionNow);
    if (!keep) {
        pendingFirstDraft_.reset();
    } else if (!pendingFirstDraft_) {
        pendingFirstDraft_ = plan.first;
    }
    persistDraft();
}

void detail::WidgetControllerCore::failAfterDelivery(const SendPlan& plan,
                                                     std::exception_ptr failure) {
    if (isCancellation(failure) || !sendMayPublish(plan)) {
        return;
    }
    preservesMutationError_ = true;
    // The message and its files are with the service: they never go back into the composer,
    // or the next send would deliver the files a second time.
    setError(detail::publishedError(failure, "Velmora request failed."));
    tidyAfterDelivery(plan);
}

void detail::WidgetControllerCore::tidyAfterDelivery(const SendPlan& plan) {
    if (draftGeneration_ == plan.drafts && !destroyed_ && pendingAttachments_.empty()) {
        pendingFirstDraft_.reset();
        persistDraft(); // removes the sent message, keeps what was typed meanwhile
    }
}

} // namespace velmora
