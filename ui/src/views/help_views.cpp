#include "views/help_views.hpp"

#include "platform/qt_child.hpp"
#include "platform/qt_conversions.hpp"
#include "platform/size_policy.hpp"
#include "velmora/ui/widget_controller.hpp"
#include "views/bounded_text_view.hpp"
#include "views/progress_label.hpp"
#include "views/styled_button.hpp"
#include "views/text_block_view.hpp"
#include "views/transcript_rows.hpp"
#include "views/widget_icon.hpp"

#include <QBoxLayout>
#include <QLineEdit>
#include <QPainter>
#include <QPainterPath>

#include <cmath>

namespace velmora::detail {

void performHelpAction(VelmoraWidgetController& c, const HelpAction& action) {
    using Kind = HelpAction::Kind;
    switch (action.kind) {
    case Kind::none:
        break;
    case Kind::showHelp:
        c.setScreen(VelmoraWidgetViewMode::help);
        break;
    case Kind::openFAQ:
        c.setScreen(VelmoraWidgetViewMode::help);
        c.toggleFAQ(action.id);
        break;
    case Kind::toggleFAQ:
        c.toggleFAQ(action.id);
        break;
    case Kind::startWorkflow:
        c.startWorkflow(action.id, action.prefill);
        break;
    case Kind::openContact:
        c.openContact(action.prefill);
        break;
    case Kind::selectOption:
        if (action.option)
            c.selectWorkflowOption(*action.option);
        break;
    case Kind::retryContent:
        c.retryContent();
        break;
    }
}

namespace {

enum class Glyph { chevronUp, chevronDown, chevronRight, magnifier, info, warning };

/// The small line symbols of the help content, drawn in one colour.
class GlyphView final : public QWidget {
public:
    GlyphView(Glyph glyph, QColor color, int box, QWidget* parent = nullptr)
        : QWidget(parent), glyph_(glyph), color_(color) {
        setFixedSize(box, box);
        setAttribute(Qt::WA_TransparentForMouseEvents);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        const double s = 14; // the symbol's own square, centred in the box
        const QRectF r((width() - s) / 2, (height() - s) / 2, s, s);
        QPen pen(color_, 1.8, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
        p.setPen(pen);
        p.setBrush(Qt::NoBrush);
        const auto at = [&](double x, double y) {
            return QPointF(r.left() + x * s, r.top() + y * s);
        };
        switch (glyph_) {
        case Glyph::chevronUp:
            p.drawPolyline(QPolygonF{at(0.15, 0.68), at(0.5, 0.32), at(0.85, 0.68)});
            break;
        case Glyph::chevronDown:
            p.drawPolyline(QPolygonF{at(0.15, 0.32), at(0.5, 0.68), at(0.85, 0.32)});
            break;
        case Glyph::chevronRight:
            p.drawPolyline(QPolygonF{at(0.36, 0.15), at(0.68, 0.5), at(0.36, 0.85)});
            break;
        case Glyph::magnifier:
            p.drawEllipse(QRectF(at(0.05, 0.05), at(0.7, 0.7)));
            p.drawLine(at(0.64, 0.64), at(0.95, 0.95));
            break;
        case Glyph::info:
            pen.setWidthF(1.4);
            p.setPen(pen);
            p.drawEllipse(QRectF(at(0.02, 0.02), at(0.98, 0.98)));
            p.drawLine(at(0.5, 0.45), at(0.5, 0.75));
            p.drawPoint(at(0.5, 0.28));
            break;
        case Glyph::warning: {
            QPainterPath triangle;
            triangle.moveTo(at(0.5, 0.04));
            triangle.lineTo(at(0.98, 0.94));
            triangle.lineTo(at(0.02, 0.94));
            triangle.closeSubpath();
            p.fillPath(triangle, color_);
            p.setPen(QPen(Qt::white, 1.6, Qt::SolidLine, Qt::RoundCap));
            p.drawLine(at(0.5, 0.38), at(0.5, 0.64));
            p.drawPoint(at(0.5, 0.8));
            break;
        }
        }
    }

private:
    Glyph glyph_;
    QColor color_;
};

/// A plain box with a square outline; its children sit in a vertical stack.
class CardFrame final : public QWidget {
public:
    CardFrame(VelmoraColor fill, VelmoraColor border, QWidget* parent = nullptr)
        : QWidget(parent), fill_(toQColor(fill)), border_(toQColor(border)) {
        setSizePolicy(heightForWidthPolicy(QSizePolicy::Preferred));
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.fillRect(rect(), fill_);
        p.setPen(QPen(border_, 1));
        p.drawRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5));
    }

private:
    QColor fill_;
    QColor border_;
};

/// A body text (an answer, a step's prompt, a notice): wrapped, a bounded prefix laid out.
TextBlockView* textBlock(const StyledText& text, QWidget* parent) {
    auto* view = makeQtChild<TextBlockView>(parent);
    view->apply(boundedText(text.text, text_bounds::bodyCharacters), toQFont(text.font),
                toQColor(text.color), 0);
    view->setAccessibleName(toQString(text.text));
    view->setAttribute(Qt::WA_TransparentForMouseEvents);
    return view;
}

/// A title from the help content (a question, a workflow's title or description): a few lines,
/// the last elided, so a card keeps its size whatever the service sends.
QWidget* titleBlock(const StyledText& text, QWidget* parent) {
    auto* view = makeQtChild<BoundedTextView>(parent);
    view->apply(toQString(text.text), toQFont(text.font), toQColor(text.color),
                text_bounds::titleLines);
    view->setAttribute(Qt::WA_TransparentForMouseEvents);
    return view;
}

QVBoxLayout* stack(QWidget* widget, int margin, int spacing) {
    auto* layout = makeQtChild<QVBoxLayout>(widget);
    layout->setContentsMargins(margin, margin, margin, margin);
    layout->setSpacing(spacing);
    return layout;
}

/// Pads a child horizontally inside a stack.
void addInset(QVBoxLayout* layout, QWidget* child, int inset) {
    auto* row = makeQtChild<QHBoxLayout>();
    row->setContentsMargins(inset, 0, inset, 0);
    row->addWidget(child);
    layout->addLayout(row);
}

QWidget* helpButton(const HelpButtonModel& model, const HelpActionHandler& perform,
                    QWidget* parent) {
    auto* button = makeQtChild<VelmoraStyledButton>(
        boundedText(model.title, text_bounds::labelCharacters), model.style, parent);
    button->setObjectName(toQString(model.identifier));
    button->setAccessibleName(toQString(model.title));
    button->setEnabled(model.enabled);
    QObject::connect(button, &QAbstractButton::clicked, button, [perform, action = model.action] {
        if (perform)
            perform(action);
    });
    return button;
}

QWidget* contentErrorView(const ContentErrorModel& model, const HelpActionHandler& perform,
                          QWidget* parent) {
    auto* block = makeQtChild<QWidget>(parent);
    block->setObjectName(toQString(model.identifier));
    block->setAccessibleName(toQString(model.warning.text));
    block->setSizePolicy(heightForWidthPolicy(QSizePolicy::Preferred));
    auto* column = stack(block, static_cast<int>(model.padding), static_cast<int>(model.spacing));
    auto* line = makeQtChild<QHBoxLayout>();
    line->setSpacing(6);
    line->addWidget(
        makeQtChild<GlyphView>(Glyph::warning, toQColor(model.warning.color), 18, block), 0,
        Qt::AlignTop);
    line->addWidget(textBlock(model.warning, block), 1);
    column->addLayout(line);
    column->addWidget(helpButton(model.retry, perform, block));
    return block;
}

VelmoraProgressLabel* progress(const std::string& text, const std::string& identifier,
                               bool reduceMotion, double textScale, VelmoraColor color,
                               QWidget* parent) {
    auto model = progressLabelModel(text, reduceMotion, textScale);
    model.objectName = identifier;
    auto* label = makeQtChild<VelmoraProgressLabel>(model, parent);
    label->setColor(toQColor(color));
    return label;
}

QWidget* contactCard(const ContactCardModel& model, const HelpActionHandler& perform,
                     QWidget* parent) {
    auto* card = makeQtChild<HelpTapArea>(
        HelpTapArea::Look{model.background, model.border, std::nullopt, 72}, parent);
    card->setObjectName(toQString(model.identifier));
    card->setAccessibleName(toQString(model.title.text));
    card->setMargins(16, 14, 16, 14, static_cast<int>(model.spacing));
    auto* texts = makeQtChild<QWidget>(card);
    texts->setAttribute(Qt::WA_TransparentForMouseEvents);
    texts->setSizePolicy(heightForWidthPolicy(QSizePolicy::Expanding));
    auto* column = stack(texts, 0, 4);
    column->addWidget(titleBlock(model.title, texts));
    column->addWidget(titleBlock(model.detail, texts));
    card->add(texts, 1);
    // The forward arrow on a faint accent square.
    auto* badge =
        makeQtChild<CardFrame>(model.accent.withOpacity(0.1), model.accent.withOpacity(0.1), card);
    badge->setFixedSize(36, 36);
    badge->setAttribute(Qt::WA_TransparentForMouseEvents);
    auto* icon = makeQtChild<VelmoraWidgetIconView>(VelmoraWidgetIconKind::forward, 18,
                                                    toQColor(model.accent), badge);
    icon->setGeometry(9, 9, 18, 18);
    card->add(badge);
    card->finish();
    QObject::connect(card, &QAbstractButton::clicked, card, [perform, action = model.action] {
        if (perform)
            perform(action);
    });
    return card;
}

QWidget* homeHelpCard(const HomeHelpCardModel& model, const HelpActionHandler& perform,
                      QWidget* parent) {
    auto* card = makeQtChild<CardFrame>(model.background, model.border, parent);
    card->setObjectName(toQString(model.identifier));
    card->setAccessibleName(toQString(model.header.text));
    auto* column = stack(card, 10, static_cast<int>(model.spacing));
    const int inset = static_cast<int>(model.rowSpacing);

    auto* header = makeQtChild<HelpTapArea>(HelpTapArea::Look{model.headerFill, {}, {}, 44}, card);
    header->setObjectName(toQString(model.headerIdentifier));
    header->setAccessibleName(toQString(model.header.text));
    header->setMargins(inset, 0, inset, 0, inset);
    header->add(titleBlock(model.header, header), 1);
    header->add(makeQtChild<GlyphView>(Glyph::magnifier, toQColor(model.header.color), 20, header));
    header->finish();
    QObject::connect(header, &QAbstractButton::clicked, header,
                     [perform, action = model.headerAction] {
                         if (perform)
                             perform(action);
                     });
    column->addWidget(header);

    for (const auto& row : model.rows) {
        auto* button = makeQtChild<HelpTapArea>(HelpTapArea::Look{{}, {}, row.rule, 44}, card);
        button->setAccessibleName(toQString(row.title.text));
        button->setMargins(inset, 0, inset + 4, 0, inset);
        button->add(titleBlock(row.title, button), 1);
        button->add(makeQtChild<GlyphView>(Glyph::chevronRight, toQColor(row.chevron), 24, button));
        button->finish();
        QObject::connect(button, &QAbstractButton::clicked, button, [perform, action = row.action] {
            if (perform)
                perform(action);
        });
        column->addWidget(button);
    }
    return card;
}

QWidget* faqCard(const FAQCardModel& model, const HelpActionHandler& perform, QWidget* parent) {
    auto* card = makeQtChild<CardFrame>(model.background, model.border, parent);
    card->setObjectName(toQString(model.identifier));
    card->setAccessibleName(toQString(model.question.text));
    auto* column = stack(card, 0, static_cast<int>(model.spacing));
    const int vertical = static_cast<int>(model.verticalPadding);
    column->setContentsMargins(0, vertical, 0, vertical);
    const int inset = static_cast<int>(model.inset);

    auto* header = makeQtChild<HelpTapArea>(HelpTapArea::Look{}, card);
    header->setObjectName(toQString(model.identifier + ".header"));
    header->setAccessibleName(toQString(model.question.text));
    // A little air above and below, so questions that wrap keep off the card's edges.
    header->setMargins(inset, 6, inset, 6, inset);
    header->add(titleBlock(model.question, header), 1);
    header->add(makeQtChild<GlyphView>(model.open ? Glyph::chevronUp : Glyph::chevronDown,
                                       toQColor(model.chevron), 20, header));
    header->finish();
    QObject::connect(header, &QAbstractButton::clicked, header, [perform, action = model.toggle] {
        if (perform)
            perform(action);
    });
    column->addWidget(header);
    if (model.answer) {
        auto* answer = textBlock(*model.answer, card);
        answer->setObjectName(toQString(model.identifier + ".answer"));
        addInset(column, answer, inset);
    }
    if (model.action)
        addInset(column, helpButton(*model.action, perform, card), inset);
    return card;
}

QWidget* workflowCard(const WorkflowCardModel& model, const HelpActionHandler& perform,
                      bool reduceMotion, double textScale, QWidget* parent) {
    auto* card = makeQtChild<CardFrame>(model.background, model.border, parent);
    card->setObjectName(toQString(model.identifier));
    card->setAccessibleName(toQString(model.title.text));
    auto* column = stack(card, 0, static_cast<int>(model.spacing));
    const int vertical = static_cast<int>(model.verticalPadding);
    column->setContentsMargins(0, vertical, 0, vertical);
    const int inset = static_cast<int>(model.inset);

    auto* header = makeQtChild<HelpTapArea>(HelpTapArea::Look{{}, {}, {}, 56}, card);
    header->setObjectName(toQString(model.identifier + ".header"));
    header->setAccessibleName(toQString(model.title.text));
    header->setMargins(inset, 6, inset, 6, inset);
    auto* texts = makeQtChild<QWidget>(header);
    texts->setAttribute(Qt::WA_TransparentForMouseEvents);
    texts->setSizePolicy(heightForWidthPolicy(QSizePolicy::Expanding));
    auto* titles = stack(texts, 0, 2);
    titles->addWidget(titleBlock(model.title, texts));
    titles->addWidget(titleBlock(model.description, texts));
    header->add(texts, 1);
    header->add(makeQtChild<GlyphView>(model.expanded ? Glyph::chevronUp : Glyph::chevronDown,
                                       toQColor(model.chevron), 20, header));
    header->finish();
    QObject::connect(header, &QAbstractButton::clicked, header, [perform, action = model.start] {
        if (perform)
            perform(action);
    });
    column->addWidget(header);
    if (!model.step)
        return card;

    const auto& step = *model.step;
    auto* body = makeQtChild<QWidget>(card);
    body->setObjectName(toQString(model.identifier + ".step"));
    body->setSizePolicy(heightForWidthPolicy(QSizePolicy::Preferred));
    auto* steps = stack(body, 0, static_cast<int>(model.spacing));
    steps->setContentsMargins(0, 0, 0, static_cast<int>(model.spacing));
    column->addWidget(body);
    if (step.unknownStep) {
        addInset(steps, textBlock(*step.unknownStep, body), inset);
        return card;
    }
    addInset(steps, textBlock(step.prompt, body), inset);
    if (step.detail)
        addInset(steps, textBlock(*step.detail, body), inset);
    if (step.escalation)
        addInset(steps, helpButton(*step.escalation, perform, body), inset);
    if (step.progress) {
        auto* spinner = progress(*step.progress, "velmora.widget.help.host-action-loading",
                                 reduceMotion, textScale, model.chevron, body);
        spinner->setAccessibleName(toQString(*step.progress));
        spinner->setMinimumHeight(44);
        steps->addWidget(spinner, 0, Qt::AlignHCenter);
    }
    for (const auto& option : step.options) {
        addInset(steps, helpButton(option.button, perform, body), inset);
        if (option.failure) {
            auto* failure = textBlock(*option.failure, body);
            failure->setObjectName(toQString(option.button.identifier + ".failure"));
            addInset(steps, failure, inset);
        }
    }
    return card;
}

} // namespace

