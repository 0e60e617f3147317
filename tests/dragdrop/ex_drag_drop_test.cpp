// The drag-and-drop component on real windows (Windows, also under wine)
// or on the stand-in message layer (Linux): drops arrive as posted
// WM_DROPFILES messages carrying a drop handle, as the shell sends them.
#include "dragdrop/ex_drag_drop.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "burner/burner.h"
#include "framework/window_thunks.h"

namespace orlix {
namespace {

// What the window's own procedure last saw; it answers 42.
struct Seen {
  int calls = 0;
  TWindowHandle window = nullptr;
  uint32_t message = 0;
  TMessageWParam wparam = 0;
  TMessageLParam lparam = 0;
  int drops = 0;
};
Seen g_seen;

constexpr uint32_t kProbeMessage = 0x8001;  // WM_APP + 1

TWindowProcedure g_plain = nullptr;  // the procedure the window was created with

TMessageResult ORLIX_WINDOW_CALLBACK OwnProcedure(TWindowHandle window, uint32_t message, TMessageWParam wparam,
                                                  TMessageLParam lparam) {
  if (message == kDropFilesMessage) ++g_seen.drops;
  if (message != kProbeMessage) return CallWindowProcedure(g_plain, window, message, wparam, lparam);
  ++g_seen.calls;
  g_seen.window = window;
  g_seen.message = message;
  g_seen.wparam = wparam;
  g_seen.lparam = lparam;
  return 42;
}

struct DropLog {
  std::vector<int32_t> counts;
  TComponent* sender = nullptr;
};

class DragDropTest : public ::testing::Test {
 protected:
  DragDropTest() {
    g_seen = {};
    first_ = std::make_unique<TWinControl>(nullptr);
    second_ = std::make_unique<TWinControl>(nullptr);
    // Each window gets a procedure of the test's own, to see what is passed on.
    for (TWinControl* c : {first_.get(), second_.get()}) g_plain = ReplaceWindowProcedure(c->Handle(), &OwnProcedure);
    drag_ = std::make_unique<TExDragDrop>(nullptr);
    drag_->OnDropped = [this](TComponent* sender, int32_t count) {
      log_.counts.push_back(count);
      log_.sender = sender;
    };
  }
  ~DragDropTest() override { PumpWindowMessages(); }

  // Posts a drop the way the shell does and lets the window handle it.
  TDropHandle Drop(TWinControl& control, const std::vector<std::string>& names) {
    TDropHandle drop = CreateDropHandle(names);
    EXPECT_NE(drop, nullptr);
    EXPECT_TRUE(PostWindowMessage(control.Handle(), kDropFilesMessage, reinterpret_cast<TMessageWParam>(drop), 0));
    PumpWindowMessages();
    return drop;
  }

