#include "dragdrop/ex_drag_drop.h"

#include "framework/window_thunks.h"

namespace orlix {

namespace {
// The burner's page (burner/burner.h); this folder does not depend on it.
constexpr const char* kPalettePageName = "Orlix CD Burner";
}  // namespace

TExDragDrop::TExDragDrop(TComponent* owner) : TComponent(owner) {}

TExDragDrop::~TExDragDrop() { Detach(); }

void TExDragDrop::SetControl(TWinControl* control) {
  if (control == control_) return;
  Detach();
  if (!control) return;
  TWindowHandle window = control->Handle();
  if (!window) return;
  TWindowProcedure thunk =
      MakeWindowThunk([this](TWindowHandle, uint32_t msg, TMessageWParam wparam, TMessageLParam lparam) {
        TWindowMessage message{msg, wparam, lparam, 0};
        WndProc(message);
        return message.Result;
      });
  if (!thunk) return;
  TWindowProcedure previous = ReplaceWindowProcedure(window, thunk);
  if (!previous) {
    FreeWindowThunk(thunk);
    return;
  }
  control_ = control;
  window_ = window;
  previous_ = previous;
  thunk_ = thunk;
  AcceptDroppedFiles(window_, true);
  // A control destroyed first must not leave us restoring a dead window.
  control_->FreeNotification(this);
}

void TExDragDrop::Detach() {
  if (!control_) return;
  if (IsLiveWindow(window_)) {
    ReplaceWindowProcedure(window_, previous_);
    AcceptDroppedFiles(window_, false);
  }
  FreeWindowThunk(thunk_);
  control_->RemoveFreeNotification(this);
  control_ = nullptr;
  window_ = nullptr;
  previous_ = nullptr;
  thunk_ = nullptr;
}

void TExDragDrop::Notification(TComponent* component, TOperation operation) {
  if (operation == TOperation::opRemove && component != nullptr && component == control_) Detach();
  TComponent::Notification(component, operation);
}

void TExDragDrop::WndProc(TWindowMessage& message) {
  if (message.Msg == kDropFilesMessage) {
    message.Result = 0;
    // Nothing of this component is touched after the event: its handler
    // may detach or even free it.
    DropFiles(reinterpret_cast<TDropHandle>(message.WParam));
    return;
  }
  message.Result = CallWindowProcedure(previous_, window_, message.Msg, message.WParam, message.LParam);
}

void TExDragDrop::DropFiles(TDropHandle drop) {
  items_.Clear();
  const uint32_t count = DroppedFileCount(drop);
  for (uint32_t i = 0; i < count; ++i) items_.Add(DroppedFileName(drop, i));
  // The shell leaves the handle to whoever reads it.
  ReleaseDropHandle(drop);
  // A copy: the handler may free this component, and the handler with it.
  const TDroppedEvent handler = OnDropped;
  if (handler) handler(this, static_cast<int32_t>(count));
}

void RegisterExDragDrop() { RegisterComponents(kPalettePageName, {"TExDragDrop"}); }

}  // namespace orlix
