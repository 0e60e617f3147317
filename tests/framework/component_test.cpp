#include "framework/component.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/exceptions.h"

namespace orlix {
namespace {

// Records the notifications it receives and destroys itself when asked.
class Probe : public TComponent {
 public:
  Probe(TComponent* owner, std::vector<std::string>* log, std::string tag)
      : TComponent(owner), log_(log), tag_(std::move(tag)) {}
  ~Probe() override { log_->push_back("~" + tag_); }
  TComponent* watched = nullptr;

 protected:
  void Notification(TComponent* component, TOperation operation) override {
    TComponent::Notification(component, operation);
    if (operation == TOperation::opRemove && component == watched) {
      watched = nullptr;
      log_->push_back(tag_ + " lost watched");
    }
    if (operation == TOperation::opInsert) log_->push_back(tag_ + " got child");
  }

 private:
  std::vector<std::string>* log_;
  std::string tag_;
};

TEST(Component, OwnerFreesChildrenNewestFirstAndIsToldOfEach) {
  std::vector<std::string> log;
  auto* owner = new Probe(nullptr, &log, "owner");
  auto* a = new Probe(owner, &log, "a");
  new Probe(owner, &log, "b");
  EXPECT_EQ(owner->ComponentCount(), 2);
  EXPECT_EQ(owner->Components(0), a);
  EXPECT_EQ(a->Owner(), owner);
  EXPECT_THROW(owner->Components(2), EListError);
  EXPECT_THROW(owner->Components(-1), EListError);
  delete a;  // a child freed by hand leaves its owner's list
  EXPECT_EQ(owner->ComponentCount(), 1);
  delete owner;
  // Owned components hear of later insertions too (b's insertion reaches a).
  std::vector<std::string> expected{"owner got child", "a got child", "owner got child", "~a",
                                    "~owner",          "~b"};
  EXPECT_EQ(log, expected);
}

TEST(Component, FreeNotificationWorksBothWaysAndCanBeWithdrawn) {
  std::vector<std::string> log;
  Probe watcher(nullptr, &log, "watcher");
  auto* target = new Probe(nullptr, &log, "target");
  watcher.watched = target;
  watcher.FreeNotification(target);
  watcher.FreeNotification(target);  // asking twice still tells once
  delete target;
  EXPECT_EQ(watcher.watched, nullptr);
  EXPECT_EQ(std::count(log.begin(), log.end(), "watcher lost watched"), 1);

  // The target outliving the watcher must not be left with a dangling link.
  auto* survivor = new Probe(nullptr, &log, "survivor");
  {
    Probe brief(nullptr, &log, "brief");
    brief.FreeNotification(survivor);
  }
  delete survivor;  // would touch the freed watcher if the link stayed

  auto* other = new Probe(nullptr, &log, "other");
  watcher.watched = other;
  watcher.FreeNotification(other);
  watcher.RemoveFreeNotification(other);
  delete other;
  EXPECT_EQ(watcher.watched, other);  // not told any more
}

TEST(Component, PaletteKeepsPagesAndClassesOnce) {
  RegisterComponents("Test Page", {"TOne", "TTwo"});
  RegisterComponents("Test Page", {"TTwo", "TThree"});
  RegisterComponents("Other Page", {"TFour"});
  EXPECT_EQ(PaletteComponents("Test Page"), (std::vector<std::string>{"TOne", "TTwo", "TThree"}));
  EXPECT_TRUE(PaletteComponents("Missing").empty());
  auto pages = PalettePages();
  auto test_page = std::find(pages.begin(), pages.end(), "Test Page");
  ASSERT_NE(test_page, pages.end());
  EXPECT_NE(std::find(test_page, pages.end(), "Other Page"), pages.end());
}

}  // namespace
}  // namespace orlix
