#include "views/procedure_slot.hpp"

#include "platform/qt_child.hpp"
#include "platform/size_policy.hpp"
#include "views/procedure_card_view.hpp"
#include "views/procedure_quick_actions_view.hpp"

#include <QVBoxLayout>

namespace velmora::detail {

namespace {

/// Holds the card, or the quick actions when there is no card.
class ProcedureSlotView final : public QWidget {
public:
    ProcedureSlotView() : layout_(makeQtChild<QVBoxLayout>(this)) {
        setObjectName("velmora.widget.procedure-slot");
        setSizePolicy(heightForWidthPolicy(QSizePolicy::Expanding));
        layout_->setContentsMargins(0, 0, 0, 0);
    }

    bool apply(const VelmoraSnapshot& snapshot, const ProcedureSlotContext& slotContext) {
        const ProcedureViewContext context{slotContext.controller, &slotContext.experience,
                                           slotContext.dark, slotContext.reduceMotion,
                                           slotContext.textScale};
        std::optional<VelmoraProcedureCard> card;
        if (snapshot.procedureAction)
            card = procedureCardFromJSON(*snapshot.procedureAction);
        if (card) {
            if (quickActions_) {
                layout_->removeWidget(quickActions_);
                destroyQtChild(quickActions_);
            }
            if (card_) {
                card_->setCard(std::move(*card), context);
            } else {
                card_ = makeQtChild<ProcedureCardView>(std::move(*card), context);
                layout_->addWidget(card_);
            }
            procedureContentResized(this);
            return true;
        }
        if (card_) {
            layout_->removeWidget(card_);
            destroyQtChild(card_);
        }
        if (quickActions_) {
            layout_->removeWidget(quickActions_);
            destroyQtChild(quickActions_);
        }
        auto actions =
            snapshot.procedureQuickActions
                ? shownQuickActions(*snapshot.procedureQuickActions, slotContext.experience.locale)
                : std::vector<VelmoraProcedureQuickAction>{};
        if (actions.empty())
            return false;
        quickActions_ = makeQtChild<ProcedureQuickActionsView>(std::move(actions), context);
        layout_->addWidget(quickActions_);
        procedureContentResized(this);
        return true;
    }

private:
    QVBoxLayout* layout_;
    ProcedureCardView* card_ = nullptr;
    ProcedureQuickActionsView* quickActions_ = nullptr;
};

} // namespace

std::unique_ptr<QWidget> makeProcedureSlotView(const VelmoraSnapshot& snapshot,
                                               const ProcedureSlotContext& context) {
    auto slot = std::make_unique<ProcedureSlotView>();
    if (!slot->apply(snapshot, context))
        return nullptr;
    return slot;
}

bool updateProcedureSlotView(QWidget& slot, const VelmoraSnapshot& snapshot,
                             const ProcedureSlotContext& context) {
    auto* view = dynamic_cast<ProcedureSlotView*>(&slot);
    return view && view->apply(snapshot, context);
}

} // namespace velmora::detail
