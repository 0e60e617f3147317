// The stand-in for the host's windows: a handle is a number we gave out,
// with a procedure and the drop-target flag; posted messages wait in the
// posting thread's queue; a drop handle is a list of names.
#include "platform/window_messages.h"

#include <deque>
#include <mutex>
#include <unordered_map>
#include <unordered_set>

namespace orlix {
namespace {

struct Window {
  TWindowProcedure procedure = nullptr;
  bool accepts_drops = false;
};

struct Drop {
  std::vector<std::string> names;
};

struct Posted {
  TWindowHandle window;
  uint32_t message;
  TMessageWParam wparam;
  TMessageLParam lparam;
};

std::mutex g_mutex;
std::unordered_map<TWindowHandle, Window> g_windows;
std::unordered_set<Drop*> g_drops;
uintptr_t g_next_handle = 0x1000;
thread_local std::deque<Posted> t_queue;

TMessageResult DefaultProcedure(TWindowHandle, uint32_t, TMessageWParam, TMessageLParam) { return 0; }

Drop* LiveDrop(TDropHandle drop) {
  auto* d = static_cast<Drop*>(drop);
  return g_drops.count(d) ? d : nullptr;
}

}  // namespace

TWindowHandle CreatePlainWindow() {
  std::lock_guard<std::mutex> lock(g_mutex);
  // Numbers, never addresses: a handle is not dereferenced.
  auto* handle = reinterpret_cast<TWindowHandle>(g_next_handle += 0x10);
  g_windows[handle].procedure = &DefaultProcedure;
  return handle;
}

void DestroyPlainWindow(TWindowHandle window) {
  std::lock_guard<std::mutex> lock(g_mutex);
  g_windows.erase(window);
}

bool IsLiveWindow(TWindowHandle window) {
  std::lock_guard<std::mutex> lock(g_mutex);
  return g_windows.count(window) != 0;
}

TWindowProcedure WindowProcedure(TWindowHandle window) {
  std::lock_guard<std::mutex> lock(g_mutex);
  auto it = g_windows.find(window);
  return it == g_windows.end() ? nullptr : it->second.procedure;
}

TWindowProcedure ReplaceWindowProcedure(TWindowHandle window, TWindowProcedure procedure) {
  std::lock_guard<std::mutex> lock(g_mutex);
  auto it = g_windows.find(window);
  if (it == g_windows.end() || procedure == nullptr) return nullptr;
  TWindowProcedure previous = it->second.procedure;
  it->second.procedure = procedure;
  return previous;
}

TMessageResult CallWindowProcedure(TWindowProcedure procedure, TWindowHandle window, uint32_t message,
                                   TMessageWParam wparam, TMessageLParam lparam) {
  return procedure ? procedure(window, message, wparam, lparam) : 0;
}

TMessageResult SendWindowMessage(TWindowHandle window, uint32_t message, TMessageWParam wparam,
                                 TMessageLParam lparam) {
  // Called without the lock: the procedure may re-enter the layer.
  return CallWindowProcedure(WindowProcedure(window), window, message, wparam, lparam);
}

bool PostWindowMessage(TWindowHandle window, uint32_t message, TMessageWParam wparam, TMessageLParam lparam) {
  if (!IsLiveWindow(window)) return false;
  t_queue.push_back({window, message, wparam, lparam});
  return true;
}

int PumpWindowMessages() {
  int dispatched = 0;
  while (!t_queue.empty()) {
    const Posted m = t_queue.front();
    t_queue.pop_front();
    // A window destroyed meanwhile loses its messages, as on Windows.
    if (!IsLiveWindow(m.window)) continue;
    SendWindowMessage(m.window, m.message, m.wparam, m.lparam);
    ++dispatched;
  }
  return dispatched;
}

void AcceptDroppedFiles(TWindowHandle window, bool accept) {
  std::lock_guard<std::mutex> lock(g_mutex);
  auto it = g_windows.find(window);
  if (it != g_windows.end()) it->second.accepts_drops = accept;
}

bool AcceptsDroppedFiles(TWindowHandle window) {
  std::lock_guard<std::mutex> lock(g_mutex);
  auto it = g_windows.find(window);
  return it != g_windows.end() && it->second.accepts_drops;
}

TDropHandle CreateDropHandle(const std::vector<std::string>& names) {
  auto* drop = new Drop{names};
  std::lock_guard<std::mutex> lock(g_mutex);
  g_drops.insert(drop);
  return drop;
}

uint32_t DroppedFileCount(TDropHandle drop) {
  std::lock_guard<std::mutex> lock(g_mutex);
  Drop* d = LiveDrop(drop);
  return d ? static_cast<uint32_t>(d->names.size()) : 0;
}

std::string DroppedFileName(TDropHandle drop, uint32_t index) {
  std::lock_guard<std::mutex> lock(g_mutex);
  Drop* d = LiveDrop(drop);
  return d && index < d->names.size() ? d->names[index] : std::string();
}

void ReleaseDropHandle(TDropHandle drop) {
  std::lock_guard<std::mutex> lock(g_mutex);
  if (Drop* d = LiveDrop(drop)) {
    g_drops.erase(d);
    delete d;
  }
}

bool IsLiveDropHandle(TDropHandle drop) {
  std::lock_guard<std::mutex> lock(g_mutex);
  return LiveDrop(drop) != nullptr;
}

}  // namespace orlix
