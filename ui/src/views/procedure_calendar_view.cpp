#include "views/procedure_calendar_view.hpp"

#include "platform/qt_child.hpp"
#include "platform/qt_conversions.hpp"
#include "velmora/ui/widget_controller.hpp"
#include "views/calendar_buttons.hpp"
#include "views/calendar_text.hpp"
#include "views/month_grid.hpp"
#include "views/progress_label.hpp"

#include <QVBoxLayout>

namespace velmora::detail {

ProcedureCalendarView::ProcedureCalendarView(VelmoraProcedureCard card,
                                             ProcedureViewContext context, QWidget* parent)
    : QWidget(parent), card_(std::move(card)), context_(std::move(context)),
      visibleMonth_(procedureCalendarMonth(card_, currentMonth())),
      layout_(makeQtChild<QVBoxLayout>(this)) {
    setObjectName("velmora.widget.procedure.calendar");
    // Measured through its layout: only a status line makes its height follow the width.
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    layout_->setContentsMargins(0, 0, 0, 0);
    wasInFlight_ = context_.controller->isActionInFlight();
    observation_ =
        context_.controller->observe(VelmoraWidgetProperty::isActionInFlight,
                                     [this](VelmoraWidgetProperty) { redraw_.request(); });
    rebuild();
}

void ProcedureCalendarView::setCard(VelmoraProcedureCard card, ProcedureViewContext context) {
    const auto previousMonth =
        card_.dateAvailability ? std::optional(card_.dateAvailability->month) : std::nullopt;
    card_ = std::move(card);
    context_ = std::move(context);
    // The service's answer may move the calendar to the month it reports; a card without an
    // availability leaves the month alone.
    if (card_.dateAvailability && card_.dateAvailability->month != previousMonth)
        if (const auto month = TavrinDateValue::fromISO(card_.dateAvailability->month + "-01"))
            visibleMonth_ = *month;
    rebuild();
}

void ProcedureCalendarView::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    requestAvailabilityIfNeeded();
}

void ProcedureCalendarView::requestAvailabilityIfNeeded() {
    if (!procedureAvailabilityLoaded(card_, visibleMonth_))
        askFor(visibleMonth_);
}

void ProcedureCalendarView::askFor(const TavrinDateValue& month) {
    auto& controller = *context_.controller;
    // The controller takes one action at a time: asked while another runs, it drops this one.
    const bool busy = controller.isActionInFlight();
    controller.requestProcedureAvailability(card_, month.monthISO());
    retry_.asked(month, busy);
}

void ProcedureCalendarView::moveMonth(std::int64_t count) {
    const auto moved = visibleMonth_.addingMonths(count);
    if (!moved)
        return;
    visibleMonth_ = *TavrinDateValue::make(moved->year(), moved->month(), 1);
    askFor(visibleMonth_);
    redraw_.request();
}

void ProcedureCalendarView::rebuild() {
    const bool inFlight = context_.controller->isActionInFlight();
    const bool actionEnded = wasInFlight_ && !inFlight;
    wasInFlight_ = inFlight;
    if (actionEnded && isVisible() && retry_.askAgainAfterAction(card_, visibleMonth_)) {
        askFor(visibleMonth_);
        // Accepted, the request is in flight now: draw that state.
        if (context_.controller->isActionInFlight()) {
            wasInFlight_ = true;
        }
    }

    const auto panel = context_.panel();
    model_ = procedureCalendarModel(card_, visibleMonth_, context_.controller->isActionInFlight(),
                                    context_.reduceMotion, context_.textScale, calendarToday());
    destroyQtChild(content_);
    content_ = makeQtChild<QWidget>();
    auto* stack = makeQtChild<QVBoxLayout>(content_);
    stack->setContentsMargins(0, 0, 0, 0);
    stack->setSpacing(8);
    const QColor text = toQColor(panel.color(&VelmoraWidgetPalette::text));
    const QColor muted = toQColor(panel.color(&VelmoraWidgetPalette::mutedText));

    // Days that cannot be picked are drawn faint, so the available ones stand out.
    QColor unavailable = text;
    unavailable.setAlphaF(unavailable.alphaF() * 0.35);
    const auto grid = addMonthGrid(
        *stack, *content_, {model_.title, model_.previousLabel, model_.nextLabel, model_.weeks},
        {.locale = card_.locale.value_or("en"),
         .identifier = "velmora.widget.procedure.calendar",
         .text = text,
         .unavailableDay = unavailable,
         .weekdays = muted,
         .textScale = context_.textScale});
    grid.previous->setObjectName("velmora.widget.procedure.month.previous");
    grid.previous->setEnabled(model_.monthButtonsEnabled);
    connect(grid.previous, &QAbstractButton::clicked, this, [this] { moveMonth(-1); });
    grid.next->setObjectName("velmora.widget.procedure.month.next");
    grid.next->setEnabled(model_.monthButtonsEnabled);
    connect(grid.next, &QAbstractButton::clicked, this, [this] { moveMonth(1); });
    for (auto* button : grid.days)
        connect(button, &QAbstractButton::clicked, this,
                [controller = context_.controller, card = card_, iso = button->day().date->iso()] {
                    controller->performProcedureAction(card, "calendar_date", iso);
                });

    if (model_.loading) {
        auto* loading = makeQtChild<VelmoraProgressLabel>(*model_.loading, content_);
        loading->setColor(muted);
        stack->addWidget(loading, 0, Qt::AlignLeading);
    } else if (!model_.statusMessage.empty()) {
        auto* status = procedureText(
            model_.statusMessage,
            systemFontSpec(VelmoraTextStyle::footnote, std::nullopt, context_.textScale),
            panel.color(&VelmoraWidgetPalette::mutedText));
        status->setObjectName("velmora.widget.procedure.calendar.status");
        stack->addWidget(status);
    }
    layout_->addWidget(content_);
    content_->show();
    procedureContentResized(this);
}

} // namespace velmora::detail
