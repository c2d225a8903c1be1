#pragma once
// Runs the event loop until a condition holds, for tests of queued and timed work.
#include <QApplication>
#include <QElapsedTimer>
#include <QThread>

#include <functional>

namespace vorlap::test {

// True as soon as `done` holds; false when `timeoutMs` passes first.
inline bool waitUntil(const std::function<bool()>& done, int timeoutMs = 5000)
{
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > timeoutMs)
            return false;
        QApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(2);
    }
    return true;
}

} // namespace vorlap::test
