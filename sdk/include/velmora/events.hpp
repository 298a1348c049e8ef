#pragma once

#include "velmora/error.hpp"
#include "velmora/host_actions.hpp"
#include "velmora/models.hpp"

#include <memory>
#include <optional>
#include <string>
#include <variant>

namespace velmora {

/// The cases of `VelmoraEvent`. A case with one unnamed payload holds it as `value`, except
/// `snapshot`, which reads it through `value()`.
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
///
/// The snapshot is immutable and shared: every subscriber, and every copy of the event, refers
/// to the one snapshot the client read, so delivering it costs the same whatever the length of
/// the conversation. It lives as long as any copy of the event or of `shared()`.
class snapshot {
public:
    /// Takes `value` over as the shared snapshot.
    snapshot(VelmoraSnapshot value)
        : shared_(std::make_shared<const std::optional<VelmoraSnapshot>>(std::move(value))) {}

    const VelmoraSnapshot& value() const noexcept { return **shared_; }

    /// The snapshot itself, shared with the event.
    std::shared_ptr<const VelmoraSnapshot> shared() const noexcept { return {shared_, &**shared_}; }

    /// The same snapshot as a present optional, for a holder of a snapshot that may be absent
    /// (the widget controller publishes it so); valid as long as a copy of this event lives.
    const std::optional<VelmoraSnapshot>& asOptional() const noexcept { return *shared_; }

private:
    // Never null and always engaged.
    std::shared_ptr<const std::optional<VelmoraSnapshot>> shared_;
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
