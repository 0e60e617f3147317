// Window procedures that call an object: a window procedure is a plain
// function with no room for an object pointer, so a fixed set of plain
// functions each routes to the callable held in its slot.
#pragma once

#include <functional>

#include "platform/window_messages.h"

namespace orlix {

constexpr int kWindowThunkSlots = 64;

using TWindowThunkTarget =
    std::function<TMessageResult(TWindowHandle, uint32_t, TMessageWParam, TMessageLParam)>;

// A window procedure of its own that calls `target`; nullptr when every
// slot is taken. Free it when no window uses it any more.
TWindowProcedure MakeWindowThunk(TWindowThunkTarget target);
// Called while the thunk runs, the slot's callable stays alive until it
// returns. Unknown procedures are ignored.
void FreeWindowThunk(TWindowProcedure thunk);
// Slots in use (a test's question).
int WindowThunksInUse();

}  // namespace orlix
