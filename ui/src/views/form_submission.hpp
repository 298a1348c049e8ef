#pragma once

#include "velmora/json_value.hpp"
#include "velmora/procedure_models.hpp"
#include "velmora/ui/observation.hpp"

#include <functional>
#include <memory>

namespace velmora {
class VelmoraWidgetController;
}

namespace velmora::detail {

/// What a conversation form needs of the widget controller: its one busy flag, to follow it,
/// and the submission intent (which does nothing while the widget is closed, in the background
/// or busy).
class ConversationFormService {
public:
    virtual ~ConversationFormService() = default;
    virtual bool isActionInFlight() const = 0;
    /// `changed` runs whenever the busy flag is assigned, for as long as the result lives.
    [[nodiscard]] virtual VelmoraObservation
    observeActionInFlight(std::function<void()> changed) = 0;
    virtual void submitForm(const VelmoraConversationForm& form, JSONValue::Object values) = 0;
};

/// The controller's forms, held weakly: once the controller is gone nothing is sent.
std::shared_ptr<ConversationFormService>
makeControllerFormService(const std::shared_ptr<VelmoraWidgetController>& controller);

} // namespace velmora::detail
