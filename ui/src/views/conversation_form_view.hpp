#pragma once

#include "platform/redraw_scheduler.hpp"
#include "velmora/ui/observation.hpp"
#include "velmora/ui/platform_settings.hpp"

// moc cannot parse the standard library headers the form types bring in.
#ifndef Q_MOC_RUN
#include "views/conversation_form_model.hpp"
#endif

#include <QWidget>

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
class VelmoraConversationFormView final : public QWidget {
    Q_OBJECT

public:
    VelmoraConversationFormView(VelmoraConversationForm form,
                                std::shared_ptr<ConversationFormService> service,
                                VelmoraWidgetCopy copy, std::string locale, bool reduceMotion,
                                VelmoraWidgetAppearance appearance,
                                std::shared_ptr<VelmoraPlatformSettings> settings,
                                QWidget* parent = nullptr);
    ~VelmoraConversationFormView() override;

    const ConversationFormAnswers& answers() const noexcept { return answers_; }
    const ConversationFormModel& model() const noexcept { return model_; }
    bool validationFailed() const noexcept { return validationFailed_; }
    /// Redraws run so far (a view that rewrote its own editors would never stop).
    int redrawCount() const noexcept { return redraw_.redrawCount(); }
    const std::optional<std::string>& focusedField() const noexcept { return focusedField_; }

    /// The submit button's action: checks the answers with the form contract and hands them to
    /// the controller, or shows the validation message.
    void submit();

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

    ConversationFormAnswers answers_;
    bool validationFailed_ = false;
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
