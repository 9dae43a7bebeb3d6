#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>
#include <chrono>
#include <functional>
#include <thread>

namespace qsr::testing {

// Lets events run until done() or ms have passed; returns done(). Generous
// time-outs on purpose: a loaded machine must not fail a test.
inline bool RunUntil(const std::function<bool()>& done, int ms) {
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return done();
}

// Lets events run for ms.
inline void RunFor(int ms) {
    RunUntil([] { return false; }, ms);
}

}  // namespace qsr::testing
