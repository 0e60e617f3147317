// Requests to stop the program (Ctrl-C, a termination or hang-up signal, a
// console closing) caught as a flag that the program polls, so that a long
// operation can end cleanly instead of dying halfway.
#pragma once

namespace orlix {

enum class TInterrupt { None, Interrupt, Terminate, HangUp };

// Catches the requests from now on; the handlers only record the first
// request that arrives. Clears what was recorded before. A request the
// process was started to ignore (nohup, a background job) stays ignored.
// Calls nest: an inner Install/Restore pair (a progress watch inside a
// command that already catches) neither clears a request caught before nor
// gives the requests their old effect while the outer caller still needs
// them caught.
void InstallInterruptHandlers();
// The first request caught since InstallInterruptHandlers; None when none.
TInterrupt InterruptReceived();
// Gives the requests the effect they had before the handlers were
// installed (by default, ending the program), once the outermost Install
// is matched.
void RestoreInterruptHandlers();

}  // namespace orlix
