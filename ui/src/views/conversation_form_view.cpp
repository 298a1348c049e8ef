#include "views/conversation_form_view.hpp"

#include "platform/qt_child.hpp"
#include "platform/qt_conversions.hpp"
#include "views/bounded_text_view.hpp"
#include "views/dismiss_keyboard.hpp"
#include "views/form_date_field.hpp"
#include "views/form_multi_select.hpp"
#include "views/form_submission.hpp"
#include "views/progress_label.hpp"
#include "views/styled_button.hpp"
#include "views/text_block_view.hpp"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QLineEdit>
#include <QPainter>
#include <QVBoxLayout>

#include <algorithm>

namespace velmora::detail {

namespace {

const std::string& textOf(const ConversationFormAnswers& answers, const std::string& id) {
    static const std::string empty;
    const auto found = answers.values.find(id);
    return found == answers.values.end() ? empty : found->second;
}

std::set<std::string> selectionOf(const ConversationFormAnswers& answers, const std::string& id) {
    const auto found = answers.selectedValues.find(id);
    return found == answers.selectedValues.end() ? std::set<std::string>{} : found->second;
}

// The index of `text` among the options, or -1: an answer that is no option selects nothing.
int optionIndex(const VelmoraConversationFormField& field, const std::string& text) {
    const auto found = std::find(field.options.begin(), field.options.end(), text);
    return found == field.options.end() ? -1 : static_cast<int>(found - field.options.begin());
}

void setTextColor(QWidget* widget, const QColor& color) {
    QPalette palette = widget->palette();
    for (const auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        palette.setColor(role, color);
    widget->setPalette(palette);
}

} // namespace

VelmoraConversationFormView::VelmoraConversationFormView(
    VelmoraConversationForm form, std::shared_ptr<ConversationFormService> service,
    VelmoraWidgetCopy copy, std::string locale, bool reduceMotion,
    VelmoraWidgetAppearance appearance, std::shared_ptr<VelmoraPlatformSettings> settings,
    QWidget* parent)
    : VelmoraConversationFormView(std::move(form), std::move(service), std::move(copy),
                                  std::move(locale), reduceMotion, std::move(appearance),
                                  std::move(settings), HandOff{}, parent) {}

VelmoraConversationFormView::VelmoraConversationFormView(
    VelmoraConversationForm form, std::shared_ptr<ConversationFormService> service,
    VelmoraWidgetCopy copy, std::string locale, bool reduceMotion,
    VelmoraWidgetAppearance appearance, std::shared_ptr<VelmoraPlatformSettings> settings,
    HandOff handOff, QWidget* parent)
    : QWidget(parent), form_(std::move(form)), service_(std::move(service)), copy_(std::move(copy)),
      locale_(std::move(locale)), reduceMotion_(reduceMotion), appearance_(std::move(appearance)),
      settings_(std::move(settings)),
      state_(handOff.state ? std::move(handOff.state) : std::make_shared<ConversationFormState>()),
      redraw_(this, [this] { redraw(); }) {
    // Seeded once per message: later values of the form never overwrite the user's answers.
    if (!state_->answers)
        state_->answers = seedAnswers(form_);
    setObjectName("velmora.widget.form");
    QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
    stack_ = makeQtChild<QVBoxLayout>(this);
    stack_->setContentsMargins(12, 12, 12, 12);
    stack_->setSpacing(8);
    if (service_)
        busyObservation_ = service_->observeActionInFlight([this] { redraw_.request(); });
    if (settings_ && handOff.followsSettings)
        settingsSubscription_ = settings_->observe([this] { build(); });
    dismissKeyboard_ = DismissKeyboardNotification::observe([this] { releaseFocus(); });
    build();
}

VelmoraConversationFormView::~VelmoraConversationFormView() {
    // The editors are still alive here; they go with the QWidget base.
    saveEditorState();
}

void VelmoraConversationFormView::setForm(VelmoraConversationForm form) {
    if (form == form_)
        return;
    form_ = std::move(form);
    build();
}

void VelmoraConversationFormView::setReduceMotion(bool reduceMotion) {
    if (reduceMotion == reduceMotion_)
        return;
    reduceMotion_ = reduceMotion;
    build();
}

void VelmoraConversationFormView::settingsChanged() {
    build();
}

void VelmoraConversationFormView::saveEditorState() {
    for (const auto& editor : editors_) {
        const auto& id = editor.field.id;
        if (editor.kind == FormEditorKind::date)
            state_->shownMonths.insert_or_assign(
                id, static_cast<VelmoraFormDateFieldView*>(editor.widget)->visibleMonth());
        else if (editor.kind == FormEditorKind::multiSelect)
            if (auto* search =
                    static_cast<VelmoraFormMultiSelectView*>(editor.widget)->searchField())
                state_->searchTexts.insert_or_assign(id, search->text().toStdString());
    }
}

void VelmoraConversationFormView::build() {
    saveEditorState();
    // The field being typed in keeps the keyboard across the redraw.
    std::optional<std::string> focused;
    if (QWidget* widget = focusWidget(); widget && isAncestorOf(widget))
        for (const auto& editor : editors_)
            if (editor.control == widget)
                focused = editor.field.id;
    const auto platform = settings_ ? settings_->values() : VelmoraPlatformSettingsValues{};
    model_ = conversationFormModel(form_, answers(), state_->validationFailed,
                                   service_ && service_->isActionInFlight(), copy_, appearance_,
                                   platform);
    // Children go with their editors; answers stay with the view.
    while (auto* item = stack_->takeAt(0)) {
        QWidget* widget = item->widget();
        std::unique_ptr<QLayoutItem> owned(item);
        detail::destroyQtChild(widget);
    }
    editors_.clear();
    validation_ = nullptr;
    submit_ = nullptr;
    progress_ = nullptr;

    const QColor text = toQColor(model_.text);
    setFont(toQFont(model_.font));
    setTextColor(this, text);
    {
        // Fields, pickers and check boxes sit on the palette's surfaces, so typed text in the
        // palette's text colour stays readable in the dark palette too.
        const auto& colors = model_.dark ? appearance_.dark : appearance_.light;
        QPalette palette = this->palette();
        palette.setColor(QPalette::Base, toQColor(colorFromHex(colors.surface)));
        palette.setColor(QPalette::Button, toQColor(colorFromHex(colors.raisedSurface)));
        palette.setColor(QPalette::Window, toQColor(colorFromHex(colors.raisedSurface)));
        palette.setColor(QPalette::PlaceholderText, toQColor(model_.mutedText));
        palette.setColor(QPalette::Highlight, toQColor(colorFromHex(colors.accent)));
        palette.setColor(QPalette::HighlightedText, toQColor(colorFromHex(colors.onAccent)));
        setPalette(palette);
    }

    if (!model_.title.empty()) {
        auto* title = makeQtChild<TextBlockView>(this);
        title->setObjectName("velmora.widget.form.title");
        title->apply(boundedText(model_.title, text_bounds::labelCharacters),
                     toQFont(model_.titleFont), text, 0);
        title->setAccessibleName(toQString(model_.title));
        stack_->addWidget(title);
    }
    if (model_.status != FormStatusDisplay::pending) {
        auto* note = makeQtChild<TextBlockView>(this);
        note->setObjectName(toQString(model_.statusIdentifier));
        note->apply(toQString(model_.statusText), toQFont(model_.font), text, 0);
        stack_->addWidget(note);
        updateGeometry();
        update();
        return;
    }
    for (const auto& field : form_.fields)
        editors_.push_back({field, formEditorKind(field.type), nullptr, nullptr, {}});
    for (auto& editor : editors_)
        buildEditor(editor);

    validation_ = makeQtChild<TextBlockView>(this);
    validation_->setObjectName("velmora.widget.form.validation");
    stack_->addWidget(validation_);
    submit_ = makeQtChild<VelmoraStyledButton>(
        boundedText(model_.submitLabel, text_bounds::labelCharacters),
        ButtonStyle(model_.submitStyle), this);
    submit_->setObjectName("velmora.widget.form.submit");
    submit_->setAccessibleName(toQString(model_.submitLabel));
    connect(submit_, &QAbstractButton::clicked, this, [this] { submit(); });
    stack_->addWidget(submit_);
    auto progress = progressLabelModel(model_.workingText, reduceMotion_, platform.textScale);
    progress_ = makeQtChild<VelmoraProgressLabel>(progress, this);
    progress_->setColor(text);
    stack_->addWidget(progress_, 0, Qt::AlignLeading);
    redraw();
    if (focused)
        for (const auto& editor : editors_)
            if (editor.field.id == *focused && editor.control) {
                editor.control->setFocus();
                break;
            }
}

void VelmoraConversationFormView::buildEditor(Editor& editor) {
    const auto& field = editor.field;
    const QColor text = toQColor(model_.text);
    const double scale = settings_ ? settings_->values().textScale : 1.0;
    const auto label = [&](QVBoxLayout* column, QWidget* owner) {
        auto* view = makeQtChild<TextBlockView>(owner);
        view->apply(boundedText(field.name, text_bounds::labelCharacters) +
                        (field.required ? " *" : ""),
                    toQFont(model_.labelFont), toQColor(model_.mutedText), model_.labelLineSpacing);
        view->setAccessibleName(toQString(field.name + (field.required ? " *" : "")));
        column->addWidget(view);
    };
    const QString identifier = toQString("velmora.widget.form.field." + field.id);
    const QString accessibleName = toQString(field.name + (field.required ? " *" : ""));

    switch (editor.kind) {
    case FormEditorKind::toggle: {
        auto* toggle =
            makeQtChild<QCheckBox>(boundedText(field.name, text_bounds::labelCharacters), this);
        // A long name is cut at the form's edge instead of widening the form.
        toggle->setSizePolicy(QSizePolicy::Ignored, toggle->sizePolicy().verticalPolicy());
        toggle->setAccessibleName(toQString(field.name));
        // Only the user's own clicks write: a programmatic check is never stored back.
        connect(toggle, &QAbstractButton::clicked, this,
                [this, id = field.id](bool on) { setText(id, on ? "true" : "false"); });
        editor.widget = editor.control = toggle;
        break;
    }
    case FormEditorKind::select: {
        auto* column = makeQtChild<QWidget>(this);
        auto* stack = makeQtChild<QVBoxLayout>(column);
        stack->setContentsMargins(0, 0, 0, 0);
        stack->setSpacing(6);
        label(stack, column);
        auto* picker = makeQtChild<QComboBox>(column);
        picker->setObjectName(identifier);
        picker->setAccessibleName(accessibleName);
        picker->setMinimumHeight(44);
        // Long options and names are cut inside the picker, never widening the form.
        picker->setSizePolicy(QSizePolicy::Ignored, picker->sizePolicy().verticalPolicy());
        // With a placeholder the picker may show no entry at all, which is how an unanswered
        // field looks: it never picks its first entry on its own.
        picker->setPlaceholderText(boundedText(field.name, text_bounds::labelCharacters));
        for (const auto& option : field.options)
            picker->addItem(boundedText(option, text_bounds::labelCharacters));
        picker->setCurrentIndex(optionIndex(field, textOf(answers(), field.id)));
        // `activated` comes from the user only; index changes made here are not answers.
        connect(picker, &QComboBox::activated, this, [this, id = field.id, field](int index) {
            if (index >= 0 && index < static_cast<int>(field.options.size()))
                setText(id, field.options[static_cast<std::size_t>(index)]);
        });
        stack->addWidget(picker);
        editor.widget = column;
        editor.control = picker;
        break;
    }
    case FormEditorKind::multiSelect: {
        auto* view = makeQtChild<VelmoraFormMultiSelectView>(
            field.options, field.name, locale_, selectionOf(answers(), field.id), this);
        view->setObjectName(identifier);
        setTextColor(view, text);
        if (const auto kept = state_->searchTexts.find(field.id);
            kept != state_->searchTexts.end() && view->searchField())
            view->searchField()->setText(toQString(kept->second));
        view->onSelectionChanged = [this, id = field.id](const std::set<std::string>& chosen) {
            state_->answers->selectedValues[id] = chosen;
            redraw_.request();
        };
        editor.widget = view;
        break;
    }
    case FormEditorKind::date: {
        auto* view = makeQtChild<VelmoraFormDateFieldView>(field.id, textOf(answers(), field.id),
                                                           locale_, text, scale, this);
        if (const auto kept = state_->shownMonths.find(field.id); kept != state_->shownMonths.end())
            view->showMonth(kept->second);
        view->onValueChanged = [this, id = field.id](const std::string& iso) { setText(id, iso); };
        editor.widget = view;
        break;
    }
    case FormEditorKind::text: {
        auto* column = makeQtChild<QWidget>(this);
        auto* stack = makeQtChild<QVBoxLayout>(column);
        stack->setContentsMargins(0, 0, 0, 0);
        stack->setSpacing(6);
        label(stack, column);
        auto* input = makeQtChild<QLineEdit>(column);
        input->setObjectName(identifier);
        input->setAccessibleName(accessibleName);
        input->setMinimumHeight(44);
        if (field.type == "email")
            input->setInputMethodHints(Qt::ImhEmailCharactersOnly | Qt::ImhNoAutoUppercase |
                                       Qt::ImhNoPredictiveText);
        else if (field.type == "number")
            input->setInputMethodHints(Qt::ImhFormattedNumbersOnly);
        editor.shown = textOf(answers(), field.id);
        input->setText(toQString(editor.shown));
        input->installEventFilter(this);
        // `textEdited` is the user's typing only: what the view sets is never read back, so an
        // answer is stored exactly as typed and pushing it into the field cannot loop.
        connect(input, &QLineEdit::textEdited, this,
                [this, index = static_cast<std::size_t>(&editor - editors_.data())](
                    const QString& typed) {
                    auto& self = editors_[index];
                    self.shown = typed.toStdString();
                    setText(self.field.id, self.shown);
                });
        stack->addWidget(input);
        editor.widget = column;
        editor.control = input;
        break;
    }
    }
    stack_->addWidget(editor.widget);
}

void VelmoraConversationFormView::setText(const std::string& id, std::string text) {
    state_->answers->values[id] = std::move(text);
    redraw_.request();
}

void VelmoraConversationFormView::syncEditors() {
    for (auto& editor : editors_) {
        const auto& id = editor.field.id;
        switch (editor.kind) {
        case FormEditorKind::toggle:
            static_cast<QCheckBox*>(editor.control)->setChecked(textOf(answers(), id) == "true");
            break;
        case FormEditorKind::select: {
            auto* picker = static_cast<QComboBox*>(editor.control);
            const int index = optionIndex(editor.field, textOf(answers(), id));
            if (picker->currentIndex() != index)
                picker->setCurrentIndex(index);
            break;
        }
        case FormEditorKind::multiSelect:
            static_cast<VelmoraFormMultiSelectView*>(editor.widget)
                ->setSelection(selectionOf(answers(), id));
            break;
        case FormEditorKind::date:
            static_cast<VelmoraFormDateFieldView*>(editor.widget)->setValue(textOf(answers(), id));
            break;
        case FormEditorKind::text: {
            // Another field with the same id changed the shared answer.
            const auto& answer = textOf(answers(), id);
            if (answer != editor.shown) {
                editor.shown = answer;
                static_cast<QLineEdit*>(editor.control)->setText(toQString(answer));
            }
            break;
        }
        }
    }
}

void VelmoraConversationFormView::redraw() {
    if (model_.status != FormStatusDisplay::pending)
        return;
    const auto platform = settings_ ? settings_->values() : VelmoraPlatformSettingsValues{};
    model_ = conversationFormModel(form_, answers(), state_->validationFailed,
                                   service_ && service_->isActionInFlight(), copy_, appearance_,
                                   platform);
    syncEditors();
    for (std::size_t index = 0; index < editors_.size(); ++index) {
        // Fields with one id are all shown or hidden together, as the contract sees them.
        const auto& id = editors_[index].field.id;
        const bool visible = std::any_of(model_.fields.begin(), model_.fields.end(),
                                         [&](const auto& shown) { return shown.field.id == id; });
        editors_[index].widget->setVisible(visible);
    }
    validation_->setVisible(model_.validationMessage.has_value());
    if (model_.validationMessage)
        validation_->apply(toQString(*model_.validationMessage), toQFont(model_.font),
                           toQColor(model_.mutedText), 0);
    submit_->setVisible(!model_.busy);
    submit_->setEnabled(model_.submitEnabled);
    progress_->setVisible(model_.busy);
    updateGeometry();
    update();
    if (onLayoutChanged && height() != heightForWidth(width()))
        onLayoutChanged();
}

void VelmoraConversationFormView::submit() {
    releaseFocus();
    if (!model_.submitEnabled)
        return;
    const auto values = formSubmissionValues(form_, answers());
    state_->validationFailed = !values.has_value();
    if (values && service_)
        service_->submitForm(form_, *values);
    redraw_.request();
}

void VelmoraConversationFormView::releaseFocus() {
    focusedField_.reset();
    if (QWidget* focused = focusWidget(); focused && isAncestorOf(focused))
        focused->clearFocus();
}

bool VelmoraConversationFormView::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusIn)
        for (const auto& editor : editors_)
            if (editor.control == watched)
                focusedField_ = editor.field.id;
    return QWidget::eventFilter(watched, event);
}

int VelmoraConversationFormView::heightForWidth(int width) const {
    return stack_->totalHeightForWidth(width);
}

void VelmoraConversationFormView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), toQColor(model_.background));
    painter.setPen(QPen(toQColor(model_.border), 1));
    painter.drawRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5));
}

} // namespace velmora::detail
