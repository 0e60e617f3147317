// Requests to stop the program (Ctrl-C, a termination or hang-up signal, a
// console closing) caught as a flag that the program polls, so that a long
// operation can end cleanly instead of dying halfway.
#pragma once

namespace orlix {

enum class TInterrupt { None, Interrupt, Terminate, HangUp };

// Catches the requests from now on; the handlers only record the first
// request that arrives. Clears what was recorded before.
void InstallInterruptHandlers();
// The first request caught since InstallInterruptHandlers; None when none.
TInterrupt InterruptReceived();
// Gives the requests their default effect again (ending the program).
void RestoreInterruptHandlers();

}  // namespace orlix
