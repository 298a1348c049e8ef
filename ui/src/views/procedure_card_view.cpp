#include "views/procedure_card_view.hpp"

#include "platform/qt_child.hpp"
#include "platform/qt_conversions.hpp"
#include "platform/size_policy.hpp"
#include "velmora/ui/widget_controller.hpp"
#include "views/bounded_text_view.hpp"
#include "views/procedure_calendar_view.hpp"
#include "views/procedure_details_view.hpp"
#include "views/progress_label.hpp"
#include "views/styled_button.hpp"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>

namespace velmora::detail {

ProcedureCardView::ProcedureCardView(VelmoraProcedureCard card, ProcedureViewContext context,
                                     QWidget* parent)
    : QWidget(parent), card_(std::move(card)), context_(std::move(context)),
      layout_(makeQtChild<QVBoxLayout>(this)) {
    setObjectName("velmora.widget.procedure");
    setSizePolicy(heightForWidthPolicy(QSizePolicy::Expanding));
    layout_->setSpacing(8);
    observation_ =
        context_.controller->observe(VelmoraWidgetProperty::isActionInFlight,
                                     [this](VelmoraWidgetProperty) { redraw_.request(); });
    rebuild();
}

ProcedureCardView::~ProcedureCardView() = default;

void ProcedureCardView::setCard(VelmoraProcedureCard card, ProcedureViewContext context) {
    card_ = std::move(card);
    context_ = std::move(context);
    if (calendar_ && card_.calendarMode)
        calendar_->setCard(card_, context_);
    rebuild();
}

void ProcedureCardView::rebuild() {
    // The calendar keeps its month while the step stays a date step; everything else is drawn
    // again from the card.
    if (calendar_ && card_.calendarMode) {
        layout_->removeWidget(calendar_);
    } else if (calendar_) {
        destroyQtChild(calendar_);
    }
    clearProcedureLayout(*layout_);

    const bool busy = context_.controller->isActionInFlight();
    model_ = procedureCardModel(card_, busy, context_.panel());
    layout_->setContentsMargins(12, 12, 12, 12);

    const auto addButton = [&](const ProcedureButtonModel& button, QBoxLayout& into) {
        auto* view = makeQtChild<VelmoraStyledButton>(toQString(button.title), button.style);
        view->setObjectName(toQString(button.identifier));
        view->setAccessibleName(toQString(button.title));
        view->setEnabled(button.enabled);
        QObject::connect(view, &QAbstractButton::clicked, this,
                         [controller = context_.controller, card = card_, call = button.call] {
                             controller->performProcedureAction(card, call.action, call.value);
                         });
        into.addWidget(view);
    };

    if (!model_.title.empty())
        layout_->addWidget(procedureText(model_.title, model_.titleFont, model_.text));
    if (!model_.prompt.empty())
        layout_->addWidget(procedureText(model_.prompt, model_.promptFont, model_.text));
    if (model_.showsCalendar) {
        if (!calendar_)
            calendar_ = makeQtChild<ProcedureCalendarView>(card_, context_);
        layout_->addWidget(calendar_);
    }
    for (const auto& choice : model_.choices)
        addButton(choice, *layout_);
    if (model_.busy) {
        auto* label = makeQtChild<VelmoraProgressLabel>(*model_.busy);
        label->setColor(toQColor(model_.secondaryText));
        layout_->addWidget(label, 0, Qt::AlignLeading);
    }
    if (!model_.details.empty())
        layout_->addWidget(makeQtChild<ProcedureConfirmationDetailsView>(model_.details, model_));
    if (model_.back)
        addButton(*model_.back, *layout_);
    if (model_.confirm) {
        auto* row = makeQtChild<QHBoxLayout>();
        row->setSpacing(8);
        addButton(*model_.confirm, *row);
        addButton(*model_.decline, *row);
        layout_->addLayout(row);
    }
    if (model_.checkout) {
        auto* link = makeQtChild<QLabel>();
        link->setText(QStringLiteral("<a href=\"%1\" style=\"color:%2\">%3</a>")
                          .arg(toQString(model_.checkout->url).toHtmlEscaped(),
                               toQColor(model_.link).name(),
                               boundedText(model_.checkout->title, text_bounds::labelCharacters)
                                   .toHtmlEscaped()));
        link->setTextFormat(Qt::RichText);
        link->setOpenExternalLinks(true);
        link->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
        link->setFont(toQFont(model_.bodyFont));
        link->setAccessibleName(toQString(model_.checkout->title));
        link->setWordWrap(true);
        layout_->addWidget(link);
    }
    if (model_.expiryNote)
        layout_->addWidget(procedureText(*model_.expiryNote, model_.bodyFont, model_.text));
    update();
    procedureContentResized(this);
}

void ProcedureCardView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), toQColor(model_.background));
    // A plain rectangle, square corners, drawn inside the card's bounds.
    const double width = model_.borderWidth;
    QPen pen(toQColor(model_.border), width);
    pen.setJoinStyle(Qt::MiterJoin);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(QRectF(rect()).adjusted(width / 2, width / 2, -width / 2, -width / 2));
}

} // namespace velmora::detail