  std::unique_ptr<TWinControl> first_, second_;
  std::unique_ptr<TExDragDrop> drag_;
  DropLog log_;
};

TEST_F(DragDropTest, DropsFillItemsAndRaiseOneEventEach) {
  drag_->SetControl(first_.get());
  EXPECT_EQ(drag_->Control(), first_.get());
  EXPECT_TRUE(AcceptsDroppedFiles(first_->Handle()));

  TDropHandle drop = Drop(*first_, {"C:\\data\\a.txt", "C:\\data\\b.bin", "C:\\data\\sub"});
  ASSERT_EQ(log_.counts.size(), 1u);
  EXPECT_EQ(log_.counts[0], 3);
  EXPECT_EQ(log_.sender, drag_.get());
  ASSERT_EQ(drag_->Items().Count(), 3);
  EXPECT_EQ(drag_->Items().Strings(0), "C:\\data\\a.txt");
  EXPECT_EQ(drag_->Items().Strings(1), "C:\\data\\b.bin");
  EXPECT_EQ(drag_->Items().Strings(2), "C:\\data\\sub");
  // Read once, then given back to the system; the window's own procedure
  // never sees the drop.
  EXPECT_FALSE(IsLiveDropHandle(drop));
  EXPECT_EQ(g_seen.drops, 0);

  Drop(*first_, {"C:\\other.iso"});
  ASSERT_EQ(log_.counts.size(), 2u);
  EXPECT_EQ(log_.counts[1], 1);
  ASSERT_EQ(drag_->Items().Count(), 1);
  EXPECT_EQ(drag_->Items().Strings(0), "C:\\other.iso");
}

TEST_F(DragDropTest, NamesKeepEveryCharacterAndTheirFullLength) {
  drag_->SetControl(first_.get());
  const std::string accented = "C:\\Gr\xC3\xBC\xC3\x9F" "e\\\xE6\x97\xA5\xE6\x9C\xAC.txt";  // Grüße\日本.txt
  const std::string emoji = "C:\\\xF0\x9F\x93\x80 disc.iso";  // outside the basic plane
  const std::string longest = "C:\\" + std::string(3000, 'n');  // past any fixed buffer
  Drop(*first_, {accented, emoji, longest});
  ASSERT_EQ(drag_->Items().Count(), 3);
  EXPECT_EQ(drag_->Items().Strings(0), accented);
  EXPECT_EQ(drag_->Items().Strings(1), emoji);
  EXPECT_EQ(drag_->Items().Strings(2), longest);
}

TEST_F(DragDropTest, OtherMessagesReachTheWindowsOwnProcedure) {
  drag_->SetControl(first_.get());
  const TMessageResult result = SendWindowMessage(first_->Handle(), kProbeMessage, 7, -9);
  EXPECT_EQ(result, 42);
  EXPECT_EQ(g_seen.calls, 1);
  EXPECT_EQ(g_seen.window, first_->Handle());
  EXPECT_EQ(g_seen.wparam, 7u);
  EXPECT_EQ(g_seen.lparam, -9);
}

TEST_F(DragDropTest, SettingTheSameControlAgainSubclassesOnce) {
  const int thunks = WindowThunksInUse();
  drag_->SetControl(first_.get());
  const TWindowProcedure installed = WindowProcedure(first_->Handle());
  drag_->SetControl(first_.get());
  EXPECT_EQ(WindowProcedure(first_->Handle()), installed);
  EXPECT_EQ(WindowThunksInUse(), thunks + 1);
  // Chained twice, a message would reach the own procedure twice.
  SendWindowMessage(first_->Handle(), kProbeMessage, 0, 0);
  EXPECT_EQ(g_seen.calls, 1);
  // One detach is enough to give the window its procedure back.
  drag_->SetControl(nullptr);
  EXPECT_EQ(WindowProcedure(first_->Handle()), &OwnProcedure);
  EXPECT_EQ(WindowThunksInUse(), thunks);
}

TEST_F(DragDropTest, DetachingRestoresTheProcedureAndUnregisters) {
  drag_->SetControl(first_.get());
  drag_->SetControl(nullptr);
  EXPECT_EQ(drag_->Control(), nullptr);
  EXPECT_EQ(WindowProcedure(first_->Handle()), &OwnProcedure);
  EXPECT_FALSE(AcceptsDroppedFiles(first_->Handle()));
  drag_.reset();
  EXPECT_EQ(WindowProcedure(first_->Handle()), &OwnProcedure);
}

TEST_F(DragDropTest, DestroyingTheComponentRestoresTheProcedure) {
  const int thunks = WindowThunksInUse();
  drag_->SetControl(first_.get());
  drag_.reset();
  EXPECT_EQ(WindowProcedure(first_->Handle()), &OwnProcedure);
  EXPECT_FALSE(AcceptsDroppedFiles(first_->Handle()));
  EXPECT_EQ(WindowThunksInUse(), thunks);
}

TEST_F(DragDropTest, SwitchingControlsLeavesTheFirstOnItsOwn) {
  drag_->SetControl(first_.get());
  drag_->SetControl(second_.get());
  EXPECT_EQ(drag_->Control(), second_.get());
  EXPECT_EQ(WindowProcedure(first_->Handle()), &OwnProcedure);
  EXPECT_FALSE(AcceptsDroppedFiles(first_->Handle()));
  EXPECT_TRUE(AcceptsDroppedFiles(second_->Handle()));

  TDropHandle stray = Drop(*first_, {"C:\\stray.txt"});
  EXPECT_TRUE(log_.counts.empty());
  EXPECT_EQ(g_seen.drops, 1);
  ReleaseDropHandle(stray);  // nobody read it

  Drop(*second_, {"C:\\wanted.txt"});
  ASSERT_EQ(log_.counts.size(), 1u);
  ASSERT_EQ(drag_->Items().Count(), 1);
  EXPECT_EQ(drag_->Items().Strings(0), "C:\\wanted.txt");
}

TEST_F(DragDropTest, AControlDestroyedFirstIsForgotten) {
  const int thunks = WindowThunksInUse();
  drag_->SetControl(first_.get());
  first_.reset();
  EXPECT_EQ(drag_->Control(), nullptr);
  EXPECT_EQ(WindowThunksInUse(), thunks);
  drag_.reset();  // must not touch the gone window
}

TEST_F(DragDropTest, AHandlerMayDetachDuringItsDrop) {
  drag_->OnDropped = [this](TComponent*, int32_t) { drag_->SetControl(nullptr); };
  drag_->SetControl(first_.get());
  Drop(*first_, {"C:\\a.txt"});
  EXPECT_EQ(drag_->Control(), nullptr);
  EXPECT_EQ(WindowProcedure(first_->Handle()), &OwnProcedure);
  EXPECT_EQ(drag_->Items().Count(), 1);
}

TEST(DragDropPalette, SitsOnTheBurnersPage) {
  RegisterExDragDrop();
  const std::vector<std::string> page = PaletteComponents(kPalettePage);
  EXPECT_NE(std::find(page.begin(), page.end(), "TExDragDrop"), page.end());
}

}  // namespace
}  // namespace orlix
