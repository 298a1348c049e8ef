#include "controller/widget_controller_core.hpp"

// Which screen shows. A host may ask for a first screen (and a help article) before the widget
// knows which tabs it offers; the request waits until the facts it needs are known, and a
// screen the user chose is never overridden by a late load.

namespace velmora {

void detail::WidgetControllerCore::applyInitialNavigation(std::optional<VelmoraWidgetViewMode> view,
                                                          std::optional<std::string> articleID) {
    const auto self = shared_from_this();
    if (destroyed_) {
        return;
    }
    publish(VelmoraWidgetProperty::isInitialNavigationResolved, isInitialNavigationResolved_,
            false);
    initialScreenResolved_ = false;
    const bool wantsHelp = view == VelmoraWidgetViewMode::help || articleID.has_value();
    pendingArticleID_ = std::move(articleID);
    pendingScreen_ = view;
    if (wantsHelp) {
        // An article always leads to the help screen; the content load opens it.
        pendingScreen_ = VelmoraWidgetViewMode::help;
        loadWidgetContentIfNeeded(false);
    }
    reconcileInitialScreen();
}

void detail::WidgetControllerCore::reconcileInitialScreen() {
    if (initialScreenResolved_) {
        return;
    }
    const auto settle = [this] {
        initialScreenResolved_ = true;
        publish(VelmoraWidgetProperty::isInitialNavigationResolved, isInitialNavigationResolved_,
                true);
    };
    if (!pendingScreen_ || *pendingScreen_ == VelmoraWidgetViewMode::home) {
        publish(VelmoraWidgetProperty::screen, screen_, VelmoraWidgetViewMode::home);
        settle();
        return;
    }
    if (*pendingScreen_ == VelmoraWidgetViewMode::messages) {
        if (!configurationLoaded_ || !publishedStateLoaded_) {
            return; // stays pending
        }
        publish(VelmoraWidgetProperty::screen, screen_,
                messagesAvailable_ ? VelmoraWidgetViewMode::messages : VelmoraWidgetViewMode::home);
        settle();
        return;
    }
    if (!navigationReady_) {
        return; // help waits for a navigation
    }
    if (!helpAvailable_) {
        rejectUnavailableHelpNavigation();
        return;
    }
    publish(VelmoraWidgetProperty::screen, screen_, VelmoraWidgetViewMode::help);
    pendingScreen_.reset();
    settle();
}

void detail::WidgetControllerCore::prepareNavigation(const VelmoraWidgetNavigation& navigation) {
    const auto self = shared_from_this();
    if (destroyed_) {
        return;
    }
    // The navigation in force never changes once known.
    if (configuredNavigation_ && !(*configuredNavigation_ == navigation)) {
        return;
    }
    const bool first = !configuredNavigation_;
    configuredNavigation_ = navigation;
    if (first) {
        publish(VelmoraWidgetProperty::messagesAvailable, messagesAvailable_, navigation.messages);
    }
    publish(VelmoraWidgetProperty::helpAvailable, helpAvailable_, navigation.help);
    publish(VelmoraWidgetProperty::navigationReady, navigationReady_, true);
    publishedStateLoaded_ = true;
}

void detail::WidgetControllerCore::setScreen(VelmoraWidgetViewMode target) {
    const auto self = shared_from_this();
    if (destroyed_) {
        return;
    }
    if (target == VelmoraWidgetViewMode::messages && !messagesAvailable_) {
        return;
    }
    if (target == VelmoraWidgetViewMode::help && !helpAvailable_) {
        if (navigationReady_) {
            rejectUnavailableHelpNavigation();
        } else {
            // Not known yet: help shows once the configuration says it may.
            pendingScreen_ = VelmoraWidgetViewMode::help;
            loadConfigurationIfNeeded();
        }
        return;
    }
    publish(VelmoraWidgetProperty::screen, screen_, target);
    initialScreenResolved_ = true; // the user's choice wins over a later reconciliation
    if (target != VelmoraWidgetViewMode::help) {
        clearHelpSelection();
    }
}

void detail::WidgetControllerCore::rejectUnavailableHelpNavigation() {
    const VelmoraError unavailable(VelmoraErrorCode::unsupported, std::nullopt, std::nullopt,
                                   "Help is not enabled for this widget.");
    publish(VelmoraWidgetProperty::helpError, helpError_, std::optional(unavailable));
    setError(unavailable);
    pendingScreen_.reset();
    pendingArticleID_.reset();
    publish(VelmoraWidgetProperty::screen, screen_, VelmoraWidgetViewMode::home);
    initialScreenResolved_ = true;
    publish(VelmoraWidgetProperty::isInitialNavigationResolved, isInitialNavigationResolved_, true);
}

void detail::WidgetControllerCore::clearHelpSelection() {
    const auto self = shared_from_this();
    publish(VelmoraWidgetProperty::activeFAQID, activeFAQID_, std::optional<std::string>());
    publish(VelmoraWidgetProperty::activeWorkflowID, activeWorkflowID_,
            std::optional<std::string>());
    publish(VelmoraWidgetProperty::activeWorkflowStepID, activeWorkflowStepID_,
            std::optional<std::string>());
}

} // namespace velmora
