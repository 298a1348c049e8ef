#include "views/dismiss_keyboard.hpp"

#include <algorithm>
#include <vector>

namespace velmora::detail {

namespace {
// The process's one notification list, as the platform's default notification centre is.
std::vector<std::weak_ptr<DismissKeyboardNotification::Observer>>& observers() {
    static std::vector<std::weak_ptr<DismissKeyboardNotification::Observer>> list;
    return list;
}
} // namespace

std::shared_ptr<void> DismissKeyboardNotification::observe(Observer observer) {
    auto shared = std::make_shared<Observer>(std::move(observer));
    std::erase_if(observers(), [](const auto& weak) { return weak.expired(); });
    observers().push_back(shared);
    return shared;
}

void DismissKeyboardNotification::post() {
    const auto current = observers();
    for (const auto& weak : current)
        if (const auto observer = weak.lock())
            (*observer)();
}

} // namespace velmora::detail
