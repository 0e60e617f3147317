#include "framework/thread.h"

#include <chrono>
#include <deque>
#include <stdexcept>

#include "framework/sleep.h"
#include "platform/os_thread.h"

namespace orlix {
namespace {

struct PendingCall {
  const std::function<void()>* method;
  bool done = false;
  std::exception_ptr error;
};

// The queue of calls waiting for the main thread, and the flag that wakes a
// main thread waiting in CheckSynchronize when a thread ends.
struct SyncState {
  std::mutex mutex;
  std::condition_variable work;  // main thread waits here
  std::condition_variable done;  // callers wait here
  std::deque<PendingCall*> queue;
  bool wake = false;
  std::thread::id main_id = std::this_thread::get_id();
};

SyncState& Sync() {
  static SyncState state;  // first touched on the main thread, see below
  return state;
}

// Static initialisation runs on the main thread before main().
const bool kMainThreadKnown = (Sync(), true);

void WakeMainThread() {
  SyncState& s = Sync();
  std::lock_guard<std::mutex> lock(s.mutex);
  s.wake = true;
  s.work.notify_all();
}

int OsLevel(TThreadPriority priority) { return static_cast<int>(priority); }

}  // namespace

void SetMainThread() {
  SyncState& s = Sync();
  std::lock_guard<std::mutex> lock(s.mutex);
  s.main_id = std::this_thread::get_id();
}

bool IsMainThread() {
  SyncState& s = Sync();
  std::lock_guard<std::mutex> lock(s.mutex);
  return s.main_id == std::this_thread::get_id();
}

bool CheckSynchronize(uint32_t timeout_ms) {
  if (!IsMainThread()) return false;
  SyncState& s = Sync();
  std::unique_lock<std::mutex> lock(s.mutex);
  if (s.queue.empty() && !s.wake && timeout_ms > 0) {
    auto wait = std::chrono::microseconds(static_cast<uint64_t>(timeout_ms) * 1000 / SleepSpeedup());
    s.work.wait_for(lock, wait, [&] { return !s.queue.empty() || s.wake; });
  }
  s.wake = false;
  std::deque<PendingCall*> calls;
  calls.swap(s.queue);
  lock.unlock();
  for (PendingCall* call : calls) {
    try {
      (*call->method)();
    } catch (...) {
      call->error = std::current_exception();
    }
  }
  lock.lock();
  for (PendingCall* call : calls) call->done = true;
  if (!calls.empty()) s.done.notify_all();
  return !calls.empty();
}

void SynchronizeCall(const std::function<void()>& method) {
  if (IsMainThread()) {
    method();
    return;
  }
  SyncState& s = Sync();
  PendingCall call{&method, false, nullptr};
  std::unique_lock<std::mutex> lock(s.mutex);
  s.queue.push_back(&call);
  s.work.notify_all();
  s.done.wait(lock, [&] { return call.done; });
  lock.unlock();
  // The caller sees what the method raised, as if it had run here.
  if (call.error) std::rethrow_exception(call.error);
}

TThread::TThread(bool create_suspended) {
  (void)kMainThreadKnown;
  if (!create_suspended) throw std::logic_error("TThread must be created suspended and started with Start");
}

TThread::~TThread() {
  if (started_ && thread_.joinable() && thread_.get_id() != std::this_thread::get_id()) {
    Terminate();
    WaitFor();
  }
}

void TThread::Start() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (started_) return;
  started_ = true;
  // Run waits for this lock, so thread_ is assigned before the thread uses it.
  thread_ = std::thread(&TThread::Run, this);
}

void TThread::SetPriority(TThreadPriority priority) {
  std::lock_guard<std::mutex> lock(mutex_);
  priority_ = priority;
  if (os_id_ != 0 && !finished_) SetOsThreadPriority(os_id_, OsLevel(priority));
}

void TThread::Run() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    os_id_ = CurrentOsThreadId();
    // Also for normal: a thread inherits its creator's priority otherwise.
    SetOsThreadPriority(os_id_, OsLevel(priority_));
  }
  try {
    Execute();
  } catch (...) {
    fatal_exception_ = std::current_exception();
  }
  const bool free_self = free_on_terminate_;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    finished_ = true;
    // Notified under the lock: a waiter may destroy the object as soon as
    // it can take the lock again.
    finished_cv_.notify_all();
  }
  WakeMainThread();
  if (free_self) {
    thread_.detach();
    delete this;
  }
}

void TThread::WaitFor() {
  if (!started_) return;
  if (thread_.get_id() == std::this_thread::get_id()) return;
  if (IsMainThread()) {
    // Keep running synchronised calls: the thread may be waiting for one.
    while (!finished_) CheckSynchronize(50);
  } else {
    std::unique_lock<std::mutex> lock(mutex_);
    finished_cv_.wait(lock, [&] { return finished_.load(); });
  }
  std::lock_guard<std::mutex> lock(mutex_);
  if (thread_.joinable()) thread_.join();
}

void TThread::Synchronize(const std::function<void()>& method) { SynchronizeCall(method); }

}  // namespace orlix