HelpTapArea::HelpTapArea(const Look& look, QWidget* parent) : QAbstractButton(parent), look_(look) {
    setSizePolicy(heightForWidthPolicy(QSizePolicy::Preferred));
    setMinimumHeight(static_cast<int>(look.minimumHeight));
    auto* row = makeQtChild<QHBoxLayout>(this);
    row->setContentsMargins(0, 0, 0, 0);
}

void HelpTapArea::add(QWidget* child, int stretch) {
    child->setAttribute(Qt::WA_TransparentForMouseEvents);
    static_cast<QHBoxLayout*>(layout())->addWidget(child, stretch, Qt::AlignVCenter);
}

void HelpTapArea::setMargins(int left, int top, int right, int bottom, int spacing) {
    layout()->setContentsMargins(left, top, right, bottom);
    layout()->setSpacing(spacing);
}

void HelpTapArea::finish() {
    updateGeometry();
}

QSize HelpTapArea::sizeHint() const {
    return layout()->sizeHint().expandedTo(QSize(0, static_cast<int>(look_.minimumHeight)));
}

void HelpTapArea::paintEvent(QPaintEvent*) {
    QPainter p(this);
    if (look_.fill)
        p.fillRect(rect(), toQColor(*look_.fill));
    if (isDown())
        p.fillRect(rect(), QColor(127, 127, 127, 30));
    if (look_.border) {
        p.setPen(QPen(toQColor(*look_.border), 1));
        p.drawRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5));
    }
    if (look_.topRule)
        p.fillRect(QRect(0, 0, width(), 1), toQColor(*look_.topRule));
}

