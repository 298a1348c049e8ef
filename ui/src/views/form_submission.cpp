#include "views/form_submission.hpp"

#include "velmora/ui/widget_controller.hpp"

namespace velmora::detail {

namespace {

class ControllerFormService final : public ConversationFormService {
public:
    explicit ControllerFormService(std::weak_ptr<VelmoraWidgetController> controller)
        : controller_(std::move(controller)) {}

    bool isActionInFlight() const override {
        const auto controller = controller_.lock();
        return controller && controller->isActionInFlight();
    }

    VelmoraObservation observeActionInFlight(std::function<void()> changed) override {
        const auto controller = controller_.lock();
        if (!controller)
            return {};
        return controller->observe(
            VelmoraWidgetProperty::isActionInFlight,
            [changed = std::move(changed)](VelmoraWidgetProperty) { changed(); });
    }

    void submitForm(const VelmoraConversationForm& form, JSONValue::Object values) override {
        if (const auto controller = controller_.lock())
            controller->submitForm(form, std::move(values));
    }

private:
    std::weak_ptr<VelmoraWidgetController> controller_;
};

} // namespace

std::shared_ptr<ConversationFormService>
makeControllerFormService(const std::shared_ptr<VelmoraWidgetController>& controller) {
    if (!controller)
        return nullptr;
    return std::make_shared<ControllerFormService>(controller);
}

} // namespace velmora::detail
