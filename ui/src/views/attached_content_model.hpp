#pragma once

#include "velmora/models.hpp"
#include "velmora/procedure_models.hpp"

#include <optional>

namespace velmora::detail {

enum class AttachedContentKind {
    none,
    /// The message's form, editable.
    form,
    /// The message's commerce result, read-only (it may still draw nothing).
    commerce,
    /// A form that cannot be shown here (it does not parse, or the row has no controller).
    chatOnlyNote,
};

/// What a message row shows between its text and its attachments: at most one thing.
struct AttachedContent {
    AttachedContentKind kind = AttachedContentKind::none;
    std::optional<VelmoraConversationForm> form;
    friend bool operator==(const AttachedContent&, const AttachedContent&) = default;
};

AttachedContent attachedContent(const VelmoraMessage& message, bool hasController);

} // namespace velmora::detail
