// A windowed control: a component that owns a window of the host's
// windowing system (platform/window_messages.h), created when its handle
// is first asked for.
#pragma once

#include "framework/component.h"
#include "framework/export.h"
#include "platform/window_messages.h"

namespace orlix {

class ORLIX_API TWinControl : public TComponent {
 public:
  explicit TWinControl(TComponent* owner);
  ~TWinControl() override;

  // The window, created on first use; nullptr when the system refused one.
  TWindowHandle Handle();
  bool HandleAllocated() const { return handle_ != nullptr; }

 private:
  TWindowHandle handle_ = nullptr;
};

}  // namespace orlix
