#include "views/dismiss_keyboard.hpp"

#include <algorithm>
#include <vector>

namespace velmora::detail {

namespace {
// One list for the process: a request to hide the keyboard (the host's dismissKeyboard()) must
// reach every text input that listens, the composer and the open forms, in whichever widget.
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