// ---- Home screen ----

HomeScreenView::HomeScreenView(QWidget* parent) : QWidget(parent) {
    setSizePolicy(heightForWidthPolicy(QSizePolicy::Preferred));
    auto* column = makeQtChild<QVBoxLayout>(this);
    column->setContentsMargins(0, 0, 0, 0);
}

void HomeScreenView::apply(const HomeScreenModel& model,
                           const std::optional<AvailabilityCardModel>& availability,
                           bool reduceMotion, double textScale) {
    if (body_ && model_ == model && availability_ == availability &&
        reduceMotion_ == reduceMotion && textScale_ == textScale)
        return;
    model_ = model;
    availability_ = availability;
    reduceMotion_ = reduceMotion;
    textScale_ = textScale;
    destroyQtChild(body_);
    body_ = makeQtChild<QWidget>(this);
    body_->setSizePolicy(heightForWidthPolicy(QSizePolicy::Preferred));
    auto* column = stack(body_, 12, 10);
    const auto perform = [this](const HelpAction& action) {
        if (onAction)
            onAction(action);
    };
    if (model.loading) {
        auto* loading = progress(model.loading->text, "velmora.widget.content.loading",
                                 reduceMotion, textScale, model.loading->color, body_);
        column->addSpacing(static_cast<int>(model.loadingPadding));
        column->addWidget(loading, 0, Qt::AlignHCenter);
        column->addSpacing(static_cast<int>(model.loadingPadding));
    }
    if (model.contact)
        column->addWidget(contactCard(*model.contact, perform, body_));
    if (availability)
        column->addWidget(makeQtChild<AvailabilityCardView>(*availability, body_));
    if (model.help)
        column->addWidget(homeHelpCard(*model.help, perform, body_));
    if (model.helpUnavailable) {
        auto* note = makeQtChild<QWidget>(body_);
        note->setObjectName("velmora.widget.help.unavailable");
        note->setAccessibleName(toQString(model.helpUnavailable->text));
        note->setSizePolicy(heightForWidthPolicy(QSizePolicy::Preferred));
        auto* line = makeQtChild<QHBoxLayout>(note);
        line->setContentsMargins(12, 10, 12, 10);
        line->setSpacing(6);
        line->addWidget(
            makeQtChild<GlyphView>(Glyph::info, toQColor(model.helpUnavailable->color), 16, note),
            0, Qt::AlignTop);
        line->addWidget(textBlock(*model.helpUnavailable, note), 1);
        column->addWidget(note);
    }
    if (model.contentError)
        column->addWidget(contentErrorView(*model.contentError, perform, body_));
    column->addStretch(1);
    layout()->addWidget(body_);
    body_->show();
}

