// Worker threads as the library uses them: created suspended, given a
// priority, started; a terminate flag; optional self-freeing; and a way to run
// a call on the main thread and wait for it, which the host pumps with
// CheckSynchronize.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include "framework/export.h"

namespace orlix {

enum class TThreadPriority { tpIdle, tpLowest, tpLower, tpNormal, tpHigher, tpHighest, tpTimeCritical };

class ORLIX_API TThread {
 public:
  // Threads are always created suspended and run after Start: the base cannot
  // start Execute on an object whose derived part is still being built, so
  // `create_suspended` false is refused with std::logic_error.
  explicit TThread(bool create_suspended);
  // Sets the terminate flag and waits for a running thread to end, unless it
  // frees itself. A derived class whose Execute uses its own members must do
  // the same (Terminate(); WaitFor();) in its own destructor, because they are
  // gone by the time this one runs.
  virtual ~TThread();

  TThread(const TThread&) = delete;
  TThread& operator=(const TThread&) = delete;

  void Start();  // starts a suspended thread once
  void Terminate() { terminated_ = true; }
  bool Terminated() const { return terminated_; }
  // Applied to the OS thread where the OS allows; a process that may not raise
  // a priority carries on at the priority it has.
  void SetPriority(TThreadPriority priority);
  TThreadPriority Priority() const { return priority_; }
  // With FreeOnTerminate the object deletes itself when Execute returns; the
  // creator must not touch it after Start.
  void SetFreeOnTerminate(bool value) { free_on_terminate_ = value; }
  bool FreeOnTerminate() const { return free_on_terminate_; }
  bool Finished() const { return finished_; }
  // Blocks until Execute has returned; pumps synchronisation on the main
  // thread. Returns at once for a thread never started or on the thread itself.
  void WaitFor();
  // What escaped from Execute, if anything; the thread ends quietly then.
  std::exception_ptr FatalException() const { return fatal_exception_; }

 protected:
  virtual void Execute() = 0;
  // Runs `method` on the main thread and waits for it; runs it at once when
  // called on the main thread.
  void Synchronize(const std::function<void()>& method);

 private:
  void Run();

  std::thread thread_;
  std::atomic<bool> terminated_{false};
  std::atomic<bool> finished_{false};
  std::atomic<bool> started_{false};
  std::atomic<bool> free_on_terminate_{false};
  TThreadPriority priority_ = TThreadPriority::tpNormal;
  std::mutex mutex_;  // guards start, the OS thread id, priority and the end
  std::condition_variable finished_cv_;
  uint64_t os_id_ = 0;  // 0 until the thread runs
  std::exception_ptr fatal_exception_;
};

// The main thread is the first thread that touches the framework, or the one
// that calls SetMainThread. It runs the calls queued by Synchronize when it
// calls CheckSynchronize; that waits up to timeout_ms for one to arrive and
// returns true when it ran any. The timeout follows SetSleepSpeedup; calls
// from other threads return false at once.
ORLIX_API void SetMainThread();
ORLIX_API bool IsMainThread();
ORLIX_API bool CheckSynchronize(uint32_t timeout_ms = 0);
// Runs `method` on the main thread and waits, from any thread.
ORLIX_API void SynchronizeCall(const std::function<void()>& method);

}  // namespace orlix
