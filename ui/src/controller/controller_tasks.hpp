#pragma once

#include "controller/widget_controller_core.hpp"

#include <boost/asio/awaitable.hpp>

#include <memory>
#include <type_traits>

namespace velmora::detail {

/// The body of a controller task: runs `run` on the controller while it exists, holding it for
/// the run. Arguments are taken by value, so they live in the coroutine's own frame.
template <class... Params>
boost::asio::awaitable<void>
whileControllerLives(std::weak_ptr<WidgetControllerCore> weak,
                     boost::asio::awaitable<void> (WidgetControllerCore::*run)(Params...),
                     std::type_identity_t<Params>... args) {
    if (const auto self = weak.lock()) {
        weak.reset();
        co_await ((*self).*run)(std::move(args)...);
    }
}

} // namespace velmora::detail
