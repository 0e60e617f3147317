// Real windows and drop handles: user32 for windows and messages, shell32
// for drops. Every window here is a Unicode window, so names arrive whole.
#ifndef _WIN32_WINNT
#define _WIN32_WINNT 0x0601
#endif
#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>
#include <shlobj.h>  // DROPFILES

#include <cstring>

#include "platform/window_messages.h"
#include "platform/windows/wide_names.h"

namespace orlix {
namespace {

constexpr wchar_t kPlainClass[] = L"OrlixPlainWindow";

HWND Hwnd(TWindowHandle window) { return static_cast<HWND>(window); }

bool RegisterPlainClass() {
  static const bool registered = [] {
    WNDCLASSW wc{};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = kPlainClass;
    return RegisterClassW(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
  }();
  return registered;
}

}  // namespace

TWindowHandle CreatePlainWindow() {
  if (!RegisterPlainClass()) return nullptr;
  return CreateWindowExW(0, kPlainClass, L"", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT, 100, 100, nullptr,
                         nullptr, GetModuleHandleW(nullptr), nullptr);
}

void DestroyPlainWindow(TWindowHandle window) {
  if (window) DestroyWindow(Hwnd(window));
}

bool IsLiveWindow(TWindowHandle window) { return window && IsWindow(Hwnd(window)); }

TWindowProcedure WindowProcedure(TWindowHandle window) {
  return reinterpret_cast<TWindowProcedure>(GetWindowLongPtrW(Hwnd(window), GWLP_WNDPROC));
}

TWindowProcedure ReplaceWindowProcedure(TWindowHandle window, TWindowProcedure procedure) {
  if (!procedure) return nullptr;
  return reinterpret_cast<TWindowProcedure>(
      SetWindowLongPtrW(Hwnd(window), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(procedure)));
}

TMessageResult CallWindowProcedure(TWindowProcedure procedure, TWindowHandle window, uint32_t message,
                                   TMessageWParam wparam, TMessageLParam lparam) {
  if (!procedure) return 0;
  return CallWindowProcW(reinterpret_cast<WNDPROC>(procedure), Hwnd(window), message, wparam, lparam);
}

TMessageResult SendWindowMessage(TWindowHandle window, uint32_t message, TMessageWParam wparam,
                                 TMessageLParam lparam) {
  return SendMessageW(Hwnd(window), message, wparam, lparam);
}

bool PostWindowMessage(TWindowHandle window, uint32_t message, TMessageWParam wparam, TMessageLParam lparam) {
  return PostMessageW(Hwnd(window), message, wparam, lparam) != FALSE;
}

int PumpWindowMessages() {
  int dispatched = 0;
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
    ++dispatched;
  }
  return dispatched;
}

void AcceptDroppedFiles(TWindowHandle window, bool accept) { DragAcceptFiles(Hwnd(window), accept ? TRUE : FALSE); }

bool AcceptsDroppedFiles(TWindowHandle window) {
  return (GetWindowLongPtrW(Hwnd(window), GWL_EXSTYLE) & WS_EX_ACCEPTFILES) != 0;
}

TDropHandle CreateDropHandle(const std::vector<std::string>& names) {
  // DROPFILES, then each name with its terminator, then one more.
  std::wstring list;
  for (const std::string& name : names) {
    list += Utf8ToWide(name);
    list.push_back(L'\0');
  }
  list.push_back(L'\0');
  const size_t bytes = sizeof(DROPFILES) + list.size() * sizeof(wchar_t);
  HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, bytes);
  if (!memory) return nullptr;
  auto* header = static_cast<DROPFILES*>(GlobalLock(memory));
  if (!header) {
    GlobalFree(memory);
    return nullptr;
  }
  header->pFiles = sizeof(DROPFILES);
  header->fWide = TRUE;
  std::memcpy(reinterpret_cast<char*>(header) + sizeof(DROPFILES), list.data(), list.size() * sizeof(wchar_t));
  GlobalUnlock(memory);
  return memory;
}

uint32_t DroppedFileCount(TDropHandle drop) { return DragQueryFileW(static_cast<HDROP>(drop), 0xFFFFFFFF, nullptr, 0); }

std::string DroppedFileName(TDropHandle drop, uint32_t index) {
  // The length first, so that no name is cut.
  const UINT length = DragQueryFileW(static_cast<HDROP>(drop), index, nullptr, 0);
  if (length == 0) return std::string();
  std::wstring name(length + 1, L'\0');
  const UINT copied = DragQueryFileW(static_cast<HDROP>(drop), index, name.data(), length + 1);
  return WideToUtf8(name.data(), copied);
}

void ReleaseDropHandle(TDropHandle drop) {
  if (drop) DragFinish(static_cast<HDROP>(drop));
}

bool IsLiveDropHandle(TDropHandle drop) { return drop && GlobalFlags(static_cast<HGLOBAL>(drop)) != GMEM_INVALID_HANDLE; }

}  // namespace orlix
