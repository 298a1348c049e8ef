#pragma once

#include "views/conversation_form_model.hpp"
#include "views/form_date_field_model.hpp"

#include <QPointer>
#include <QWidget>

#include <map>
#include <optional>
#include <string>

namespace velmora::detail {

class VelmoraWidgetMessageRow;

/// What a conversation form's user did, kept apart from its widgets so that it outlives them:
/// the answers (seeded once, then the user's), the last refusal, and per field the month the
/// calendar shows and the multi-select's search text.
struct ConversationFormState {
    std::optional<ConversationFormAnswers> answers;
    bool validationFailed = false;
    std::map<std::string, TavrinDateValue> shownMonths;
    std::map<std::string, std::string> searchTexts;
};

/// Everything a message row holds for the user while its message stays in the conversation.
/// The transcript keeps one per message id, so a row scrolled away and built again, or drawn
/// afresh for a new value of its message, picks up where the user left it.
struct MessageRowState {
    /// The attachment whose download runs; at most one per row.
    std::optional<std::string> downloadingAttachmentId;
    ConversationFormState form;
    /// The row drawing this state now, if one is built.
    QPointer<VelmoraWidgetMessageRow> row;
    /// Where a finished download is offered while no row is built (the transcript).
    QPointer<QWidget> host;
};

} // namespace velmora::detail
