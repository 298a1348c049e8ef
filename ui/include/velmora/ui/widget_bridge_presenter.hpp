#pragma once

#include "velmora/error.hpp"
#include "velmora/events.hpp"
#include "velmora/host_value.hpp"
#include "velmora/ui/platform_settings.hpp"
#include "velmora/ui/widget_controller.hpp"
#include "velmora/ui/widget_hosting.hpp"
#include "velmora/widget_experience.hpp"

#include <QPointer>
#include <QWidget>

#include <boost/asio/any_io_executor.hpp>
#include <boost/asio/awaitable.hpp>
#include <boost/asio/co_spawn.hpp>
#include <boost/asio/use_awaitable.hpp>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace velmora {

class VelmoraClient;
class VelmoraWidgetClient;

namespace detail {
class BridgePresenterPrivate;
}

/// The widget for hosts written with a cross-platform framework, whose wrapper holds a client
/// and passes the widget's options as a host dictionary (`VelmoraHostValue`). It checks the
/// options, loads the service's design and resolves it for the native widget, then presents
/// a `VelmoraWidgetViewController` (modally, or pushed when the design asks for it) or embeds
/// it in a container of the host's.
///
/// One widget per presenter, and one per window: a second presenter cannot present into a
/// window whose widget another presenter is still preparing or showing. A `close`, or a newer
/// present or embed, makes a preparation still in flight fail instead of attaching a second
/// widget. The presenter forwards the host's voice factory, host-action handlers and host-
/// action event callback to the live widget, answers host-action completions sent as JSON
/// text, and reports each closing once through `onModalClosed` or `onEmbeddedClosed`.
///
/// Made with `create` and kept by its owner (a registry of live presenters holds them weakly).
/// Every member runs on the GUI thread, whose executor (`VelmoraQtExecutionContext`) the
/// presenter is given; the widgets it presents are deleted once they leave the screen.
class VelmoraWidgetBridgePresenter
    : public std::enable_shared_from_this<VelmoraWidgetBridgePresenter> {
public:
    using HostActionEventCallback = VelmoraWidgetController::HostActionEventCallback;
    using ClosedCallback = std::function<void()>;

    /// `settings` defaults to the desktop's.
    static std::shared_ptr<VelmoraWidgetBridgePresenter>
    create(boost::asio::any_io_executor mainExecutor,
           std::shared_ptr<VelmoraPlatformSettings> settings = nullptr);
    ~VelmoraWidgetBridgePresenter();
    VelmoraWidgetBridgePresenter(const VelmoraWidgetBridgePresenter&) = delete;
    VelmoraWidgetBridgePresenter& operator=(const VelmoraWidgetBridgePresenter&) = delete;

    // The voice factory every presenter starts with, and that installing passes to every live
    // presenter and its widget.
    static const VelmoraVoiceFactory& installedVoiceFactory();
    static void installVoiceFactory(VelmoraVoiceFactory factory);
    static void uninstallVoiceFactory();

    const VelmoraVoiceFactory& voiceFactory() const noexcept;
    /// Also given to the widget shown now, when there is one.
    void setVoiceFactory(VelmoraVoiceFactory factory);
    const HostActionEventCallback& hostActionEventHandler() const noexcept;
    /// Also becomes the shown widget's host-action event callback.
    void setHostActionEventHandler(HostActionEventCallback handler);
    void setOnModalClosed(ClosedCallback callback);
    void setOnEmbeddedClosed(ClosedCallback callback);

    /// Presents the widget over `from`'s window (or pushed onto the navigation stack holding
    /// it, when the design asks for push and pop). Completes once it shows; fails with
    /// `VelmoraError` (the option, design, locale and client errors as they are;
    /// requestInProgress while a widget is shown or prepared, or when another presenter owns
    /// the window; invalidConfig when `from` is not in a shown window or the client has no
    /// widget navigation; sessionExpired when a `close` or newer call overtook it;
    /// unsupported when the design's presentation cannot be honoured; invalidConfig "Widget
    /// appearance or presentation options are invalid." for any other failure), or with a
    /// cancellation.
    template <class Token = boost::asio::use_awaitable_t<>>
    auto present(std::shared_ptr<VelmoraWidgetClient> client, VelmoraHostDictionary options,
                 QWidget* from, Token&& token = {}) {
        return boost::asio::co_spawn(
            executor(), runPresent(shared_from_this(), std::move(client), std::move(options), from),
            std::forward<Token>(token));
    }
    /// The same over the SDK's client.
    template <class Token = boost::asio::use_awaitable_t<>>
    auto present(std::shared_ptr<VelmoraClient> client, VelmoraHostDictionary options,
                 QWidget* from, Token&& token = {}) {
        return present(adapted(std::move(client)), std::move(options), from,
                       std::forward<Token>(token));
    }

    /// Embeds the widget as a child filling `container`, which must sit inside `parent` in a
    /// shown window. Fails as `present` does, with invalidConfig when the container is not
    /// inside `parent` or leaves it while the widget is prepared; other failures pass on
    /// unchanged.
    template <class Token = boost::asio::use_awaitable_t<>>
    auto embed(std::shared_ptr<VelmoraWidgetClient> client, VelmoraHostDictionary options,
               QWidget* container, QWidget* parent, Token&& token = {}) {
        return boost::asio::co_spawn(
            executor(),
            runEmbed(shared_from_this(), std::move(client), std::move(options), container, parent),
            std::forward<Token>(token));
    }
    template <class Token = boost::asio::use_awaitable_t<>>
    auto embed(std::shared_ptr<VelmoraClient> client, VelmoraHostDictionary options,
               QWidget* container, QWidget* parent, Token&& token = {}) {
        return embed(adapted(std::move(client)), std::move(options), container, parent,
                     std::forward<Token>(token));
    }

    /// Takes the widget off the screen (its controller closes and keeps the draft) and ends
    /// any preparation in flight; reports the closing through the matching callback.
    void close(bool animated);
    /// Hides an embedded widget (its controller closes) or shows it again.
    void setEmbeddedVisible(bool visible);
    /// Removes the draft stored for the client's conversation and drops the shown widget's.
    /// Answers the store's failure, if any.
    std::optional<VelmoraError> clearDraft(const VelmoraWidgetClient& client);
    std::optional<VelmoraError> clearDraft(const VelmoraClient& client);
    /// Cancels the shown widget's pending host actions (each reported as cancelled).
    void cancelHostActionsForIdentityChange();
    /// Installs (or, with an empty handler, removes) the handler of a host action, for the
    /// shown widget when it was configured with that action and for widgets made later.
    void setHostActionHandler(VelmoraHostActionHandler handler, const std::string& actionId);
    /// Answers a host-action completion sent as JSON text ({"completed":true} or
    /// {"completed":false}); nothing for text that is not a completion. Throws `VelmoraError`
    /// for a malformed completion.
    std::optional<std::string> performLocalOperation(std::string_view requestJson);

    /// The widget shown or embedded now, if any.
    VelmoraWidgetViewController* presentedHost() const noexcept;
    bool isPresentationInFlight() const noexcept;

    /// What the host shows on top of `from`'s window: a window shown modally over it (followed
    /// in turn), else the top page of a navigation stack, else `from`.
    static QWidget* topViewController(QWidget* from);

private:
    VelmoraWidgetBridgePresenter(boost::asio::any_io_executor mainExecutor,
                                 std::shared_ptr<VelmoraPlatformSettings> settings);

    // What `present` and `embed` spawn: the GUI thread's executor and the two coroutines.
    const boost::asio::any_io_executor& executor() const noexcept;
    static std::shared_ptr<VelmoraWidgetClient> adapted(std::shared_ptr<VelmoraClient> client);
    static boost::asio::awaitable<void>
    runPresent(std::shared_ptr<VelmoraWidgetBridgePresenter> self,
               std::shared_ptr<VelmoraWidgetClient> client, VelmoraHostDictionary options,
               QPointer<QWidget> from);
    static boost::asio::awaitable<void> runEmbed(std::shared_ptr<VelmoraWidgetBridgePresenter> self,
                                                 std::shared_ptr<VelmoraWidgetClient> client,
                                                 VelmoraHostDictionary options,
                                                 QPointer<QWidget> container,
                                                 QPointer<QWidget> parent);

    friend class detail::BridgePresenterPrivate;
    std::unique_ptr<detail::BridgePresenterPrivate> d_;
};

} // namespace velmora