// ---- Help screen ----

namespace {

/// The search row's square outline, in the design's border width (none when that is 0).
class SearchRow final : public QWidget {
public:
    explicit SearchRow(QWidget* parent) : QWidget(parent) {}
    void setOutline(VelmoraColor color, double width) {
        color_ = toQColor(color);
        width_ = width;
        update();
    }

protected:
    void paintEvent(QPaintEvent*) override {
        if (width_ <= 0)
            return;
        QPainter p(this);
        p.setPen(QPen(color_, width_));
        const double half = width_ / 2;
        p.drawRect(QRectF(rect()).adjusted(half, half, -half, -half));
    }

private:
    QColor color_;
    double width_ = 0;
};

} // namespace

HelpScreenView::HelpScreenView(QWidget* parent) : QWidget(parent) {
    setSizePolicy(heightForWidthPolicy(QSizePolicy::Preferred));
    column_ = makeQtChild<QVBoxLayout>(this);
    searchRow_ = makeQtChild<SearchRow>(this);
    searchRow_->setMinimumHeight(44);
    field_ = makeQtChild<QLineEdit>(searchRow_);
    field_->setObjectName("velmora.widget.help.search");
    field_->setFrame(false);
    field_->setAttribute(Qt::WA_MacShowFocusRect, false);
    QObject::connect(field_, &QLineEdit::textEdited, this, [this](const QString& text) {
        if (onQueryChanged)
            onQueryChanged(text.toStdString());
    });
    column_->addWidget(searchRow_);
    column_->addStretch(1);
}

