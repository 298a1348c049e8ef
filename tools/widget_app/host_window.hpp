#pragma once

#include "velmora/ui/platform_settings.hpp"
#include "velmora/ui/widget_hosting.hpp"
#include "velmora/ui/widget_launcher.hpp"

#include <QWidget>

#include <boost/asio/any_io_executor.hpp>

#include <memory>

namespace velmora {
class VelmoraClient;
}

namespace velmora::widget_app {

/// A host application's window as a developer would write it: some content of its own and the
/// widget's launcher in the bottom trailing corner. The launcher opens the widget as a window
/// modal to this one; the widget's close button closes it again.
class HostWindow final : public QWidget {
public:
    HostWindow(boost::asio::any_io_executor mainExecutor, std::shared_ptr<VelmoraClient> client,
               VelmoraWidgetExperience experience,
               std::shared_ptr<VelmoraPlatformSettings> settings = nullptr);
    ~HostWindow() override;

    VelmoraWidgetViewController& widget() const { return *widget_; }
    VelmoraWidgetLauncher& launcher() const { return *launcher_; }

private:
    VelmoraWidgetViewController* widget_;
    VelmoraWidgetLauncher* launcher_;
};

} // namespace velmora::widget_app
