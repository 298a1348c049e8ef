#include "velmora/ui/widget_view.hpp"

#include "platform/qt_child.hpp"
#include "platform/qt_conversions.hpp"
#include "platform/redraw_scheduler.hpp"
#include "views/availability_model.hpp"
#include "views/composer.hpp"
#include "views/composer_model.hpp"
#include "views/dismiss_keyboard.hpp"
#include "views/error_row_model.hpp"
#include "views/help_content_model.hpp"
#include "views/help_views.hpp"
#include "views/message_text_view.hpp"
#include "views/panel_header.hpp"
#include "views/progress_label.hpp"
#include "views/tab_bar.hpp"
#include "views/transcript.hpp"
#include "views/transcript_rows.hpp"
#include "views/widget_view_model.hpp"

#include <QBoxLayout>
#include <QFileDialog>
#include <QGraphicsOpacityEffect>
#include <QPainter>
#include <QPropertyAnimation>
#include <QScrollArea>
#include <QShowEvent>
#include <QStackedWidget>

#include <stdexcept>

namespace velmora {

using namespace detail;

namespace {

/// A scrolling page holding one vertical stack.
class ScreenPage final : public QScrollArea {
public:
    explicit ScreenPage(const char* identifier, QWidget* parent = nullptr) : QScrollArea(parent) {
        setObjectName(identifier);
        setFrameShape(QFrame::NoFrame);
        setWidgetResizable(true);
        setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        viewport()->setAutoFillBackground(false);
        body = makeQtChild<QWidget>();
        body->setAutoFillBackground(false);
        column = makeQtChild<QVBoxLayout>(body);
        column->addStretch(1);
        setWidget(body);
    }
    QWidget* body;
    QVBoxLayout* column;
};

} // namespace

namespace detail {

class WidgetViewPrivate {
public:
    VelmoraWidgetView& q;
    std::shared_ptr<VelmoraWidgetController> controller;
    VelmoraWidgetExperience experience;
    std::shared_ptr<VelmoraPlatformSettings> settings;
    VelmoraWidgetRuntimePolicy policy;
    PanelScenePhase scenePhase = PanelScenePhase::inactive;
    bool composerFocused = false;
    VelmoraWidgetView::FilePicker filePicker;

    PanelHeaderView* header = nullptr;
    QStackedWidget* screens = nullptr;
    VelmoraProgressLabel* navigationLoading = nullptr;
    ScreenPage* home = nullptr;
    TranscriptView* transcript = nullptr;
    ScreenPage* help = nullptr;
    ComposerView* composer = nullptr;
    TabBarView* tabBar = nullptr;
    HomeScreenView* homeScreen = nullptr;
    HelpScreenView* helpScreen = nullptr;
    std::optional<PanelContent> shownContent;
    VelmoraColor surface;
    VelmoraColor text;

    VelmoraObservation controllerObservation;
    VelmoraObservation policyObservation;
    VelmoraPlatformSettings::Subscription settingsSubscription;
    std::shared_ptr<void> dismissKeyboardObservation;
    std::unique_ptr<RedrawScheduler> scheduler;

    WidgetViewPrivate(VelmoraWidgetView& view, std::shared_ptr<VelmoraWidgetController> c,
                      VelmoraWidgetExperience e, std::shared_ptr<VelmoraPlatformSettings> s)
        : q(view), controller(std::move(c)), experience(std::move(e)), settings(std::move(s)),
          policy(settings) {}

    static const WidgetViewPrivate& of(const VelmoraWidgetView& view) { return *view.d_; }

    PanelMotionInputs motion() const {
        const auto values = settings->values();
        return PanelMotionInputs{scenePhase,
                                 controller->isOpen(),
                                 values.reduceMotion,
                                 experience.requiresForcedReducedMotion(),
                                 policy.limitsNonEssentialMotion(),
                                 policy.prefersCrossFadeTransitions(),
                                 policy.animationsEnabled()};
    }
    bool dark() const {
        return usesDarkPalette(experience.appearance.mode, settings->values().colorScheme);
    }

