#pragma once

#include "velmora/error.hpp"
#include "velmora/host_actions.hpp"
#include "velmora/models.hpp"

#include <string>
#include <variant>

namespace velmora {

/// The cases of `VelmoraEvent`. A case with one unnamed payload holds it as `value`.
namespace event {

/// The client's loading state changed to `value`.
struct loading {
    VelmoraLoadingState value;
};

/// The client has a new current session.
struct sessionStarted {
    VelmoraSession value;
};

/// A new snapshot of the conversation was read.
struct snapshot {
    VelmoraSnapshot value;
};

/// The service accepted a message.
struct messageAccepted {
    VelmoraAcceptedMessage value;
};

/// The widget asks the host application to perform a host action.
struct hostActionRequested {
    VelmoraHostActionRequest value;
};

/// The host action with this request identifier was cancelled.
struct hostActionCancelled {
    std::string requestId;
};

/// An operation of the client failed.
struct error {
    VelmoraError value;
};

/// The session held in memory was dropped.
struct sessionCleared {};

} // namespace event

/// A notification for the host and the widget. The client's event stream carries every case but
/// the two host-action cases, which the widget hands to the host through its own callback.
/// Read it with `std::visit` or `std::get_if`; it has no equality and no JSON form.
using VelmoraEvent = std::variant<event::loading, event::sessionStarted, event::snapshot,
                                  event::messageAccepted, event::hostActionRequested,
                                  event::hostActionCancelled, event::error, event::sessionCleared>;

} // namespace velmora
