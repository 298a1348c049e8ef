#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>

#include <functional>

namespace velmora::testing {

/// Runs the event loop until `done` holds; false when it still does not after many turns.
inline bool processEventsUntil(const std::function<bool()>& done, int maxMilliseconds = 10000) {
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > maxMilliseconds)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return true;
}

/// One turn: delivers everything posted so far (and what that posts in turn).
inline void drainEvents() {
    for (int i = 0; i < 3; ++i)
        QCoreApplication::processEvents(QEventLoop::AllEvents);
}

} // namespace velmora::testing
