#pragma once

#include "platform/redraw_scheduler.hpp"
#include "velmora/ui/observation.hpp"
#include "velmora/ui/platform_settings.hpp"

// moc cannot parse the standard library headers the form types bring in.
#ifndef Q_MOC_RUN
#include "views/conversation_form_model.hpp"
#include "views/message_row_state.hpp"
#endif

#include <QWidget>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QVBoxLayout;

namespace velmora::detail {

class ConversationFormService;
class TextBlockView;
class VelmoraStyledButton;
class VelmoraProgressLabel;

/// A conversation form inside a message: while pending, an editor per visible field, the
/// validation message after a refused attempt and the submit button (the busy label while the
/// controller runs an action); once submitted, the submitted note; otherwise the expired note.
///
/// The view owns the answers. Editors are built once, in form order, and shown while their
/// field is visible, so an answer, a search text or a shown month survives a field that comes
/// and goes. Each editor writes only what the user did; the view pushes answers back into the
/// editors only where they differ, so nothing loops and nothing is rewritten behind the user.
///
/// What the user did lives in a `ConversationFormState` that may outlive the view (the
/// transcript keeps it by message id): a new value of the form, a settings change or a
/// reduced-motion flip redraws the editors in place and puts back the answers, the shown months
/// and the search texts.
class VelmoraConversationFormView final : public QWidget {
    Q_OBJECT

public:
    /// `state`: where the user's work is kept (the view keeps its own when null).
    /// `followsSettings` false: the owner calls `settingsChanged()` instead of the view
    /// observing the settings itself.
    struct HandOff {
        std::shared_ptr<ConversationFormState> state;
        bool followsSettings = true;
    };

    VelmoraConversationFormView(VelmoraConversationForm form,
                                std::shared_ptr<ConversationFormService> service,
                                VelmoraWidgetCopy copy, std::string locale, bool reduceMotion,
                                VelmoraWidgetAppearance appearance,
                                std::shared_ptr<VelmoraPlatformSettings> settings,
                                QWidget* parent = nullptr);
    VelmoraConversationFormView(VelmoraConversationForm form,
                                std::shared_ptr<ConversationFormService> service,
                                VelmoraWidgetCopy copy, std::string locale, bool reduceMotion,
                                VelmoraWidgetAppearance appearance,
                                std::shared_ptr<VelmoraPlatformSettings> settings, HandOff handOff,
                                QWidget* parent = nullptr);
    ~VelmoraConversationFormView() override;

    /// A new value of the form (its status, its labels, its prefilled values): the answers
    /// given so far stay.
    void setForm(VelmoraConversationForm form);
    void setReduceMotion(bool reduceMotion);
    /// The platform settings changed (called by the owner when it forwards them).
    void settingsChanged();

    const ConversationFormAnswers& answers() const noexcept { return *state_->answers; }
    const ConversationFormModel& model() const noexcept { return model_; }
    bool validationFailed() const noexcept { return state_->validationFailed; }
    /// Redraws run so far (a view that rewrote its own editors would never stop).
    int redrawCount() const noexcept { return redraw_.redrawCount(); }
    const std::optional<std::string>& focusedField() const noexcept { return focusedField_; }

    /// The submit button's action: checks the answers with the form contract and hands them to
    /// the controller, or shows the validation message.
    void submit();

    /// After a redraw that may have changed the view's height (a field shown or hidden, the
    /// validation line, the busy label): the owner places it again.
    std::function<void()> onLayoutChanged;

    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Editor {
        VelmoraConversationFormField field;
        FormEditorKind kind = FormEditorKind::text;
        QWidget* widget = nullptr;
        /// The text editor's or select's control inside `widget`.
        QWidget* control = nullptr;
        /// What the control shows, as last written to or read from it.
        std::string shown;
    };

    void build();
    /// Writes the editors' own state (shown month, search text) into the kept state.
    void saveEditorState();
    void buildEditor(Editor& editor);
    void redraw();
    void syncEditors();
    void setText(const std::string& id, std::string text);
    void releaseFocus();

    VelmoraConversationForm form_;
    std::shared_ptr<ConversationFormService> service_;
    VelmoraWidgetCopy copy_;
    std::string locale_;
    bool reduceMotion_;
    VelmoraWidgetAppearance appearance_;
    std::shared_ptr<VelmoraPlatformSettings> settings_;

    std::shared_ptr<ConversationFormState> state_;
    std::optional<std::string> focusedField_;
    ConversationFormModel model_;

    QVBoxLayout* stack_ = nullptr;
    std::vector<Editor> editors_;
    TextBlockView* validation_ = nullptr;
    VelmoraStyledButton* submit_ = nullptr;
    VelmoraProgressLabel* progress_ = nullptr;

    VelmoraObservation busyObservation_;
    VelmoraPlatformSettings::Subscription settingsSubscription_;
    std::shared_ptr<void> dismissKeyboard_;
    RedrawScheduler redraw_;
};

} // namespace velmora::detail
