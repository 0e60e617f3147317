#include "framework/window_thunks.h"

#include <array>
#include <memory>
#include <mutex>
#include <utility>

namespace orlix {
namespace {

std::mutex g_mutex;
// Shared so that a call in progress keeps its callable when the slot is
// freed underneath it (a handler that detaches its own window).
std::array<std::shared_ptr<TWindowThunkTarget>, kWindowThunkSlots> g_slots;

template <int N>
TMessageResult ORLIX_WINDOW_CALLBACK Thunk(TWindowHandle window, uint32_t message, TMessageWParam wparam,
                                           TMessageLParam lparam) {
  std::shared_ptr<TWindowThunkTarget> target;
  {
    std::lock_guard<std::mutex> lock(g_mutex);
    target = g_slots[N];
  }
  return target ? (*target)(window, message, wparam, lparam) : 0;
}

template <int... N>
constexpr std::array<TWindowProcedure, sizeof...(N)> MakeTable(std::integer_sequence<int, N...>) {
  return {&Thunk<N>...};
}

constexpr std::array<TWindowProcedure, kWindowThunkSlots> kThunks =
    MakeTable(std::make_integer_sequence<int, kWindowThunkSlots>{});

}  // namespace

TWindowProcedure MakeWindowThunk(TWindowThunkTarget target) {
  if (!target) return nullptr;
  std::lock_guard<std::mutex> lock(g_mutex);
  for (int i = 0; i < kWindowThunkSlots; ++i) {
    if (!g_slots[i]) {
      g_slots[i] = std::make_shared<TWindowThunkTarget>(std::move(target));
      return kThunks[i];
    }
  }
  return nullptr;
}

void FreeWindowThunk(TWindowProcedure thunk) {
  std::shared_ptr<TWindowThunkTarget> released;  // destroyed after unlocking
  std::lock_guard<std::mutex> lock(g_mutex);
  for (int i = 0; i < kWindowThunkSlots; ++i) {
    if (kThunks[i] == thunk) {
      released.swap(g_slots[i]);
      return;
    }
  }
}

int WindowThunksInUse() {
  std::lock_guard<std::mutex> lock(g_mutex);
  int n = 0;
  for (const auto& slot : g_slots) n += slot ? 1 : 0;
  return n;
}

}  // namespace orlix
