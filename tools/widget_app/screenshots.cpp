#include "screenshots.hpp"

#include "velmora/ui/widget_view.hpp"
#include "views/widget_view_access.hpp"
#include "widget_service.hpp"

#include <QAbstractAnimation>
#include <QAbstractButton>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QPixmap>

#include <algorithm>
#include <functional>
#include <stdexcept>
#include <string>

namespace velmora::widget_app {

namespace {

constexpr int kStepTimeoutMilliseconds = 30000;

struct StepFailed : std::runtime_error {
    using std::runtime_error::runtime_error;
};

void waitFor(const std::string& what, const std::function<bool()>& done) {
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > kStepTimeoutMilliseconds)
            throw StepFailed("timed out waiting for " + what);
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
}

template <class T = QWidget> T* find(QWidget& root, const std::string& name) {
    return root.findChild<T*>(QString::fromStdString(name));
}

bool visible(QWidget& root, const std::string& name) {
    auto* widget = find(root, name);
    return widget && widget->isVisible();
}

void click(QWidget& root, const std::string& name) {
    auto* button = find<QAbstractButton>(root, name);
    waitFor(name, [&] {
        button = find<QAbstractButton>(root, name);
        return button && button->isVisible() && button->isEnabled();
    });
    button->click();
}

bool hasReplyAfter(const VelmoraWidgetController& controller, std::size_t count) {
    const auto& messages = controller.messages();
    for (std::size_t i = count; i < messages.size(); ++i)
        if (messages[i].authorKind == "ai" || messages[i].authorKind == "teammate")
            return true;
    return false;
}

/// The widget has drawn what its controller published and nothing on it is moving: a turn of
/// the event loop brought no redraw, and no screen change or scroll is running (the spinners,
/// which never end, do not count).
void settle(QWidget& widget) {
    const auto* view = qobject_cast<VelmoraWidgetView*>(&widget);
    if (!view)
        view = widget.findChild<VelmoraWidgetView*>();
    int redraws = -1;
    waitFor("the widget to settle", [&] {
        const int now = view ? velmora::detail::widgetViewRedrawCount(*view) : 0;
        const bool drawn = now == redraws;
        redraws = now;
        const auto animations = widget.findChildren<QAbstractAnimation*>();
        return drawn && std::none_of(animations.begin(), animations.end(), [](auto* animation) {
                   return animation->state() == QAbstractAnimation::Running &&
                          animation->loopCount() >= 0;
               });
    });
}

void save(QWidget& widget, const std::filesystem::path& file, std::ostream& out) {
    settle(widget);
    if (!widget.grab().toImage().save(QString::fromStdString(file.string()), "PNG"))
        throw StepFailed("could not write " + file.string());
    out << file.string() << std::endl;
}

void send(VelmoraWidgetViewController& widget, const std::string& text) {
    click(widget, "velmora.widget.tab.messages");
    waitFor("the composer", [&] { return visible(widget, "velmora.widget.message"); });
    widget.widgetController()->updateDraft(text);
    click(widget, "velmora.widget.send");
}

/// What the pictures' visitor writes, in the widget's locale.
struct VisitorTexts {
    const char* locale;
    const char* question;
    const char* failing;
};

constexpr VisitorTexts kVisitorTexts[] = {
    {"en", "Where is my order 1001?", "Can I change the delivery address?"},
    {"de", "Wo ist meine Bestellung 1001?", "Kann ich die Lieferadresse ändern?"},
    {"es", "¿Dónde está mi pedido 1001?", "¿Puedo cambiar la dirección de entrega?"},
    {"uk", "Де моє замовлення 1001?", "Чи можна змінити адресу доставки?"},
};

const VisitorTexts& visitorTexts(const std::string& locale) {
    for (const auto& texts : kVisitorTexts)
        if (locale == texts.locale)
            return texts;
    return kVisitorTexts[0];
}

} // namespace

int takeScreenshots(HostWindow& host, tools::WidgetService* service,
                    const std::filesystem::path& directory, std::ostream& out, std::ostream& err) {
    try {
        std::filesystem::create_directories(directory);
        host.show();
        save(host, directory / "launcher.png", out);

        auto& widget = host.widget();
        const auto& controller = *widget.widgetController();
        host.launcher().click();
        waitFor("the widget to open", [&] { return widget.isVisible() && controller.isOpen(); });
        waitFor("the home screen", [&] { return visible(widget, "velmora.widget.tab.home"); });
        waitFor("help content", [&] {
            return !controller.content().isLoading &&
                   (controller.content().snapshot || controller.content().error);
        });
        save(widget, directory / "home.png", out);

        const std::size_t before = controller.messages().size();
        const auto& texts = visitorTexts(widget.experience().locale);
        send(widget, texts.question);
        waitFor("the assistant's answer", [&] { return hasReplyAfter(controller, before); });
        save(widget, directory / "conversation.png", out);

        click(widget, "velmora.widget.tab.help");
        waitFor("the help screen",
                [&] { return controller.screen() == VelmoraWidgetViewMode::help; });
        save(widget, directory / "help.png", out);

        if (service) {
            service->failNext(503, "service_unavailable", std::nullopt,
                              tools::FaultScope{"POST", "/api/widget/v1/sessions/s_"});
            send(widget, texts.failing);
            waitFor("the error row", [&] {
                return visible(widget, "velmora.widget.error") && !controller.mutationInFlight();
            });
            save(widget, directory / "error.png", out);
        } else {
            err << "error.png: only the local widget service can be told to fail a send; "
                   "skipped with --origin"
                << std::endl;
        }
        // The widget's own close button hands it back to the host: the launcher returns.
        click(widget, "velmora.widget.close");
        waitFor("the widget to close", [&] {
            return !widget.isVisible() && !controller.isOpen() && host.launcher().isVisible();
        });
        return EXIT_SUCCESS;
    } catch (const std::exception& error) {
        err << "error: screenshot: " << error.what() << std::endl;
        return EXIT_FAILURE;
    }
}

} // namespace velmora::widget_app
