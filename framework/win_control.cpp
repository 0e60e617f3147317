#include "framework/win_control.h"

namespace orlix {

TWinControl::TWinControl(TComponent* owner) : TComponent(owner) {}

TWinControl::~TWinControl() {
  if (handle_) DestroyPlainWindow(handle_);
}

TWindowHandle TWinControl::Handle() {
  if (!handle_) handle_ = CreatePlainWindow();
  return handle_;
}

}  // namespace orlix
