// The widget's public classes as a host compiles against them: each is its base and one pointer
// to its private implementation, so a change to the library's internals leaves their layout,
// and every host built against it, alone.
#include <velmora/ui/widget_bridge_presenter.hpp>
#include <velmora/ui/widget_controller.hpp>
#include <velmora/ui/widget_hosting.hpp>
#include <velmora/ui/widget_launcher.hpp>
#include <velmora/ui/widget_view.hpp>

#include <QAbstractButton>
#include <QWidget>

#include <memory>

namespace {

using namespace velmora;

template <class Class, class Base>
constexpr bool isBaseAndPrivatePointer = sizeof(Class) == sizeof(Base) + sizeof(void*);

static_assert(isBaseAndPrivatePointer<VelmoraWidgetView, QWidget>);
static_assert(isBaseAndPrivatePointer<VelmoraWidgetViewController, QWidget>);
static_assert(isBaseAndPrivatePointer<VelmoraWidgetNavigationStack, QWidget>);
static_assert(isBaseAndPrivatePointer<VelmoraWidgetLauncher, QAbstractButton>);
static_assert(isBaseAndPrivatePointer<VelmoraWidgetContainer, QWidget>);
static_assert(isBaseAndPrivatePointer<VelmoraWidgetBridgePresenter,
                                      std::enable_shared_from_this<VelmoraWidgetBridgePresenter>>);
// The controller shares its core with the tasks it runs, which hold the core weakly.
static_assert(sizeof(VelmoraWidgetController) ==
              sizeof(std::enable_shared_from_this<VelmoraWidgetController>) +
                  sizeof(std::shared_ptr<void>));

} // namespace
