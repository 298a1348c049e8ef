#pragma once

// Stand-ins for the services a transcript row calls on, so a test decides when work finishes.
#include "views/attachment_export.hpp"
#include "views/form_submission.hpp"

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace velmora::testing {

/// Forms that never have a submission under way and accept every submission silently.
class IdleForms final : public detail::ConversationFormService {
public:
    bool isActionInFlight() const override { return false; }
    VelmoraObservation observeActionInFlight(std::function<void()>) override { return {}; }
    void submitForm(const VelmoraConversationForm&, JSONValue::Object) override {}
};

/// Downloads that finish when the test says so.
class ManualAttachments final : public detail::MessageRowAttachmentService {
public:
    bool canDownloadAttachment(const VelmoraAttachment& a) const override {
        return a.downloadUrl.has_value();
    }
    void downloadAttachment(const VelmoraAttachment& a,
                            std::function<void(std::optional<Data>)> completion) override {
        pending.emplace_back(*a.id, std::move(completion));
    }
    void finish(std::size_t index, std::optional<Data> bytes) {
        auto completion = std::move(pending.at(index).second);
        completion(std::move(bytes));
    }
    std::vector<std::pair<std::string, std::function<void(std::optional<Data>)>>> pending;
};

/// Save dialogs that record what they were asked to save; each completes when the test says so.
class RecordingExporter final : public detail::AttachmentExporter {
public:
    void exportDocument(QWidget*, detail::VelmoraAttachmentDocument document,
                        std::function<void()> completed) override {
        exports.push_back(std::move(document));
        completions.push_back(std::move(completed));
    }
    std::vector<detail::VelmoraAttachmentDocument> exports;
    std::vector<std::function<void()>> completions;
};

} // namespace velmora::testing
