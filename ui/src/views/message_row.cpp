#include "views/message_row.hpp"
#include "platform/qt_child.hpp"

#include "platform/qt_conversions.hpp"
#include "platform/size_policy.hpp"
#include "views/commerce_message_view.hpp"
#include "views/content_symbol.hpp"
#include "views/conversation_form_view.hpp"
#include "views/message_attachment_view.hpp"
#include "views/text_block_view.hpp"
#include "views/widget_view_model.hpp"

#include <QEvent>
#include <QHBoxLayout>

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <QPointer>

#include <algorithm>
#include <cmath>

namespace velmora::detail {

namespace {
double fontLineHeight(const VelmoraFontSpec& spec) {
    return QFontMetricsF(toQFont(spec)).height();
}

int attachedHeight(const QWidget* view, int width) {
    return view->hasHeightForWidth() ? view->heightForWidth(width) : view->sizeHint().height();
}
} // namespace

VelmoraWidgetMessageRow::VelmoraWidgetMessageRow(
    VelmoraMessage message, VelmoraWidgetAppearance appearance, VelmoraWidgetCopy copy,
    std::shared_ptr<MessageRowAttachmentService> attachments, std::string locale, bool reduceMotion,
    std::shared_ptr<VelmoraPlatformSettings> settings, std::shared_ptr<AttachmentExporter> exporter,
    std::shared_ptr<ConversationFormService> forms, QWidget* parent)
    : VelmoraWidgetMessageRow(
          std::move(message), std::move(appearance), std::move(copy), std::move(attachments),
          std::move(locale), reduceMotion, std::move(settings),
          HandOff{std::move(exporter), std::move(forms), nullptr, true}, parent) {}

VelmoraWidgetMessageRow::VelmoraWidgetMessageRow(
    VelmoraMessage message, VelmoraWidgetAppearance appearance, VelmoraWidgetCopy copy,
    std::shared_ptr<MessageRowAttachmentService> attachments, std::string locale, bool reduceMotion,
    std::shared_ptr<VelmoraPlatformSettings> settings, HandOff handOff, QWidget* parent)
    : QWidget(parent), message_(std::move(message)), appearance_(std::move(appearance)),
      copy_(std::move(copy)), attachments_(std::move(attachments)), locale_(std::move(locale)),
      reduceMotion_(reduceMotion), settings_(std::move(settings)),
      exporter_(handOff.exporter ? std::move(handOff.exporter) : makeFileDialogExporter()),
      forms_(std::move(handOff.forms)), followsSettings_(handOff.followsSettings),
      state_(handOff.state ? std::move(handOff.state) : std::make_shared<MessageRowState>()),
      redraw_(this, [this] { rebuild(); }) {
    setSizePolicy(heightForWidthPolicy(QSizePolicy::Preferred));
    state_->row = this;
    if (settings_ && followsSettings_)
        settingsSubscription_ = settings_->observe([this] { redraw_.request(); });
    rebuild();
}

void VelmoraWidgetMessageRow::setMessage(VelmoraMessage message) {
    if (message == message_)
        return;
    message_ = std::move(message);
    rebuild();
}

void VelmoraWidgetMessageRow::setReduceMotion(bool reduceMotion) {
    if (reduceMotion == reduceMotion_)
        return;
    reduceMotion_ = reduceMotion;
    rebuild();
}

void VelmoraWidgetMessageRow::settingsChanged() {
    if (attachedKind_ == AttachedContentKind::form && attached_)
        static_cast<VelmoraConversationFormView*>(attached_)->settingsChanged();
    rebuild();
}

VelmoraWidgetMessageRow::~VelmoraWidgetMessageRow() = default;

MessageRowContext VelmoraWidgetMessageRow::context() const {
    MessageRowContext context;
    context.locale = locale_;
    context.reduceMotion = reduceMotion_;
    if (settings_)
        context.platform = settings_->values();
    context.hasController = attachments_ != nullptr;
    if (attachments_)
        context.canDownload = [service = attachments_](const VelmoraAttachment& attachment) {
            return service->canDownloadAttachment(attachment);
        };
    context.downloadingAttachmentId = state_->downloadingAttachmentId;
    context.fontLineHeight = fontLineHeight;
    return context;
}

void VelmoraWidgetMessageRow::rebuild() {
    model_ = messageRowModel(message_, appearance_, copy_, context());
    // Runs from the constructor, a posted redraw or the owner's update, never inside a child's
    // own handler. The bubble and a form stay (the form keeps the keyboard and its editors);
    // the rest is drawn afresh.
    if (!bubble_) {
        bubble_ = detail::makeQtChild<QWidget>(this);
        bubble_->installEventFilter(this);
    }
    bubble_->setObjectName(toQString(model_.bubbleIdentifier));
    if (attachedKind_ != AttachedContentKind::form)
        detail::destroyQtChild(attached_);
    detail::destroyQtChild(tag_);
    detail::destroyQtChild(body_);
    for (auto* view : attachmentViews_)
        detail::destroyQtChild(view);
    attachmentViews_.clear();
    if (model_.authorTag) {
        tag_ = detail::makeQtChild<TextBlockView>(bubble_);
        tag_->setObjectName(toQString(model_.authorTag->identifier));
        tag_->apply(toQString(model_.authorTag->text), toQFont(model_.authorTag->font),
                    toQColor(model_.authorTag->color), model_.authorTag->lineSpacing);
    }
    if (model_.body) {
        body_ = detail::makeQtChild<TextBlockView>(bubble_);
        body_->apply(toQString(model_.body->text), toQFont(model_.body->font),
                     toQColor(model_.body->color), model_.body->lineSpacing);
    }
    buildAttachedContent();
    for (const auto& item : model_.attachments) {
        auto* view = detail::makeQtChild<MessageAttachmentView>(item, bubble_);
        if (item.content != AttachmentContent::label) {
            QObject::connect(view, &QAbstractButton::clicked, this,
                             [this, attachment = item.attachment] { download(attachment); });
        }
        attachmentViews_.push_back(view);
    }
    layoutChildren();
    // What was made just now is not shown yet when the bubble already is.
    for (auto* child : bubble_->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
        child->show();
    bubble_->show();
    sizeChanged();
    update();
}

void VelmoraWidgetMessageRow::buildAttachedContent() {
    const auto content = attachedContent(message_, forms_ != nullptr);
    const auto platform = settings_ ? settings_->values() : VelmoraPlatformSettingsValues{};
    const bool reduceMotion = reduceMotion_ || platform.reduceMotion;
    if (content.kind == AttachedContentKind::form && attached_) {
        // The same form view takes the message's new form: the user's answers stay.
        auto* form = static_cast<VelmoraConversationFormView*>(attached_);
        form->setForm(*content.form);
        form->setReduceMotion(reduceMotion);
        return;
    }
    if (attached_ && attachedKind_ == AttachedContentKind::form)
        detail::destroyQtChild(attached_); // the message no longer carries a form
    attachedKind_ = content.kind;
    attachedShown_ = content.kind != AttachedContentKind::none;
    const auto& palette = model_.dark ? appearance_.dark : appearance_.light;
    switch (content.kind) {
    case AttachedContentKind::none:
        return;
    case AttachedContentKind::form:
        attached_ = detail::makeQtChild<VelmoraConversationFormView>(
            *content.form, forms_, copy_, locale_, reduceMotion, appearance_, settings_,
            VelmoraConversationFormView::HandOff{
                std::shared_ptr<ConversationFormState>(state_, &state_->form), followsSettings_},
            bubble_);
        static_cast<VelmoraConversationFormView*>(attached_)->onLayoutChanged = [this] {
            layoutChildren();
            sizeChanged();
        };
        break;
    case AttachedContentKind::commerce: {
        CommerceTextContext commerce{.locale = locale_,
                                     .copy = copy_,
                                     .primary = model_.body ? model_.body->color
                                                            : colorFromHex(palette.text),
                                     .textScale = platform.textScale,
                                     .timeZoneId = std::nullopt};
        auto* view = detail::makeQtChild<VelmoraCommerceMessageView>(*message_.commerceResult,
                                                                     commerce, bubble_);
        // A result that does not parse draws nothing and takes no room.
        attachedShown_ = !view->model().blocks.empty();
        attached_ = view;
        break;
    }
    case AttachedContentKind::chatOnlyNote: {
        const QString text = toQString(copyText(copy_, {"status.chatOnly"}));
        const QColor muted = toQColor(colorFromHex(palette.mutedText));
        auto* note = detail::makeQtChild<QWidget>(bubble_);
        note->setObjectName("velmora.widget.chat-only");
        note->setAccessibleName(text);
        auto* line = detail::makeQtChild<QHBoxLayout>(note);
        line->setContentsMargins(0, 0, 0, 0);
        line->setSpacing(6);
        const QFont font =
            toQFont(systemFontSpec(VelmoraTextStyle::footnote, std::nullopt, platform.textScale));
        const int symbol = QFontMetrics(font).height();
        line->addWidget(detail::makeQtChild<ContentSymbolView>(ContentSymbol::infoCircle,
                                                               symbol * 0.85, QSize(symbol, symbol),
                                                               muted, note),
                        0, Qt::AlignTop);
        auto* label = detail::makeQtChild<TextBlockView>(note);
        label->apply(text, font, muted, 0);
        line->addWidget(label, 1);
        QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Preferred);
        policy.setHeightForWidth(true);
        note->setSizePolicy(policy);
        attached_ = note;
        break;
    }
    }
    attached_->installEventFilter(this);
}

bool VelmoraWidgetMessageRow::eventFilter(QObject* watched, QEvent* event) {
    // The attached content grew or shrank (a field appeared, the month changed): make room.
    // A child's updateGeometry() reaches the bubble, which has no layout of its own.
    if ((watched == attached_ || watched == bubble_) && event->type() == QEvent::LayoutRequest) {
        layoutChildren();
        sizeChanged();
    }
    return QWidget::eventFilter(watched, event);
}

void VelmoraWidgetMessageRow::sizeChanged() {
    updateGeometry();
    if (onSizeChanged)
        onSizeChanged();
}

void VelmoraWidgetMessageRow::download(const VelmoraAttachment& attachment) {
    if (!attachment.id || !attachments_ || state_->downloadingAttachmentId)
        return;
    state_->downloadingAttachmentId = *attachment.id;
    redraw_.request();
    // The download belongs to the message, not to this widget: it ends in whichever row draws
    // the message by then, or in the transcript while none is built. Once the message itself
    // is gone (its state dropped) the result is dropped too.
    const std::weak_ptr<MessageRowState> weak = state_;
    const std::string fileName = attachmentExportFileName(attachment);
    attachments_->downloadAttachment(
        attachment, [weak, fileName, exporter = exporter_](std::optional<Data> bytes) {
            const auto state = weak.lock();
            if (!state)
                return;
            state->downloadingAttachmentId.reset();
            QWidget* parent =
                state->row ? static_cast<QWidget*>(state->row.data()) : state->host.data();
            if (state->row)
                state->row->redraw_.request();
            if (!bytes || !parent)
                return;
            exporter->exportDocument(parent, VelmoraAttachmentDocument{std::move(*bytes), fileName},
                                     [] {});
        });
}

QSize VelmoraWidgetMessageRow::bubbleSize(int rowWidth) const {
    const double padding = model_.horizontalPadding;
    const int maxContent = std::max(1, static_cast<int>(std::floor(rowWidth - 2 * padding)));
    int content = 0;
    if (tag_)
        content = std::max(content, tag_->naturalWidth(maxContent));
    if (body_)
        content = std::max(content, body_->naturalWidth(maxContent));
    for (auto* view : attachmentViews_)
        content = std::max(content, std::min(maxContent, view->naturalWidth(maxContent)));
    // Forms and order details take the whole bubble width they are offered.
    QWidget* attached = attachedContentView();
    if (attached)
        content = maxContent;
    double height = 0;
    int items = 0;
    const auto add = [&](int h) {
        height += h + (items > 0 ? model_.spacing : 0);
        ++items;
    };
    if (tag_)
        add(tag_->heightForWidth(content));
    if (body_)
        add(body_->heightForWidth(content));
    if (attached)
        add(attachedHeight(attached, content));
    for (auto* view : attachmentViews_)
        add(view->heightForWidth(content));
    return {static_cast<int>(std::ceil(content + 2 * padding)),
            static_cast<int>(std::ceil(height + 2 * model_.verticalPadding))};
}

QRect VelmoraWidgetMessageRow::bubbleRect() const {
    const QSize size = bubbleSize(width());
    // Trailing is right in a left-to-right interface, left in a right-to-left one.
    const bool atRight = model_.trailing != (layoutDirection() == Qt::RightToLeft);
    return QRect(atRight ? width() - size.width() : 0, 0, size.width(), size.height());
}

void VelmoraWidgetMessageRow::layoutChildren() {
    if (!bubble_)
        return;
    const QRect bubble = bubbleRect();
    bubble_->setGeometry(bubble);
    const int x = static_cast<int>(std::round(model_.horizontalPadding));
    const int contentWidth = std::max(0, bubble.width() - 2 * x);
    double y = model_.verticalPadding;
    const auto place = [&](QWidget* child, int height) {
        child->setGeometry(x, static_cast<int>(std::round(y)), contentWidth, height);
        y += height + model_.spacing;
    };
    if (tag_)
        place(tag_, tag_->heightForWidth(contentWidth));
    if (body_)
        place(body_, body_->heightForWidth(contentWidth));
    if (QWidget* attached = attachedContentView())
        place(attached, attachedHeight(attached, contentWidth));
    for (auto* view : attachmentViews_)
        place(view, view->heightForWidth(contentWidth));
}

int VelmoraWidgetMessageRow::heightForWidth(int width) const {
    return bubbleSize(width).height();
}

QSize VelmoraWidgetMessageRow::sizeHint() const {
    const int width = this->width() > 0 ? this->width() : 360;
    return {width, heightForWidth(width)};
}

void VelmoraWidgetMessageRow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    layoutChildren();
}

void VelmoraWidgetMessageRow::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF bubble = QRectF(bubbleRect());
    QPainterPath shape;
    shape.addRoundedRect(bubble, model_.cornerRadius, model_.cornerRadius);
    painter.fillPath(shape, toQColor(model_.bubbleBackground));
    if (model_.bubbleOverlay.alpha > 0)
        painter.fillPath(shape, toQColor(model_.bubbleOverlay));
    if (model_.bubbleBorder.alpha > 0 && model_.bubbleBorderWidth > 0) {
        // Kept inside the bubble, so the edge of the row never cuts it.
        const double half = model_.bubbleBorderWidth / 2;
        QPainterPath edge;
        edge.addRoundedRect(bubble.adjusted(half, half, -half, -half), model_.cornerRadius,
                            model_.cornerRadius);
        QPen pen(toQColor(model_.bubbleBorder), model_.bubbleBorderWidth, Qt::SolidLine,
                 Qt::FlatCap, Qt::MiterJoin);
        painter.strokePath(edge, pen);
    }
}

} // namespace velmora::detail
