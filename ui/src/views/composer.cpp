#include "views/composer.hpp"

#include "platform/qt_child.hpp"
#include "platform/qt_conversions.hpp"
#include "views/message_text_view.hpp"
#include "views/panel_buttons.hpp"

#include <QBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QScrollArea>

#include <cmath>

namespace velmora::detail {

namespace {

/// One pending file: a paperclip, the name on one line and a remove button.
class AttachmentChip final : public QWidget {
public:
    AttachmentChip(const AttachmentChipModel& chip, const ComposerModel& model, QWidget* parent)
        : QWidget(parent), fill_(toQColor(model.background)) {
        setObjectName(toQString(chip.identifier));
        setAccessibleName(toQString(chip.fileName));
        auto* row = makeQtChild<QHBoxLayout>(this);
        row->setContentsMargins(8, 0, 0, 0);
        row->setSpacing(4);
        const QFont font = toQFont(model.chipFont);
        auto* clip = makeQtChild<PanelIconButton>(
            PanelIconButton::Look{VelmoraWidgetIconKind::paperclip, 14, model.mutedText,
                                  VelmoraColor::clear(), 0, 1, 16},
            this);
        clip->setEnabled(false);
        clip->setFocusPolicy(Qt::NoFocus);
        row->addWidget(clip);
        auto* name = makeQtChild<QLabel>(toQString(chip.fileName), this);
        name->setFont(font);
        QPalette palette = name->palette();
        palette.setColor(QPalette::WindowText, toQColor(model.text));
        name->setPalette(palette);
        name->setMaximumWidth(180);
        name->setText(QFontMetrics(font).elidedText(name->text(), Qt::ElideMiddle, 180));
        row->addWidget(name);
        remove = makeQtChild<PanelIconButton>(
            PanelIconButton::Look{VelmoraWidgetIconKind::close, 12, model.mutedText,
                                  VelmoraColor::clear(), 0, 1, 44},
            this);
        remove->setObjectName("velmora.widget.pending-attachment.remove");
        remove->setAccessibleName(toQString(chip.removeLabel));
        row->addWidget(remove);
    }
    PanelIconButton* remove = nullptr;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        QPainterPath capsule;
        const double radius = height() / 2.0;
        capsule.addRoundedRect(QRectF(rect()), radius, radius);
        painter.fillPath(capsule, fill_);
    }

private:
    QColor fill_;
};

} // namespace

ComposerView::ComposerView(QWidget* parent) : QWidget(parent) {
    setObjectName("velmora.widget.composer");
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Maximum);
}

void ComposerView::apply(const ComposerModel& model, const std::string& draft,
                         const QFont& inputFont) {
    const bool chipsChanged =
        !built_ || model.chips != model_.chips || model.background != model_.background;
    const bool lookChanged = !built_ || model.accent != model_.accent ||
                             model.text != model_.text || model.chipFont != model_.chipFont;
    model_ = model;
    VelmoraMessageTextView::Options options{model.placeholder, model.text, model.mutedText,
                                            inputFont, model.editable};
    if (!built_) {
        built_ = true;
        auto* column = makeQtChild<QVBoxLayout>(this);
        column->setSpacing(6);
        strip_ = makeQtChild<QScrollArea>(this);
        strip_->setFrameShape(QFrame::NoFrame);
        strip_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        strip_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        strip_->setWidgetResizable(true);
        strip_->viewport()->setAutoFillBackground(false);
        strip_->setFixedHeight(44);
        column->addWidget(strip_);
        inputBlock_ = makeQtChild<QWidget>(this);
        auto* block = makeQtChild<QVBoxLayout>(inputBlock_);
        block->setContentsMargins(0, 0, 0, 0);
        input_ = makeQtChild<VelmoraMessageTextView>(options, inputBlock_);
        input_->onTextChanged = [this](const std::string& text) {
            if (onDraftChanged)
                onDraftChanged(text);
        };
        input_->onFocusChanged = [this](bool focused) {
            if (onFocusChanged)
                onFocusChanged(focused);
        };
        auto* inputRow = makeQtChild<QHBoxLayout>();
        inputRow->addWidget(input_);
        block->addLayout(inputRow);
        auto* buttons = makeQtChild<QHBoxLayout>();
        attach_ = makeQtChild<PanelIconButton>(PanelIconButton::Look{}, inputBlock_);
        attach_->setObjectName("velmora.widget.attachment");
        QObject::connect(attach_, &QAbstractButton::clicked, this, [this] {
            if (onAddAttachment)
                onAddAttachment();
        });
        send_ = makeQtChild<PanelIconButton>(PanelIconButton::Look{}, inputBlock_);
        send_->setObjectName("velmora.widget.send");
        QObject::connect(send_, &QAbstractButton::clicked, this, [this] {
            if (onSend)
                onSend();
        });
        buttons->addWidget(attach_);
        buttons->addStretch(1);
        buttons->addWidget(send_);
        block->addLayout(buttons);
        column->addWidget(inputBlock_);
    } else {
        input_->applyOptions(options);
    }
    auto* column = static_cast<QVBoxLayout*>(layout());
    const int hairline = static_cast<int>(std::ceil(model.hairlineHeight));
    const int h = static_cast<int>(std::round(model.horizontalPadding));
    const int v = static_cast<int>(std::round(model.verticalPadding));
    column->setContentsMargins(h, v + hairline, h, v);
    static_cast<QVBoxLayout*>(inputBlock_->layout())
        ->setSpacing(static_cast<int>(std::round(model.spacing)));
    const int inset = static_cast<int>(std::round(model.inputPadding));
    static_cast<QHBoxLayout*>(inputBlock_->layout()->itemAt(0)->layout())
        ->setContentsMargins(inset, 0, inset, 0);
    input_->setAccessibleName(toQString(model.placeholder));
    input_->setBoundText(draft);
    attach_->setLook({VelmoraWidgetIconKind::paperclip, 21, model.mutedText, VelmoraColor::clear(),
                      0, 1, model.touchTarget});
    attach_->setAccessibleName(toQString(model.attachLabel));
    send_->setLook({VelmoraWidgetIconKind::send, 21, model.onAccent, model.accent,
                    model.controlRadius, model.sendOpacity, model.touchTarget});
    send_->setEnabled(model.canSend);
    send_->setAccessibleName(toQString(model.sendLabel));
    if (chipsChanged || lookChanged)
        rebuildChips();
    update();
}

void ComposerView::rebuildChips() {
    // From the panel's posted redraw: a chip whose remove button was tapped is gone by then.
    destroyQtChild(chips_);
    chips_ = nullptr;
    strip_->setVisible(!model_.chips.empty());
    if (model_.chips.empty())
        return;
    chips_ = makeQtChild<QWidget>();
    chips_->setAutoFillBackground(false);
    auto* row = makeQtChild<QHBoxLayout>(chips_);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(6);
    for (const auto& chip : model_.chips) {
        auto* view = makeQtChild<AttachmentChip>(chip, model_, chips_);
        QObject::connect(view->remove, &QAbstractButton::clicked, this,
                         [this, id = chip.attachmentId] {
                             if (onRemoveAttachment)
                                 onRemoveAttachment(id);
                         });
        row->addWidget(view);
    }
    row->addStretch(1);
    strip_->setWidget(chips_);
}

void ComposerView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), toQColor(model_.background));
    painter.fillRect(QRectF(0, 0, width(), model_.hairlineHeight), toQColor(model_.border));
}

} // namespace velmora::detail
