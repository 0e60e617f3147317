// TExDragDrop: files dropped from the host's file manager onto a windowed
// control, collected as full paths with one event per drop.
#pragma once

#include <cstdint>
#include <functional>

#include "framework/component.h"
#include "framework/export.h"
#include "framework/string_list.h"
#include "framework/win_control.h"
#include "platform/window_messages.h"

namespace orlix {

using TDroppedEvent = std::function<void(TComponent* sender, int32_t items_count)>;

// A message as the window procedure receives it; Result is the answer.
struct TWindowMessage {
  uint32_t Msg = 0;
  TMessageWParam WParam = 0;
  TMessageLParam LParam = 0;
  TMessageResult Result = 0;
};

class ORLIX_API TExDragDrop : public TComponent {
 public:
  explicit TExDragDrop(TComponent* owner);
  ~TExDragDrop() override;

  // The full paths of the last drop, in the order the host gave them.
  const TStringList& Items() const { return items_; }
  TWinControl* Control() const { return control_; }
  // Takes over `control`'s window procedure and registers its window for
  // dropped files; nullptr (or another control) gives the previous window
  // its own procedure back and unregisters it. Setting the same control
  // again changes nothing. A control that cannot have a window, or a
  // process with every window thunk in use, leaves the component detached.
  void SetControl(TWinControl* control);

  TDroppedEvent OnDropped;

  // Every message of the attached window passes here: drops are read,
  // everything else goes to the window's previous procedure.
  void WndProc(TWindowMessage& message);
  // Reads the drop's names into Items (whole, however long), releases the
  // drop handle and raises OnDropped with their number.
  void DropFiles(TDropHandle drop);

 protected:
  void Notification(TComponent* component, TOperation operation) override;

 private:
  void Detach();

  TStringList items_;
  TWinControl* control_ = nullptr;
  TWindowHandle window_ = nullptr;
  TWindowProcedure previous_ = nullptr;
  TWindowProcedure thunk_ = nullptr;
};

// Places TExDragDrop on the library's palette page, beside the burner.
ORLIX_API void RegisterExDragDrop();

}  // namespace orlix