void HelpScreenView::apply(const HelpScreenModel& model, const std::string& query,
                           bool reduceMotion, double textScale) {
    // The field follows the controller unless it already shows that text (typing).
    if (field_->text().toStdString() != query)
        field_->setText(toQString(query));
    if (results_ && model_ == model && reduceMotion_ == reduceMotion && textScale_ == textScale)
        return;
    const bool first = !model_;
    model_ = model;
    reduceMotion_ = reduceMotion;
    textScale_ = textScale;

    const int padding = static_cast<int>(model.padding);
    column_->setContentsMargins(padding, padding, padding, padding);
    column_->setSpacing(static_cast<int>(model.spacing));
    if (first) {
        auto* row = makeQtChild<QHBoxLayout>(searchRow_);
        row->addWidget(
            makeQtChild<GlyphView>(Glyph::magnifier, toQColor(model.searchIcon), 20, searchRow_));
        row->addWidget(field_, 1);
    }
    auto* row = static_cast<QHBoxLayout*>(searchRow_->layout());
    const int inset = padding > 0 ? static_cast<int>(model.spacing) : 0;
    row->setContentsMargins(inset, 0, inset, 0);
    row->setSpacing(static_cast<int>(model.smallSpacing));
    static_cast<SearchRow*>(searchRow_)->setOutline(model.searchBorder, model.searchBorderWidth);
    field_->setFont(toQFont(model.fieldFont));
    field_->setAccessibleName(toQString(model.searchLabel));
    field_->setPlaceholderText(model.placeholder ? toQString(model.placeholder->text) : QString());
    QPalette palette = field_->palette();
    palette.setColor(QPalette::Base, Qt::transparent);
    palette.setColor(QPalette::Text, this->palette().color(QPalette::Text));
    if (model.placeholder)
        palette.setColor(QPalette::PlaceholderText, toQColor(model.placeholder->color));
    field_->setPalette(palette);

    destroyQtChild(results_);
    results_ = makeQtChild<QWidget>(this);
    results_->setSizePolicy(heightForWidthPolicy(QSizePolicy::Preferred));
    auto* list = stack(results_, 0, static_cast<int>(model.spacing));
    const auto perform = [this](const HelpAction& action) {
        if (onAction)
            onAction(action);
    };
    switch (model.state) {
    case HelpScreenModel::State::nothing:
        break;
    case HelpScreenModel::State::error:
        list->addWidget(contentErrorView(*model.error, perform, results_));
        break;
    case HelpScreenModel::State::loading:
        list->addWidget(progress(model.loading->text, "velmora.widget.help.loading", reduceMotion,
                                 textScale, model.loading->color, results_),
                        0, Qt::AlignHCenter);
        break;
    case HelpScreenModel::State::empty: {
        auto* empty = textBlock(*model.empty, results_);
        empty->setObjectName("velmora.widget.help.empty");
        auto* line = makeQtChild<QHBoxLayout>();
        line->setContentsMargins(0, padding, 0, padding);
        line->addStretch(1);
        line->addWidget(empty, 0);
        line->addStretch(1);
        empty->setMaximumWidth(empty->naturalWidth(10000) + 1);
        list->addLayout(line);
        break;
    }
    case HelpScreenModel::State::results:
        for (const auto& faq : model.faqs)
            list->addWidget(faqCard(faq, perform, results_));
        for (const auto& workflow : model.workflows)
            list->addWidget(workflowCard(workflow, perform, reduceMotion, textScale, results_));
        break;
    }
    column_->insertWidget(1, results_);
    results_->show();
}

} // namespace velmora::detail
