#include "host_window.hpp"

#include "platform/qt_child.hpp"
#include "velmora/client.hpp"

#include <QBoxLayout>
#include <QLabel>

namespace velmora::widget_app {

HostWindow::HostWindow(boost::asio::any_io_executor mainExecutor,
                       std::shared_ptr<VelmoraClient> client, VelmoraWidgetExperience experience,
                       std::shared_ptr<VelmoraPlatformSettings> settings) {
    setWindowTitle("Velmora widget");
    resize(420, 760);

    // Qt's parents own these widgets; the widget window is owned by this one.
    widget_ = detail::makeQtChild<VelmoraWidgetViewController>(
        std::move(mainExecutor), std::move(client), experience, false, std::nullopt, std::nullopt,
        std::vector<std::string>{}, JSONValue::Object{}, settings, this);
    // Not a part of this window's own content: it shows only when the launcher opens it.
    widget_->hide();
    // The widget's close button asks its host to close it.
    widget_->widgetController()->setOnHostClose([this] { widget_->close(true); });

    auto* column = detail::makeQtChild<QVBoxLayout>(this);
    column->setContentsMargins(24, 24, 24, 24);
    auto* title = detail::makeQtChild<QLabel>("Acme Store", this);
    QFont titleFont = title->font();
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.6);
    titleFont.setBold(true);
    title->setFont(titleFont);
    auto* body = detail::makeQtChild<QLabel>(
        "Your orders and your account would be here. The button in the corner "
        "opens the support widget.",
        this);
    body->setWordWrap(true);
    column->addWidget(title);
    column->addWidget(body);
    column->addStretch(1);

    launcher_ = detail::makeQtChild<VelmoraWidgetLauncher>(
        widget_->widgetController(), std::move(experience), std::move(settings), this);
    // The launcher opens the controller; the host shows the widget's window over its own.
    connect(launcher_, &QAbstractButton::clicked, this, [this] {
        if (!widget_->isVisible())
            widget_->show(this, VelmoraWidgetHostPresentation::modal, true);
    });
    auto* corner = detail::makeQtChild<QHBoxLayout>();
    corner->addStretch(1);
    corner->addWidget(launcher_);
    column->addLayout(corner);
}

HostWindow::~HostWindow() = default;

} // namespace velmora::widget_app
