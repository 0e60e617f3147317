// Completion events of drive requests: manual-reset objects of the operating
// system, so that an outside ASPI manager can signal them from its own code.
// On Linux an event is an eventfd (signal it by writing an 8-byte count);
// on Windows an event object.
#pragma once

#include <cstdint>

namespace orlix {

// The handle as it travels in a request block; nullptr means no event.
using TEventHandle = void*;

// nullptr when the system cannot create one.
TEventHandle CreateEventObject();
void ResetEventObject(TEventHandle event);
void SetEventObject(TEventHandle event);
// Waits at most `milliseconds` of real time; true when the event is signalled.
// A signalled event stays signalled until reset.
bool WaitForEventObject(TEventHandle event, uint32_t milliseconds);
void CloseEventObject(TEventHandle event);

}  // namespace orlix
