#include "platform/event.h"

#include <windows.h>

namespace orlix {

TEventHandle CreateEventObject() {
  // Manual reset, not signalled.
  return CreateEventA(nullptr, TRUE, FALSE, nullptr);
}

void ResetEventObject(TEventHandle event) {
  if (event) ResetEvent(event);
}

void SetEventObject(TEventHandle event) {
  if (event) SetEvent(event);
}

bool WaitForEventObject(TEventHandle event, uint32_t milliseconds) {
  if (!event) return false;
  return WaitForSingleObject(event, milliseconds) == WAIT_OBJECT_0;
}

void CloseEventObject(TEventHandle event) {
  if (event) CloseHandle(event);
}

}  // namespace orlix
