#pragma once

#include <memory>
#include <utility>

namespace velmora::detail {

/// Creates a Qt object that its Qt owner deletes: the parent passed among `args` (as Qt's
/// constructors take it), or the layout or widget it is handed to next. This is the one place
/// the widget layer allocates one.
template <class T, class... Args> T* makeQtChild(Args&&... args) {
    return new T(std::forward<Args>(args)...);
}

/// Deletes a Qt child now, ahead of its parent (Qt takes it out of the parent's children), and
/// leaves `child` empty. Never call it from inside one of the child's own handlers.
template <class T> void destroyQtChild(T*& child) {
    std::unique_ptr<T> owned(std::exchange(child, nullptr));
}

} // namespace velmora::detail
