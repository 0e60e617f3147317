// Worker threads as the library uses them: created suspended, given a
// priority, started; a terminate flag; optional self-freeing; and a way to run
// a call on the main thread and wait for it, which the host pumps with
// CheckSynchronize.
#pragma once

#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

namespace orlix {

enum class TThreadPriority { tpIdle, tpLowest, tpLower, tpNormal, tpHigher, tpHighest, tpTimeCritical };

class TThread {
 public:
  explicit TThread(bool create_suspended);
  // Waits for a running thread to end (after Terminate) unless it frees itself.
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
  void WaitFor();  // blocks until Execute has returned; pumps synchronisation on the main thread

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
};

// The main thread is the first thread that touches the framework, or the one
// that calls SetMainThread. It runs the calls queued by Synchronize when it
// calls CheckSynchronize; that waits up to timeout_ms for one to arrive and
// returns true when it ran any.
void SetMainThread();
bool IsMainThread();
bool CheckSynchronize(uint32_t timeout_ms = 0);
// Runs `method` on the main thread and waits, from any thread.
void SynchronizeCall(const std::function<void()>& method);

}  // namespace orlix
