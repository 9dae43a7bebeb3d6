#include "platform/services/Worker.h"

#include <QThread>
#include <utility>

namespace qsr::services {

Worker::Worker() = default;

Worker::~Worker() {
    Cancel();
    if (thread_) thread_->wait();
}

bool Worker::Start(std::function<void()> work, std::function<void()> done) {
    if (running_) return false;
    if (thread_) {
        // The last work has returned; its thread may still be winding down,
        // which the window thread must not wait for on a busy machine.
        QThread* old = thread_.release();
        QObject::connect(old, &QThread::finished, old, &QObject::deleteLater);
        if (old->isFinished()) old->deleteLater();
    }
    cancelled_ = false;
    running_ = true;
    thread_.reset(QThread::create([this, work = std::move(work), done = std::move(done)] {
        work();
        running_ = false;
        // Queued behind the work's own posts, so `done` sees all of them first.
        Post(done);
    }));
    thread_->start();
    return true;
}

void Worker::Post(std::function<void()> call) {
    if (!call) return;
    QMetaObject::invokeMethod(&context_, std::move(call), Qt::QueuedConnection);
}

bool Worker::Wait(std::chrono::milliseconds bound) {
    if (!thread_) return true;
    return thread_->wait(QDeadlineTimer(bound));
}

}  // namespace qsr::services
