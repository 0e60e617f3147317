#include "platform/interrupt.h"

#include <signal.h>

#include <atomic>

namespace orlix {

namespace {

// Written from the handler: it must be lock-free to be safe there.
std::atomic<int> caught{static_cast<int>(TInterrupt::None)};
static_assert(std::atomic<int>::is_always_lock_free);

constexpr struct {
  int signal;
  TInterrupt kind;
} kSignals[] = {
    {SIGINT, TInterrupt::Interrupt}, {SIGTERM, TInterrupt::Terminate}, {SIGHUP, TInterrupt::HangUp}};

void OnSignal(int signal) {
  for (const auto& s : kSignals) {
    if (s.signal != signal) continue;
    int none = static_cast<int>(TInterrupt::None);
    caught.compare_exchange_strong(none, static_cast<int>(s.kind));
  }
}

void SetHandler(void (*handler)(int)) {
  struct sigaction action = {};
  action.sa_handler = handler;
  sigemptyset(&action.sa_mask);
  // Interrupted reads and writes carry on; the flag is polled.
  action.sa_flags = SA_RESTART;
  for (const auto& s : kSignals) sigaction(s.signal, &action, nullptr);
}

}  // namespace

void InstallInterruptHandlers() {
  caught = static_cast<int>(TInterrupt::None);
  SetHandler(OnSignal);
}

TInterrupt InterruptReceived() { return static_cast<TInterrupt>(caught.load()); }

void RestoreInterruptHandlers() { SetHandler(SIG_DFL); }

}  // namespace orlix
