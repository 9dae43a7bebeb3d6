#pragma once

#include <QObject>
#include <atomic>
#include <chrono>
#include <functional>
#include <memory>

class QThread;

namespace qsr::services {

// Runs one piece of long work at a time in a thread of its own, so the window
// that started it stays live. The work checks Cancelled() between its blocks
// or files; it reaches its owner only through Post, whose calls run queued on
// the owner's thread and are dropped once the Worker is gone. QtCore only.
class Worker {
  public:
    Worker();
    // Cancels the work and waits for it: what the work uses must outlive it.
    ~Worker();
    Worker(const Worker&) = delete;
    Worker& operator=(const Worker&) = delete;

    // Starts `work` in the worker thread; `done` runs on the owner's thread
    // after it, behind every call the work posted. False while one runs.
    bool Start(std::function<void()> work, std::function<void()> done);
    // From the work: runs `call` on the owner's thread.
    void Post(std::function<void()> call);

    void Cancel() { cancelled_ = true; }
    bool Cancelled() const { return cancelled_; }
    // True from Start until the work has returned.
    bool Running() const { return running_; }
    // Waits for the work to return; false when it is still running after `bound`.
    bool Wait(std::chrono::milliseconds bound);

  private:
    QObject context_;  // lives in the owner's thread; the posted calls aim at it
    std::unique_ptr<QThread> thread_;
    std::atomic<bool> cancelled_{false};
    std::atomic<bool> running_{false};
};

}  // namespace qsr::services
