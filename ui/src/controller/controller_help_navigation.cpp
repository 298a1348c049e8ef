#include "controller/widget_controller_core.hpp"

#include <algorithm>

// What the help screen does with its content: open an article (also from outside, before
// anything is loaded), expand and collapse entries, keep the search text, and leave for the
// conversation carrying details taken from the content.

namespace velmora {

namespace {

bool listsArticle(const VelmoraWidgetContentSnapshot& content, const std::string& articleID) {
    const auto& faq = content.behavior.faq;
    return std::any_of(faq.begin(), faq.end(),
                       [&](const VelmoraWidgetContentFAQ& entry) { return entry.id == articleID; });
}

} // namespace

void detail::WidgetControllerCore::openArticle(const std::string& articleID) {
    const auto self = shared_from_this();
    if (destroyed_) {
        return;
    }
    if (!navigationReady_) {
        // Opened by the help content load once the navigation allows help.
        pendingArticleID_ = articleID;
        pendingScreen_ = VelmoraWidgetViewMode::help;
        loadConfigurationIfNeeded();
        return;
    }
    if (!helpAvailable_) {
        rejectUnavailableHelpNavigation();
        return;
    }
    if (!content_.snapshot || !content_.snapshot->behavior.enabled) {
        pendingArticleID_ = articleID;
        pendingScreen_ = VelmoraWidgetViewMode::help;
        loadWidgetContentIfNeeded(false);
        return;
    }
    if (!listsArticle(*content_.snapshot, articleID)) {
        pendingArticleID_.reset();
        setError(VelmoraError(VelmoraErrorCode::fieldInvalid, std::nullopt, std::nullopt,
                              "The requested help article is not published."));
        return;
    }
    pendingArticleID_.reset();
    pendingScreen_.reset();
    publish(VelmoraWidgetProperty::activeFAQID, activeFAQID_, std::optional(articleID));
    publish(VelmoraWidgetProperty::activeWorkflowID, activeWorkflowID_,
            std::optional<std::string>());
    publish(VelmoraWidgetProperty::activeWorkflowStepID, activeWorkflowStepID_,
            std::optional<std::string>());
    publish(VelmoraWidgetProperty::screen, screen_, VelmoraWidgetViewMode::help);
}

void detail::WidgetControllerCore::toggleFAQ(const std::string& articleID) {
    const auto self = shared_from_this();
    if (destroyed_ || !content_.snapshot || !listsArticle(*content_.snapshot, articleID)) {
        return;
    }
    publish(VelmoraWidgetProperty::activeFAQID, activeFAQID_,
            activeFAQID_ == articleID ? std::optional<std::string>() : std::optional(articleID));
}

void detail::WidgetControllerCore::updateHelpQuery(std::string query) {
    const auto self = shared_from_this();
    if (destroyed_) {
        return;
    }
    publish(VelmoraWidgetProperty::helpQuery, helpQuery_, std::move(query));
}

void detail::WidgetControllerCore::openContact(std::optional<VelmoraWidgetContentPrefill> prefill) {
    const auto self = shared_from_this();
    if (destroyed_ || !messagesAvailable_) {
        return;
    }
    applyContentPrefill(prefill);
    publish(VelmoraWidgetProperty::screen, screen_, VelmoraWidgetViewMode::messages);
    clearHelpSelection();
}

void detail::WidgetControllerCore::applyContentPrefill(
    const std::optional<VelmoraWidgetContentPrefill>& prefill) {
    if (!prefill || !content_.snapshot) {
        return;
    }
    const auto textOf = [this](const std::optional<std::string>& key) {
        return key ? content_.snapshot->text(*key) : std::nullopt;
    };
    VelmoraPrefill visitor;
    visitor.subject = textOf(prefill->subjectKey);
    visitor.message = textOf(prefill->messageKey);
    if (prefill->productArea) {
        visitor.fields = std::map<std::string, JSONValue>{{"productArea", *prefill->productArea}};
    }
    // Replaces an earlier prefill whole: nothing of it survives.
    activePrefill_ = visitor;
    if (visitor.message && !visitor.message->empty()) {
        setDraft(*visitor.message);
    }
}

} // namespace velmora
