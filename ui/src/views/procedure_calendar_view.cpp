#include "views/procedure_calendar_view.hpp"

#include "platform/qt_child.hpp"
#include "platform/qt_conversions.hpp"
#include "velmora/ui/widget_controller.hpp"
#include "views/calendar_buttons.hpp"
#include "views/calendar_text.hpp"
#include "views/progress_label.hpp"
#include "views/weekday_header.hpp"

#include <QHBoxLayout>
#include <QLabel>
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

    auto* header = makeQtChild<QHBoxLayout>();
    header->setContentsMargins(0, 0, 0, 0);
    auto* previous =
        makeQtChild<MonthChevronButton>(false, toQString(model_.previousLabel), text, content_);
    previous->setObjectName("velmora.widget.procedure.month.previous");
    previous->setEnabled(model_.monthButtonsEnabled);
    connect(previous, &QAbstractButton::clicked, this, [this] { moveMonth(-1); });
    auto* title = makeQtChild<QLabel>(toQString(model_.title), content_);
    title->setTextFormat(Qt::PlainText);
    title->setObjectName("velmora.widget.procedure.calendar.title");
    title->setFont(toQFont(systemFontSpec(VelmoraTextStyle::subheadline,
                                          VelmoraFontWeight::semibold, context_.textScale)));
    title->setAlignment(Qt::AlignCenter);
    QPalette titlePalette = title->palette();
    titlePalette.setColor(QPalette::WindowText, text);
    title->setPalette(titlePalette);
    auto* next = makeQtChild<MonthChevronButton>(true, toQString(model_.nextLabel), text, content_);
    next->setObjectName("velmora.widget.procedure.month.next");
    next->setEnabled(model_.monthButtonsEnabled);
    connect(next, &QAbstractButton::clicked, this, [this] { moveMonth(1); });
    header->addWidget(previous);
    header->addWidget(title, 1);
    header->addWidget(next);
    stack->addLayout(header);

    stack->addWidget(makeQtChild<TavrinWeekdayHeader>(card_.locale.value_or("en"),
                                                      "velmora.widget.procedure.calendar.weekdays",
                                                      muted, context_.textScale, content_));

    const QFont dayFont =
        toQFont(systemFontSpec(VelmoraTextStyle::footnote, std::nullopt, context_.textScale));
    // Days that cannot be picked are drawn faint, so the available ones stand out.
    QColor unavailable = text;
    unavailable.setAlphaF(unavailable.alphaF() * 0.35);
    for (const auto& week : model_.weeks) {
        auto* row = makeQtChild<QHBoxLayout>();
        row->setContentsMargins(0, 0, 0, 0);
        row->setSpacing(2);
        for (const auto& day : week) {
            if (!day.date) {
                auto* empty = makeQtChild<QWidget>(content_);
                empty->setMinimumHeight(44);
                empty->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
                row->addWidget(empty, 1);
                continue;
            }
            auto* button =
                makeQtChild<CalendarDayButton>(day, day.enabled ? text : unavailable, content_);
            button->setFont(dayFont);
            connect(button, &QAbstractButton::clicked, this,
                    [controller = context_.controller, card = card_, iso = day.date->iso()] {
                        controller->performProcedureAction(card, "calendar_date", iso);
                    });
            row->addWidget(button, 1);
        }
        stack->addLayout(row);
    }

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
