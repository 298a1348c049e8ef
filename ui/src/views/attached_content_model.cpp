#include "views/attached_content_model.hpp"

#include "velmora/ui/conversation_form_json.hpp"

namespace velmora::detail {

AttachedContent attachedContent(const VelmoraMessage& message, bool hasController) {
    if (message.conversationForm && hasController)
        if (auto form = conversationFormFromJSON(*message.conversationForm))
            return {AttachedContentKind::form, std::move(form)};
    if (message.commerceResult)
        return {AttachedContentKind::commerce, std::nullopt};
    if (message.conversationForm)
        return {AttachedContentKind::chatOnlyNote, std::nullopt};
    return {};
}

} // namespace velmora::detail
