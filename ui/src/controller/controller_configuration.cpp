#include "controller/controller_errors.hpp"
#include "controller/controller_tasks.hpp"

// The widget configuration is fetched once per controller; after that the controller only
// re-reads what the client kept. Both loads end by settling the initial screen.

namespace velmora {

namespace asio = boost::asio;

VelmoraMainTask detail::WidgetControllerCore::startOwnedTask(
    std::function<asio::awaitable<void>(VelmoraMainTask)> body) {
    // The body runs later (posted), by which time its handle has been filled in.
    auto handle = std::make_shared<std::optional<VelmoraMainTask>>();
    auto task = startTask([handle, body = std::move(body)] { return body(**handle); });
    *handle = task;
    return task;
}

bool detail::WidgetControllerCore::configurationLoadIsCurrent(std::int64_t lifecycle) const {
    return lifecycleGeneration_ == lifecycle && !destroyed_ && isOpen_ && isForeground_;
}

void detail::WidgetControllerCore::loadConfigurationIfNeeded() {
    if (!configurationLoaded_) {
        if (configurationTask_) {
            return; // one configuration load at a time
        }
        publish(VelmoraWidgetProperty::isLoadingConfiguration, isLoadingConfiguration_, true);
        const std::int64_t lifecycle = lifecycleGeneration_;
        configurationTask_ =
            startOwnedTask([weak = weak_from_this(), lifecycle](VelmoraMainTask task) {
                return detail::whileControllerLives(
                    weak, &detail::WidgetControllerCore::runConfigurationLoad, lifecycle, task);
            });
        return;
    }
    if (!destroyed_ && !publishedStateTask_) {
        loadPublishedConfigurationState();
    }
    reconcileIfNeeded();
}

asio::awaitable<void> detail::WidgetControllerCore::runConfigurationLoad(std::int64_t lifecycle,
                                                                         VelmoraMainTask task) {
    std::exception_ptr failure;
    std::optional<VelmoraWidgetNavigation> navigation;
    try {
        co_await client_->loadWidgetAppearance();
        if (!configurationLoadIsCurrent(lifecycle)) {
            releaseConfigurationLoad(task);
            loadStaleConfigurationAgain(lifecycle);
            co_return;
        }
        auto availability = co_await client_->currentWidgetAvailability();
        navigation = co_await client_->currentWidgetNavigation();
        auto workspaceName = co_await client_->currentWidgetWorkspacePublicName();
        if (!configurationLoadIsCurrent(lifecycle)) {
            releaseConfigurationLoad(task);
            loadStaleConfigurationAgain(lifecycle);
            co_return;
        }
        if (!navigation) {
            throw detail::fixedError(VelmoraErrorCode::invalidConfig,
                                     "Widget navigation configuration is missing.");
        }
        configurationLoaded_ = true;
        prepareNavigation(*navigation);
        publish(VelmoraWidgetProperty::availability, availability_, std::move(availability));
        publish(VelmoraWidgetProperty::workspacePublicName, workspacePublicName_,
                std::move(workspaceName));
        publishedStateLoaded_ = true;
        reconcileInitialScreen();
        prepareVoiceCapabilityIfNeeded();
        releaseConfigurationLoad(task);
        reconcileIfNeeded();
        co_return;
    } catch (...) {
        failure = std::current_exception();
    }
    if (!isCancellation(failure) && configurationLoadIsCurrent(lifecycle)) {
        setError(detail::publishedError(failure, "Velmora widget configuration failed."));
    }
    releaseConfigurationLoad(task);
    if (!isCancellation(failure)) {
        loadStaleConfigurationAgain(lifecycle);
    }
}

void detail::WidgetControllerCore::loadStaleConfigurationAgain(std::int64_t lifecycle) {
    // Closing, backgrounding and destroying make a load stale too, but the next opening asks
    // again by itself; a send, a retry or a reconciliation leaves nobody to ask.
    if (lifecycleGeneration_ == lifecycle || destroyed_ || !isOpen_ || !isForeground_ ||
        configurationLoaded_) {
        return;
    }
    if (mutationInFlight_) {
        configurationLoadWanted_ = true; // asked again by the send's or retry's finishing step
        return;
    }
    loadConfigurationIfNeeded();
}

void detail::WidgetControllerCore::releaseConfigurationLoad(const VelmoraMainTask& task) {
    // A load made stale by other work (a send, a retry, a reconciliation) still hands its field
    // back; one whose field now holds a newer load leaves that load alone.
    if (configurationTask_ != task) {
        return;
    }
    publish(VelmoraWidgetProperty::isLoadingConfiguration, isLoadingConfiguration_, false);
    configurationTask_.reset();
}

void detail::WidgetControllerCore::loadPublishedConfigurationState() {
    if (destroyed_ || publishedStateTask_) {
        return;
    }
    const std::int64_t published = publishedStateGeneration_;
    publishedStateTask_ = startTask([weak = weak_from_this(), published] {
        return detail::whileControllerLives(
            weak, &detail::WidgetControllerCore::runPublishedStateLoad, published);
    });
}

asio::awaitable<void> detail::WidgetControllerCore::runPublishedStateLoad(std::int64_t published) {
    try {
        auto availability = co_await client_->currentWidgetAvailability();
        auto navigation = co_await client_->currentWidgetNavigation();
        auto workspaceName = co_await client_->currentWidgetWorkspacePublicName();
        if (publishedStateGeneration_ == published && !destroyed_ && isOpen_ && isForeground_) {
            if (navigation) {
                prepareNavigation(*navigation);
            }
            publish(VelmoraWidgetProperty::availability, availability_, std::move(availability));
            publish(VelmoraWidgetProperty::workspacePublicName, workspacePublicName_,
                    std::move(workspaceName));
            publishedStateLoaded_ = true;
            reconcileInitialScreen();
        }
    } catch (...) {
        // The readers do not fail; a cancelled read publishes nothing.
    }
    if (publishedStateGeneration_ == published) {
        publishedStateTask_.reset();
    }
}

} // namespace velmora