    void redraw();
    void showFilePicker();
};

int widgetViewRedrawCount(const VelmoraWidgetView& view) noexcept {
    return WidgetViewPrivate::of(view).scheduler->redrawCount();
}

} // namespace detail

VelmoraWidgetView::VelmoraWidgetView(std::shared_ptr<VelmoraWidgetController> controller,
                                     VelmoraWidgetExperience experience,
                                     std::shared_ptr<VelmoraPlatformSettings> settings,
                                     QWidget* parent)
    : QWidget(parent) {
    if (!controller)
        throw std::invalid_argument("VelmoraWidgetView needs a controller");
    if (!settings)
        settings = std::make_shared<VelmoraDesktopPlatformSettings>();
    d_ = std::make_unique<WidgetViewPrivate>(*this, std::move(controller), std::move(experience),
                                             std::move(settings));
    auto& p = *d_;
    setObjectName("velmora.widget.panel");
    setAccessibleName(toQString(PanelContext{p.experience}.copy("panel.title")));

    auto* column = makeQtChild<QVBoxLayout>(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    p.header = makeQtChild<PanelHeaderView>(this);
    p.screens = makeQtChild<QStackedWidget>(this);
    p.screens->setObjectName("velmora.widget.content");
    p.navigationLoading =
        makeQtChild<VelmoraProgressLabel>(progressLabelModel(std::string(), false, 1), p.screens);
    p.home = makeQtChild<ScreenPage>("velmora.widget.home", p.screens);
    p.transcript = makeQtChild<TranscriptView>(p.controller, p.experience, p.settings, p.screens);
    p.help = makeQtChild<ScreenPage>("velmora.widget.help", p.screens);
    p.homeScreen = makeQtChild<HomeScreenView>(p.home->body);
    p.home->column->insertWidget(0, p.homeScreen);
    p.helpScreen = makeQtChild<HelpScreenView>(p.help->body);
    p.help->column->insertWidget(0, p.helpScreen);
    p.screens->addWidget(p.navigationLoading);
    p.screens->addWidget(p.home);
    p.screens->addWidget(p.transcript);
    p.screens->addWidget(p.help);
    p.composer = makeQtChild<ComposerView>(this);
    p.tabBar = makeQtChild<TabBarView>(this);
    column->addWidget(p.header);
    column->addWidget(p.screens, 1);
    column->addWidget(p.composer);
    column->addWidget(p.tabBar);

    // Every tap is one call on the controller; what it changes comes back as a redraw.
    const auto weak = std::weak_ptr<VelmoraWidgetController>(p.controller);
    p.header->onVoiceAction = [weak](HeaderButtonModel::Action action) {
        const auto c = weak.lock();
        if (!c)
            return;
        switch (action) {
        case HeaderButtonModel::Action::mute:
            c->setVoiceMuted(true);
            break;
        case HeaderButtonModel::Action::unmute:
            c->setVoiceMuted(false);
            break;
        case HeaderButtonModel::Action::toggleVoice:
            c->toggleVoice();
            break;
        }
    };
    p.header->onClose = [weak] {
        if (const auto c = weak.lock())
            c->requestHostClose();
    };
    p.header->onTitleTapped = [this] { dismissKeyboard(); };
    p.tabBar->onSelect = [weak](VelmoraWidgetViewMode mode) {
        if (const auto c = weak.lock())
            c->setScreen(mode);
    };
    p.transcript->onRetry = [weak] {
        if (const auto c = weak.lock())
            c->retry();
    };
    p.composer->onDraftChanged = [weak](const std::string& text) {
        const auto c = weak.lock();
        if (c && c->draft() != text)
            c->updateDraft(text);
    };
    p.composer->onFocusChanged = [this](bool focused) { d_->composerFocused = focused; };
    p.composer->onRemoveAttachment = [weak](const std::string& id) {
        const auto c = weak.lock();
        if (!c)
            return;
        for (const auto& attachment : c->pendingAttachments())
            if (attachment.id == id) {
                c->removeAttachment(attachment);
                return;
            }
    };
    p.composer->onAddAttachment = [this] { d_->showFilePicker(); };
    const auto performHelp = [weak](const HelpAction& action) {
        if (const auto c = weak.lock())
            performHelpAction(*c, action);
    };
    p.homeScreen->onAction = performHelp;
    p.helpScreen->onAction = performHelp;
    p.helpScreen->onQueryChanged = [weak](const std::string& query) {
        const auto c = weak.lock();
        if (c && c->helpQuery() != query)
            c->updateHelpQuery(query);
    };
    p.composer->onSend = [weak] {
        if (const auto c = weak.lock())
            c->send();
    };
    p.filePicker = [](QWidget* parent,
                      std::function<void(std::vector<std::filesystem::path>)> picked) {
        auto* dialog = makeQtChild<QFileDialog>(parent);
        dialog->setFileMode(QFileDialog::ExistingFiles);
        dialog->setAttribute(Qt::WA_DeleteOnClose);
        QObject::connect(dialog, &QFileDialog::filesSelected, dialog,
                         [picked](const QStringList& files) {
                             std::vector<std::filesystem::path> paths;
                             for (const auto& file : files)
                                 paths.emplace_back(file.toStdString());
                             picked(std::move(paths));
                         });
        dialog->open();
    };

    p.scheduler = std::make_unique<RedrawScheduler>(this, [this] { d_->redraw(); });
    p.controllerObservation =
        p.controller->observe([this](VelmoraWidgetProperty) { d_->scheduler->request(); });
    p.policyObservation =
        p.policy.observe([this](VelmoraWidgetRuntimePolicyProperty) { d_->scheduler->request(); });
    p.settingsSubscription = p.settings->observe([this] { d_->scheduler->request(); });
    p.dismissKeyboardObservation = DismissKeyboardNotification::observe([this] {
        d_->composerFocused = false;
        if (auto* input = d_->composer->input())
            input->setFocused(false);
    });
    p.redraw();
}

VelmoraWidgetView::~VelmoraWidgetView() = default;

const std::shared_ptr<VelmoraWidgetController>& VelmoraWidgetView::controller() const noexcept {
    return d_->controller;
}
const VelmoraWidgetExperience& VelmoraWidgetView::experience() const noexcept {
    return d_->experience;
}
VelmoraWidgetRuntimePolicy& VelmoraWidgetView::runtimePolicy() noexcept {
    return d_->policy;
}
bool VelmoraWidgetView::isDarkPalette() const {
    return d_->dark();
}
bool VelmoraWidgetView::reduceMotion() const {
    return panelReduceMotion(d_->motion());
}
std::optional<VelmoraWidgetAnimation> VelmoraWidgetView::navigationAnimation() const {
    return panelNavigationAnimation(d_->motion());
}
bool VelmoraWidgetView::composerIsEditable() const {
    const auto& c = *d_->controller;
    return detail::composerIsEditable(c.pendingFirstDraftText().has_value(), c.loadingState());
}
bool VelmoraWidgetView::composerFocused() const noexcept {
    return d_->composerFocused;
}
void VelmoraWidgetView::setFilePicker(FilePicker picker) {
    d_->filePicker = std::move(picker);
}

void VelmoraWidgetView::dismissKeyboard() {
    d_->composerFocused = false;
    DismissKeyboardNotification::post();
    if (QWidget* focused = window()->focusWidget())
        focused->clearFocus();
}

void detail::WidgetViewPrivate::showFilePicker() {
    if (!filePicker)
        return;
    const auto weak = std::weak_ptr<VelmoraWidgetController>(controller);
    filePicker(&q, [weak](std::vector<std::filesystem::path> files) {
        // Each file on its own: one the controller refuses leaves the others attached.
        for (const auto& file : files)
            if (const auto c = weak.lock())
                c->addAttachment(file);
    });
}

void VelmoraWidgetView::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    auto& p = *d_;
    const bool appearing = !event->spontaneous();
    p.scenePhase = PanelScenePhase::active;
    if (appearing) {
        p.controller->mount();
        p.policy.start();
    } else {
        // The window came back from being minimised.
        p.policy.start();
        p.controller->foreground();
    }
    p.scheduler->request();
}

void VelmoraWidgetView::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    auto& p = *d_;
    p.policy.stop();
    if (event->spontaneous()) {
        // Minimised: the scene went to the background.
        p.scenePhase = PanelScenePhase::background;
        p.controller->background();
    } else {
        p.scenePhase = PanelScenePhase::inactive;
        p.controller->close();
    }
    p.scheduler->request();
}

