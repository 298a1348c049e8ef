// velmora-widget: a small host window with the widget's launcher, by default against the local
// widget service started in-process; `--screenshot DIR` renders the widget's screens to PNG
// files without a display.

#include "host_window.hpp"
#include "screenshots.hpp"
#include "widget_app_design.hpp"
#include "widget_app_options.hpp"

#include "velmora/client.hpp"
#include "velmora/stores.hpp"
#include "velmora/transport.hpp"
#include "velmora/ui/qt_main_executor.hpp"
#include "velmora/ui/widget_font.hpp"
#include "widget_service.hpp"

#include <QApplication>

#include <boost/asio/executor_work_guard.hpp>
#include <boost/asio/io_context.hpp>

#include <cstdlib>
#include <iostream>
#include <memory>
#include <optional>
#include <stdexcept>
#include <thread>

namespace {

namespace asio = boost::asio;
using namespace velmora;
using namespace velmora::widget_app;

/// The client's own thread, its I/O and completions; ended and joined on the way out.
class ClientThread {
public:
    ClientThread() : thread_([this] { io_.run(); }) {}
    ~ClientThread() {
        work_.reset();
        thread_.join();
    }
    asio::io_context::executor_type executor() { return io_.get_executor(); }

private:
    asio::io_context io_;
    asio::executor_work_guard<asio::io_context::executor_type> work_{io_.get_executor()};
    std::thread thread_;
};

int run(const WidgetAppOptions& options, int& argc, char** argv) {
    if (options.screenshotDirectory)
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    VelmoraWidgetFont::registerFonts();

    std::optional<tools::WidgetService> service;
    std::string origin;
    if (options.origin) {
        origin = *options.origin;
    } else {
        service.emplace();
        service->start();
        origin = service->origin();
    }

    int status = EXIT_SUCCESS;
    {
        ClientThread clientThread;
        const std::string token = options.token;
        VelmoraConfiguration configuration(
            origin, options.integrationId, options.accountScope, options.locale, std::nullopt,
            [token]() -> asio::awaitable<std::string> { co_return token; }, 0.5);
        auto client = std::make_shared<VelmoraClient>(
            clientThread.executor(), std::move(configuration),
            std::make_shared<VelmoraMemoryOutbox>(),
            std::make_shared<VelmoraMemoryPendingSessionStartStore>(),
            std::make_shared<VelmoraMemorySessionStore>(),
            std::make_shared<VelmoraMemoryPendingAttachmentStore>(),
            std::make_shared<VelmoraMemoryPendingAttachmentOperationStore>(),
            std::make_shared<VelmoraURLSessionTransport>());

        auto experience = loadWidgetAppExperience(*client, options.locale, std::cerr);

        VelmoraQtExecutionContext mainContext;
        std::weak_ptr<VelmoraWidgetController> controller;
        {
            HostWindow host(mainContext.get_executor(), client, std::move(experience));
            controller = host.widget().widgetController();
            if (options.screenshotDirectory) {
                status = takeScreenshots(host, service ? &*service : nullptr,
                                         *options.screenshotDirectory, std::cout, std::cerr);
            } else {
                host.show();
                status = QApplication::exec();
            }
        }
        // Work the closing cancelled completes on later turns; the main context must outlive it.
        for (int turn = 0; turn < 100000 && !controller.expired(); ++turn)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    if (service)
        service->stop();
    return status;
}

} // namespace

int main(int argc, char** argv) {
    WidgetAppOptions options;
    try {
        options = parseWidgetAppOptions(std::vector<std::string>(argv + 1, argv + argc));
    } catch (const std::invalid_argument& error) {
        std::cerr << "error: " << error.what() << "\n\n" << widgetAppUsage();
        return 2;
    }
    if (options.help) {
        std::cout << widgetAppUsage();
        return EXIT_SUCCESS;
    }
    try {
        return run(options, argc, argv);
    } catch (const VelmoraError& error) {
        std::cerr << "error: " << rawValue(error.code()) << ": " << error.what() << std::endl;
        return EXIT_FAILURE;
    }
}
