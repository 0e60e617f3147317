#include "framework/thread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "framework/sleep.h"
#include "platform/os_thread.h"

namespace orlix {
namespace {

class ThreadLifecycle : public ::testing::Test {
 protected:
  void SetUp() override { SetSleepSpeedup(1000); }
  void TearDown() override { SetSleepSpeedup(1); }
};

struct LambdaThread : TThread {
  explicit LambdaThread(std::function<void(LambdaThread&)> b) : TThread(true), body(std::move(b)) {}
  ~LambdaThread() override {  // stopped before `body` goes: the thread runs it
    Terminate();
    WaitFor();
  }
  using TThread::Synchronize;
  void Execute() override { body(*this); }
  std::function<void(LambdaThread&)> body;
};

TEST_F(ThreadLifecycle, RunsOnlyAfterStartAndEndsOnTerminate) {
  std::atomic<int> laps{0};
  LambdaThread t([&](LambdaThread& self) {
    for (; !self.Terminated(); Sleep(100)) ++laps;
  });
  t.WaitFor();  // never started: returns instead of hanging
  EXPECT_EQ(laps, 0);
  EXPECT_FALSE(t.Finished());
  t.Start();
  t.Start();  // a second Start is ignored
  while (laps < 3) Sleep(10);
  t.Terminate();
  t.WaitFor();
  EXPECT_TRUE(t.Finished());
  struct Eager : TThread {
    Eager() : TThread(false) {}
    void Execute() override {}
  };
  EXPECT_THROW(Eager{}, std::logic_error);
}

TEST_F(ThreadLifecycle, ExceptionInExecuteEndsTheThreadQuietly) {
  LambdaThread t([](LambdaThread&) { throw std::runtime_error("boom"); });
  t.Start();
  t.WaitFor();
  ASSERT_TRUE(t.FatalException());
  EXPECT_THROW(std::rethrow_exception(t.FatalException()), std::runtime_error);
}

std::atomic<int> g_freed{0};

struct SelfFreeing : TThread {
  explicit SelfFreeing(std::atomic<bool>* r) : TThread(true), ran(r) { SetFreeOnTerminate(true); }
  ~SelfFreeing() override { ++g_freed; }
  void Execute() override {
    Sleep(50);
    *ran = true;
  }
  std::atomic<bool>* ran;
};

TEST_F(ThreadLifecycle, FreeOnTerminateDeletesTheObjectAfterExecute) {
  g_freed = 0;
  std::vector<std::atomic<bool>> ran(8);
  for (auto& r : ran) (new SelfFreeing(&r))->Start();
  while (g_freed < 8) CheckSynchronize(50);
  for (auto& r : ran) EXPECT_TRUE(r);
}

TEST(Synchronize, RunsOnTheMainThreadInOrderWhileItWaits) {
  ASSERT_TRUE(IsMainThread());
  std::vector<int> order;
  int on_main = 0;
  LambdaThread t([&](LambdaThread& self) {
    for (int i = 0; i < 200; ++i)
      self.Synchronize([&, i] {
        order.push_back(i);
        if (IsMainThread()) ++on_main;
      });
  });
  t.Start();
  t.WaitFor();  // pumps: the thread would wait for ever otherwise
  ASSERT_EQ(order.size(), 200u);
  EXPECT_EQ(on_main, 200);
  for (int i = 0; i < 200; ++i) EXPECT_EQ(order[i], i);
}

TEST(Synchronize, HostPumpsAndErrorsReachTheCaller) {
  bool ran = false;
  SynchronizeCall([&] { ran = true; });  // from the main thread: at once
  EXPECT_TRUE(ran);
  std::atomic<bool> done{false};
  std::atomic<bool> caught{false};
  std::thread plain([&] {
    EXPECT_FALSE(CheckSynchronize(0));  // not the main thread: nothing runs here
    try {
      SynchronizeCall([] { throw std::runtime_error("from main"); });
    } catch (const std::runtime_error&) {
      caught = true;
    }
    done = true;
  });
  while (!done) CheckSynchronize(20);
  plain.join();
  EXPECT_TRUE(caught);
}

TEST(Sleep, SpeedupShortensWaitsAndScalesTheTickCount) {
  SetSleepSpeedup(1000);
  uint64_t before = TickCount();
  Sleep(20000);  // 20 ms of real time
  uint64_t after = TickCount();
  EXPECT_GE(after - before, 19999u);
  SetSleepSpeedup(1);
  EXPECT_GE(TickCount(), after);  // changing the factor never turns the clock back
  SetSleepSpeedup(0);
  EXPECT_EQ(SleepSpeedup(), 1u);
}

// The scheduler's value seen by a thread started at `priority`.
int SchedulingValueAt(TThreadPriority priority) {
  std::atomic<int> seen{0};
  LambdaThread t([&](LambdaThread&) { seen = CurrentOsThreadSchedulingValue(); });
  t.SetPriority(priority);
  t.Start();
  t.WaitFor();
  return seen;
}

TEST(ThreadPriority, LevelsReachTheOsInOrderAndCanReturnToNormal) {
  const int normal = SchedulingValueAt(TThreadPriority::tpNormal);
  const int idle = SchedulingValueAt(TThreadPriority::tpIdle);
  const int critical = SchedulingValueAt(TThreadPriority::tpTimeCritical);
  EXPECT_GE(idle, normal);
  EXPECT_LE(critical, normal);
  if (std::getenv("ORLIX_UNPRIVILEGED_CHILD") != nullptr) {
    // May not raise, and lowering could not be undone: all stay normal.
    EXPECT_EQ(idle, normal);
    EXPECT_EQ(critical, normal);
  }

  // A thread that drops to idle and comes back runs at normal again.
  std::atomic<int> back{0};
  std::atomic<int> step{0};
  LambdaThread t([&](LambdaThread&) {
    step = 1;
    while (step != 2) Sleep(1);
    back = CurrentOsThreadSchedulingValue();
  });
  t.SetPriority(TThreadPriority::tpIdle);
  t.Start();
  while (step != 1) Sleep(1);
  t.SetPriority(TThreadPriority::tpNormal);
  EXPECT_EQ(t.Priority(), TThreadPriority::tpNormal);
  step = 2;
  t.WaitFor();
  EXPECT_EQ(back, normal);
}

// The same checks in a child process without the right to raise priorities.
TEST(ThreadPriority, UnprivilegedProcessCarriesOn) {
  if (std::getenv("ORLIX_UNPRIVILEGED_CHILD") != nullptr) GTEST_SKIP() << "already the child";
  if (std::system("test \"$(id -u)\" = 0 && command -v setpriv >/dev/null") != 0)
    GTEST_SKIP() << "needs root and setpriv to drop the privilege";
  std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
  std::string drop =
      "setpriv --reuid=65534 --regid=65534 --clear-groups --inh-caps=-all --bounding-set=-all ";
  if (std::system((drop + "test -x '" + self + "'").c_str()) != 0)
    GTEST_SKIP() << "the build folder is closed to an unprivileged user";
  std::string command = "ORLIX_UNPRIVILEGED_CHILD=1 " + drop + "'" + self +
                        "' --gtest_filter='ThreadPriority.*' >/dev/null 2>&1";
  EXPECT_EQ(std::system(command.c_str()), 0);
}

}  // namespace
}  // namespace orlix
