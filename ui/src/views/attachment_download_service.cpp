#include "views/attachment_download_service.hpp"

#include "velmora/ui/widget_controller.hpp"

#include <boost/asio/co_spawn.hpp>

namespace velmora::detail {

namespace {

class ControllerAttachmentService final : public MessageRowAttachmentService {
public:
    explicit ControllerAttachmentService(std::weak_ptr<VelmoraWidgetController> controller)
        : controller_(std::move(controller)) {}

    bool canDownloadAttachment(const VelmoraAttachment& attachment) const override {
        const auto controller = controller_.lock();
        return controller && controller->canDownloadAttachment(attachment);
    }

    void downloadAttachment(const VelmoraAttachment& attachment,
                            std::function<void(std::optional<Data>)> completion) override {
        const auto controller = controller_.lock();
        if (!controller) {
            completion(std::nullopt);
            return;
        }
        // Completes on the main executor, where the row lives.
        boost::asio::co_spawn(
            controller->mainExecutor(), controller->downloadAttachment(attachment),
            [completion = std::move(completion)](std::exception_ptr error, Data bytes) {
                if (error)
                    completion(std::nullopt);
                else
                    completion(std::move(bytes));
            });
    }

private:
    std::weak_ptr<VelmoraWidgetController> controller_;
};

} // namespace

std::shared_ptr<MessageRowAttachmentService>
makeControllerAttachmentService(const std::shared_ptr<VelmoraWidgetController>& controller) {
    if (!controller)
        return nullptr;
    return std::make_shared<ControllerAttachmentService>(controller);
}

} // namespace velmora::detail
