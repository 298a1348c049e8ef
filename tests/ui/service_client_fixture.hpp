#pragma once

#include "service_client.hpp"
#include "ui_test_support.hpp"

#include "velmora/ui/qt_main_executor.hpp"
#include "velmora/ui/widget_controller.hpp"
#include "velmora/ui/widget_draft_store.hpp"
#include "velmora/ui/widget_view.hpp"
#include "widget_service.hpp"

#include <QAbstractButton>
#include <QString>
#include <QWidget>
#include <boost/asio/executor_work_guard.hpp>
#include <boost/asio/io_context.hpp>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <thread>

namespace velmora::testing {

/// The local widget service and the real client talking to it, the client's work running on a
/// thread of its own. A base beside the test's own gtest base.
class ServiceClientFixture {
protected:
    explicit ServiceClientFixture(tools::WidgetService::Options options = {},
                                  std::string accountScope = "account-a", std::string locale = "en")
        : service(std::move(options)) {
        service.start();
        clientThread = std::thread([this] { clientIo.run(); });
        client = makeServiceClient(clientIo.get_executor(), service.origin(),
                                   std::move(accountScope), std::move(locale));
    }
    ~ServiceClientFixture() { stopClient(); }
    ServiceClientFixture(const ServiceClientFixture&) = delete;
    ServiceClientFixture& operator=(const ServiceClientFixture&) = delete;

    /// Lets the client go, lets its thread run out and stops the service. A fixture whose own
    /// members (the Qt executor its widgets run on) must outlive the client's thread calls it
    /// last in its destructor; otherwise this destructor does. Later calls do nothing.
    void stopClient() {
        if (!clientThread.joinable())
            return;
        client.reset();
        clientWork.reset();
        clientThread.join();
        service.stop();
    }

    tools::WidgetService service;
    boost::asio::io_context clientIo;
    boost::asio::executor_work_guard<boost::asio::io_context::executor_type> clientWork{
        clientIo.get_executor()};
    std::thread clientThread;
    std::shared_ptr<VelmoraClient> client;
};

/// The panel over the service: a controller on the Qt main executor over the client, and the
/// view a test makes. Wound down in order: the view, the controller and its posted work, then
/// the client.
class ServicePanelFixture : public ::testing::Test, protected ServiceClientFixture {
protected:
    explicit ServicePanelFixture(tools::WidgetService::Options options = {})
        : ServiceClientFixture(std::move(options)) {
        controller = VelmoraWidgetController::create(qtContext.get_executor(), client, false,
                                                     std::nullopt, std::nullopt, {}, {},
                                                     std::make_shared<VelmoraWidgetDraftStore>());
    }
    ~ServicePanelFixture() override {
        view.reset();
        if (controller)
            controller->destroy();
        drainEvents();
        controller.reset();
        stopClient();
    }

    template <class T = QWidget> T* find(const std::string& name) {
        return view->findChild<T*>(QString::fromStdString(name));
    }
    /// Waits until a button of that name is shown and enabled, and clicks it.
    void click(const std::string& name) {
        QAbstractButton* button = nullptr;
        ASSERT_TRUE(processEventsUntil([&] {
            button = find<QAbstractButton>(name);
            return button && button->isVisible() && button->isEnabled();
        })) << name;
        button->click();
    }

    VelmoraQtExecutionContext qtContext;
    std::shared_ptr<VelmoraWidgetController> controller;
    std::unique_ptr<VelmoraWidgetView> view;
};

} // namespace velmora::testing
