// Windows of the host's windowing system as far as accepting dropped files
// needs them: a window's procedure, messages posted to it, and the drop
// handle a WM_DROPFILES message carries.
//
// Windows: real windows (user32) and drop handles (shell32). Linux has no
// shell drag-and-drop of this kind; a small layer of our own stands for it:
// windows are handles with a procedure, posted messages wait in the posting
// thread's queue until PumpWindowMessages, and a drop handle holds its names
// until it is released.
//
// Names differ from the Windows API so that its macros cannot clash.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#if defined(_WIN32) && !defined(_WIN64)
#define ORLIX_WINDOW_CALLBACK __stdcall
#else
#define ORLIX_WINDOW_CALLBACK
#endif

namespace orlix {

using TWindowHandle = void*;        // HWND
using TMessageWParam = uintptr_t;   // WPARAM
using TMessageLParam = intptr_t;    // LPARAM
using TMessageResult = intptr_t;    // LRESULT
using TDropHandle = void*;          // HDROP
using TWindowProcedure = TMessageResult(ORLIX_WINDOW_CALLBACK*)(TWindowHandle, uint32_t, TMessageWParam,
                                                                 TMessageLParam);

constexpr uint32_t kDropFilesMessage = 0x0233;  // WM_DROPFILES; WParam is the drop handle

// A plain top-level window of our own class, never shown, whose procedure
// answers every message with the system's default. nullptr on failure.
TWindowHandle CreatePlainWindow();
void DestroyPlainWindow(TWindowHandle window);
bool IsLiveWindow(TWindowHandle window);

TWindowProcedure WindowProcedure(TWindowHandle window);
// Installs `procedure`; returns the one it replaces (nullptr on failure).
TWindowProcedure ReplaceWindowProcedure(TWindowHandle window, TWindowProcedure procedure);
TMessageResult CallWindowProcedure(TWindowProcedure procedure, TWindowHandle window, uint32_t message,
                                   TMessageWParam wparam, TMessageLParam lparam);
// Delivers at once, through the window's current procedure.
TMessageResult SendWindowMessage(TWindowHandle window, uint32_t message, TMessageWParam wparam,
                                 TMessageLParam lparam);
// Queues the message for the calling thread's next PumpWindowMessages.
bool PostWindowMessage(TWindowHandle window, uint32_t message, TMessageWParam wparam, TMessageLParam lparam);
// Dispatches the calling thread's waiting messages; returns how many.
int PumpWindowMessages();

// Registers (or unregisters) the window as a target of dropped files.
void AcceptDroppedFiles(TWindowHandle window, bool accept);
bool AcceptsDroppedFiles(TWindowHandle window);

// A drop handle carrying `names` (UTF-8), as the shell makes one for a drop.
// Whoever receives it in a WM_DROPFILES releases it. nullptr on failure.
TDropHandle CreateDropHandle(const std::vector<std::string>& names);
uint32_t DroppedFileCount(TDropHandle drop);
// The name at `index` (UTF-8), empty past the end.
std::string DroppedFileName(TDropHandle drop, uint32_t index);
void ReleaseDropHandle(TDropHandle drop);
// False once the handle was released (a test's question).
bool IsLiveDropHandle(TDropHandle drop);

}  // namespace orlix
