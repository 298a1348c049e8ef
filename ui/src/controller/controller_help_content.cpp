#include "controller/controller_errors.hpp"
#include "controller/controller_tasks.hpp"

#include <algorithm>

// The help content is fetched once per controller, while the widget is open and in the
// foreground; only the user's retry fetches it again. The same load opens a help screen or an
// article that was asked for before the content was there.

namespace velmora {

namespace asio = boost::asio;

void detail::WidgetControllerCore::loadWidgetContentIfNeeded(bool force) {
    if (destroyed_ || !isOpen_ || !isForeground_ || contentTask_) {
        return;
    }
    if (!force && content_.snapshot) {
        // Already loaded: only a pending help screen is left to show.
        if (pendingScreen_ == VelmoraWidgetViewMode::help && helpAvailable_) {
            publish(VelmoraWidgetProperty::screen, screen_, VelmoraWidgetViewMode::help);
            pendingScreen_.reset();
            initialScreenResolved_ = true;
            publish(VelmoraWidgetProperty::isInitialNavigationResolved,
                    isInitialNavigationResolved_, true);
        }
        return;
    }
    const std::int64_t generation = ++contentOperationGeneration_;
    publish(VelmoraWidgetProperty::content, content_,
            VelmoraWidgetContentState(content_.snapshot, true, std::nullopt));
    contentTask_ = startTask([weak = weak_from_this(), generation] {
        return detail::whileControllerLives(weak, &detail::WidgetControllerCore::runContentLoad,
                                            generation);
    });
}

asio::awaitable<void> detail::WidgetControllerCore::runContentLoad(std::int64_t generation) {
    std::exception_ptr failure;
    try {
        auto loaded = co_await client_->loadWidgetContent();
        if (contentOperationGeneration_ == generation && !destroyed_ && isOpen_ && isForeground_) {
            publish(VelmoraWidgetProperty::content, content_,
                    VelmoraWidgetContentState(std::move(loaded), false, std::nullopt));
            publish(VelmoraWidgetProperty::helpError, helpError_, std::optional<VelmoraError>());
            if (pendingArticleID_) {
                const auto articleID = *pendingArticleID_;
                const auto& faq = content_.snapshot->behavior.faq;
                const bool published = std::any_of(faq.begin(), faq.end(), [&](const auto& entry) {
                    return entry.id == articleID;
                });
                pendingArticleID_.reset();
                if (published) {
                    publish(VelmoraWidgetProperty::activeFAQID, activeFAQID_,
                            std::optional(articleID));
                } else {
                    const VelmoraError missing(VelmoraErrorCode::fieldInvalid, std::nullopt,
                                               std::nullopt,
                                               "The requested help article is not published.");
                    publish(VelmoraWidgetProperty::helpError, helpError_, std::optional(missing));
                    setError(missing);
                }
                publish(VelmoraWidgetProperty::screen, screen_, VelmoraWidgetViewMode::help);
                pendingScreen_.reset();
            } else if (pendingScreen_ == VelmoraWidgetViewMode::help) {
                publish(VelmoraWidgetProperty::screen, screen_,
                        helpAvailable_ ? VelmoraWidgetViewMode::help : VelmoraWidgetViewMode::home);
                pendingScreen_.reset();
            }
            if (!pendingScreen_) {
                initialScreenResolved_ = true;
                publish(VelmoraWidgetProperty::isInitialNavigationResolved,
                        isInitialNavigationResolved_, true);
            }
        }
    } catch (...) {
        failure = std::current_exception();
    }
    if (failure && !isCancellation(failure) && contentOperationGeneration_ == generation &&
        !destroyed_) {
        publish(VelmoraWidgetProperty::content, content_,
                VelmoraWidgetContentState(
                    content_.snapshot, false,
                    detail::publishedError(failure, "Widget content could not be loaded.")));
        if (pendingScreen_ == VelmoraWidgetViewMode::help) {
            publish(VelmoraWidgetProperty::screen, screen_,
                    helpAvailable_ ? VelmoraWidgetViewMode::help : VelmoraWidgetViewMode::home);
            pendingScreen_.reset();
            initialScreenResolved_ = true;
            publish(VelmoraWidgetProperty::isInitialNavigationResolved,
                    isInitialNavigationResolved_, true);
        }
    }
    if (contentOperationGeneration_ == generation) {
        contentTask_.reset();
    }
}

void detail::WidgetControllerCore::retryContent() {
    const auto self = shared_from_this();
    if (destroyed_ || !isOpen_ || !isForeground_) {
        return;
    }
    publish(VelmoraWidgetProperty::helpError, helpError_, std::optional<VelmoraError>());
    publish(VelmoraWidgetProperty::content, content_,
            VelmoraWidgetContentState(content_.snapshot, false, std::nullopt));
    loadWidgetContentIfNeeded(true);
}

} // namespace velmora
