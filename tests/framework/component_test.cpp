#include "framework/component.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "framework/exceptions.h"

namespace orlix {
namespace {

// Logs the notifications it receives and its own destruction.
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

TEST(Component, OwnerFreesChildrenAndIsToldOfEach) {
  std::vector<std::string> log;
  auto* owner = new Probe(nullptr, &log, "owner");
  auto* a = new Probe(owner, &log, "a");
  new Probe(owner, &log, "b");
  EXPECT_EQ(owner->Components(0), a);
  EXPECT_THROW(owner->Components(2), EListError);
  EXPECT_THROW(owner->Components(-1), EListError);
  delete a;  // a child freed by hand leaves its owner's list
  EXPECT_EQ(owner->ComponentCount(), 1);
  delete owner;
  // Owned components hear of later insertions too (b's insertion reaches a).
  EXPECT_EQ(log, (std::vector<std::string>{"owner got child", "a got child", "owner got child", "~a",
                                           "~owner", "~b"}));
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

  auto* survivor = new Probe(nullptr, &log, "survivor");
  { Probe(nullptr, &log, "brief").FreeNotification(survivor); }
  delete survivor;  // would touch the freed watcher if the link stayed

  auto* other = new Probe(nullptr, &log, "other");
  watcher.watched = other;
  watcher.FreeNotification(other);
  watcher.RemoveFreeNotification(other);
  delete other;
  EXPECT_EQ(watcher.watched, other);  // not told any more
}

}  // namespace
}  // namespace orlix
