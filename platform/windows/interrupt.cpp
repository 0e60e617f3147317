#include "platform/interrupt.h"

#include <windows.h>

#include <atomic>

namespace orlix {

namespace {

std::atomic<int> caught{static_cast<int>(TInterrupt::None)};

TInterrupt KindOf(DWORD event) {
  switch (event) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
      return TInterrupt::Interrupt;
    case CTRL_CLOSE_EVENT:
      return TInterrupt::HangUp;
    default:  // log-off and shut-down
      return TInterrupt::Terminate;
  }
}

// Runs on a thread of its own that the system starts for the event.
BOOL WINAPI OnConsoleEvent(DWORD event) {
  int none = static_cast<int>(TInterrupt::None);
  caught.compare_exchange_strong(none, static_cast<int>(KindOf(event)));
  // Handled: the process is not ended (closing the console ends it anyway
  // once the handlers return, after a grace time).
  return TRUE;
}

// Install calls not yet matched by Restore; only the main thread installs.
int depth = 0;

}  // namespace

void InstallInterruptHandlers() {
  if (depth++ > 0) return;
  caught = static_cast<int>(TInterrupt::None);
  SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
}

TInterrupt InterruptReceived() { return static_cast<TInterrupt>(caught.load()); }

void RestoreInterruptHandlers() {
  if (depth == 0 || --depth > 0) return;
  SetConsoleCtrlHandler(OnConsoleEvent, FALSE);
}

}  // namespace orlix
