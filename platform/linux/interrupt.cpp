#include "platform/interrupt.h"

#include <signal.h>

#include <atomic>

namespace orlix {

namespace {

// Written from the handler: it must be lock-free to be safe there.
std::atomic<int> caught{static_cast<int>(TInterrupt::None)};
static_assert(std::atomic<int>::is_always_lock_free);

struct Caught {
  int signal;
  TInterrupt kind;
  struct sigaction before;
  bool installed;
};
Caught signals[] = {{SIGINT, TInterrupt::Interrupt, {}, false},
                    {SIGTERM, TInterrupt::Terminate, {}, false},
                    {SIGHUP, TInterrupt::HangUp, {}, false}};

void OnSignal(int signal) {
  for (const Caught& s : signals) {
    if (s.signal != signal) continue;
    int none = static_cast<int>(TInterrupt::None);
    caught.compare_exchange_strong(none, static_cast<int>(s.kind));
  }
}

// Install calls not yet matched by Restore; only the main thread installs.
int depth = 0;

}  // namespace

void InstallInterruptHandlers() {
  if (depth++ > 0) return;
  caught = static_cast<int>(TInterrupt::None);
  struct sigaction action = {};
  action.sa_handler = OnSignal;
  sigemptyset(&action.sa_mask);
  // Interrupted reads and writes carry on; the flag is polled.
  action.sa_flags = SA_RESTART;
  for (Caught& s : signals) {
    if (s.installed || sigaction(s.signal, nullptr, &s.before) != 0) continue;
    // A signal the caller ignores (nohup, a background job) stays ignored.
    if (s.before.sa_handler == SIG_IGN) continue;
    s.installed = sigaction(s.signal, &action, nullptr) == 0;
  }
}

TInterrupt InterruptReceived() { return static_cast<TInterrupt>(caught.load()); }

void RestoreInterruptHandlers() {
  if (depth == 0 || --depth > 0) return;
  for (Caught& s : signals) {
    if (s.installed) sigaction(s.signal, &s.before, nullptr);
    s.installed = false;
  }
}

}  // namespace orlix
