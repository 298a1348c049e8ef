#pragma once

#include <utility>

namespace velmora::detail {

/// Creates a Qt object that its Qt owner deletes: the parent passed among `args` (as Qt's
/// constructors take it), or the layout or widget it is handed to next. The widget layer never
/// deletes one itself; this is the one place it allocates one.
template <class T, class... Args> T* makeQtChild(Args&&... args) {
    return new T(std::forward<Args>(args)...);
}

} // namespace velmora::detail
