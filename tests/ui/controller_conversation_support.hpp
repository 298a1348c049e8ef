#pragma once

#include "controller_test_support.hpp"

#include <boost/asio/post.hpp>
#include <boost/asio/use_awaitable.hpp>

#include <algorithm>
#include <set>

namespace velmora::testing {

/// An answer for a scripted operation. Arguments are taken by value: they live in the
/// coroutine's own frame.
template <class T> auto answer(T value) {
    return [value](auto...) -> asio::awaitable<T> { co_return value; };
}
inline auto answerNothing() {
    return [](auto...) -> asio::awaitable<void> { co_return; };
}
/// A failure that arrives after a real suspension, as a request's does.
template <class T, class E = VelmoraError> auto failWith(E error) {
    return [error](auto...) -> asio::awaitable<T> {
        co_await asio::post(asio::use_awaitable);
        throw error;
    };
}

inline VelmoraSession sessionNamed(const std::string& id) {
    return VelmoraSession{id, std::string("c-1"), "token-" + id};
}

/// A controller over a scripted client whose configuration and navigation are known, so that
/// opening it leads straight to the reconciliation.
struct ScriptedConversation {
    asio::io_context io;
    std::shared_ptr<ScriptedWidgetClient> client = std::make_shared<ScriptedWidgetClient>();
    std::shared_ptr<VelmoraWidgetDraftStore> store = std::make_shared<VelmoraWidgetDraftStore>();
    std::shared_ptr<VelmoraWidgetController> controller;

    ScriptedConversation() {
        client->onRefresh = answer(snapshotWithMessages(2));
        client->onResumeSession = answer(std::optional<VelmoraSession>());
    }
    ~ScriptedConversation() {
        if (controller) {
            controller->destroy();
            drain(io);
        }
    }

    VelmoraWidgetController& make() {
        controller = VelmoraWidgetController::create(io.get_executor(), client, true,
                                                     VelmoraWidgetNavigation{true, true},
                                                     std::nullopt, {}, {}, store);
        return *controller;
    }
    /// Opens the widget and lets the reconciliation run; forgets the calls made so far.
    void openAndSettle() {
        controller->open();
        drain(io);
        client->calls.clear();
    }
    /// The calls among `names`, in order.
    std::vector<std::string> callsAmong(const std::set<std::string>& names) const {
        std::vector<std::string> picked;
        std::copy_if(client->calls.begin(), client->calls.end(), std::back_inserter(picked),
                     [&](const std::string& call) { return names.contains(call); });
        return picked;
    }
};

inline const std::set<std::string> kConversationCalls = {
    "currentSession",   "refresh",      "resumeSession",     "startSession",
    "sendMessage",      "flushOutbox",  "currentSnapshot",   "shouldWaitForAssistant",
    "waitForAssistant", "resetSession", "uploadAttachments", "currentCustomerMessageId"};

} // namespace velmora::testing
