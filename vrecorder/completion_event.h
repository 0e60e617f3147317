// Signals the completion event a caller put into SRB_PostProc.
#pragma once

namespace orlix::vrec {

void SignalCompletionEvent(void* event);

}  // namespace orlix::vrec