void VelmoraWidgetView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), toQColor(d_->surface));
}

void detail::WidgetViewPrivate::redraw() {
    auto& p = *this;
    const auto& c = *p.controller;
    const auto values = p.settings->values();
    const PanelMotionInputs motion = p.motion();
    const bool reduce = panelReduceMotion(motion);
    const PanelContext context{p.experience, p.dark(), reduce, values.textScale};
    p.surface = context.color(&VelmoraWidgetPalette::surface);
    p.text = context.color(&VelmoraWidgetPalette::text);
    QPalette palette = q.palette();
    palette.setColor(QPalette::WindowText, toQColor(p.text));
    palette.setColor(QPalette::Text, toQColor(p.text));
    palette.setColor(QPalette::Window, toQColor(p.surface));
    q.setPalette(palette);

    const bool editable =
        detail::composerIsEditable(c.pendingFirstDraftText().has_value(), c.loadingState());
    PanelHeaderInputs header;
    header.isInitialNavigationResolved = c.isInitialNavigationResolved();
    header.screen = c.screen();
    header.workspacePublicName = c.workspacePublicName();
    header.voiceAvailable = c.voiceAvailable();
    header.voiceState = c.voiceState();
    header.isOpen = c.isOpen();
    header.hasHostClose = static_cast<bool>(c.onHostClose());
    header.composerIsEditable = editable;
    p.header->apply(panelHeaderModel(header, context), values.textScale, reduce);

    const PanelContent content = panelContent(c.isInitialNavigationResolved(), c.screen());
    const auto availability = availabilityCardModel(c.availability(), context);
    switch (content) {
    case PanelContent::navigationLoading: {
        auto model = progressLabelModel(context.copy("status.working"), reduce, values.textScale);
        model.objectName = "velmora.widget.navigation.loading";
        p.navigationLoading->apply(model);
        p.navigationLoading->setColor(toQColor(context.color(&VelmoraWidgetPalette::mutedText)));
        p.screens->setCurrentWidget(p.navigationLoading);
        break;
    }
    case PanelContent::home:
        p.homeScreen->apply(
            homeScreenModel({c.content(), c.messagesAvailable(), c.helpAvailable(), c.helpError()},
                            context),
            availability, reduce, values.textScale);
        p.screens->setCurrentWidget(p.home);
        break;
    case PanelContent::messages: {
        const auto transcript =
            transcriptModel({c.messages(), c.availability(), c.isLoadingConfiguration(),
                             c.loadingState(), c.snapshot(), c.error().has_value()},
                            context);
        std::optional<ErrorRowModel> error;
        if (c.error())
            error = errorRowModel(*c.error(), c.mutationInFlight(), context);
        const double base = p.experience.appearance.typography.fontSizePx;
        p.transcript->apply(
            TranscriptState{transcript, c.messages(), availability, std::move(error), c.snapshot(),
                            c.loadingState(), reduce, context.dark, values.textScale,
                            context.font(std::max(base - 3, 12.0), VelmoraTextStyle::footnote),
                            context.color(&VelmoraWidgetPalette::mutedText),
                            context.color(&VelmoraWidgetPalette::mutedText)});
        p.screens->setCurrentWidget(p.transcript);
        break;
    }
    case PanelContent::help: {
        const auto weak = std::weak_ptr<VelmoraWidgetController>(p.controller);
        HelpInputs inputs{c.helpQuery(),
                          c.helpError(),
                          c.content(),
                          c.activeFAQID(),
                          c.activeWorkflowID(),
                          c.activeWorkflowStepID(),
                          c.messagesAvailable(),
                          c.isActionInFlight(),
                          c.activeHostActionRequestId().has_value(),
                          c.hostActionResult(),
                          c.hostActionResultActionID(),
                          [weak](const std::optional<std::string>& id) {
                              const auto controller = weak.lock();
                              return controller && controller->isHostActionAvailable(id);
                          }};
        p.helpScreen->apply(helpScreenModel(inputs, context), c.helpQuery(), reduce,
                            values.textScale);
        p.screens->setCurrentWidget(p.help);
        break;
    }
    }
    if (p.shownContent && *p.shownContent != content) {
        if (const auto animation = panelNavigationAnimation(motion)) {
            // The new screen fades in.
            auto* effect = makeQtChild<QGraphicsOpacityEffect>(p.screens->currentWidget());
            p.screens->currentWidget()->setGraphicsEffect(effect);
            auto* fade = makeQtChild<QPropertyAnimation>(effect, "opacity", effect);
            fade->setDuration(static_cast<int>(animation->duration * 1000));
            fade->setEasingCurve(QEasingCurve::InOutQuad);
            fade->setStartValue(0.0);
            fade->setEndValue(1.0);
            QWidget* page = p.screens->currentWidget();
            QObject::connect(fade, &QPropertyAnimation::finished, page,
                             [page] { page->setGraphicsEffect(nullptr); });
            fade->start();
        }
    }
    p.shownContent = content;

    const bool composerShown = c.screen() == VelmoraWidgetViewMode::messages;
    if (composerShown) {
        ComposerInputs inputs{c.draft(), c.pendingAttachments(), c.loadingState(), editable};
        const auto& typography = p.experience.appearance.typography;
        const QFont inputFont =
            toQFont(sizedWidgetFontSpec(typography.fontFamily, typography.fontSizePx,
                                        VelmoraFontWeight::regular, values.textScale));
        p.composer->apply(composerModel(inputs, context), c.draft(), inputFont);
    }
    p.composer->setVisible(composerShown);

    p.tabBar->apply(
        tabBarModel({c.navigationReady(), c.messagesAvailable(), c.helpAvailable(), c.screen()},
                    context),
        values.textScale, reduce);
    q.update();
}

} // namespace velmora
