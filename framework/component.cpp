#include "framework/component.h"

#include <algorithm>
#include <map>
#include <mutex>

#include "framework/exceptions.h"

namespace orlix {
namespace {

void Erase(std::vector<TComponent*>& list, TComponent* item) {
  auto it = std::find(list.begin(), list.end(), item);
  if (it != list.end()) list.erase(it);
}

}  // namespace

TComponent::TComponent(TComponent* owner) {
  if (owner != nullptr) owner->InsertComponent(this);
}

TComponent::~TComponent() {
  // Tell everyone who asked, then drop the links both ways so that nobody
  // keeps a pointer to this component.
  std::vector<TComponent*> notifies;
  notifies.swap(free_notifies_);
  for (auto it = notifies.rbegin(); it != notifies.rend(); ++it) {
    Erase((*it)->free_notifies_, this);
    (*it)->Notification(this, TOperation::opRemove);
  }
  // Owned components go last-created first.
  while (!components_.empty()) {
    TComponent* child = components_.back();
    RemoveComponent(child);
    delete child;
  }
  if (owner_ != nullptr) owner_->RemoveComponent(this);
}

TComponent* TComponent::Components(int index) const {
  if (index < 0 || index >= ComponentCount())
    throw EListError("List index out of bounds (" + std::to_string(index) + ")");
  return components_[index];
}

void TComponent::FreeNotification(TComponent* component) {
  if (component == nullptr || component == this) return;
  if (std::find(free_notifies_.begin(), free_notifies_.end(), component) == free_notifies_.end())
    free_notifies_.push_back(component);
  if (std::find(component->free_notifies_.begin(), component->free_notifies_.end(), this) ==
      component->free_notifies_.end())
    component->free_notifies_.push_back(this);
}

void TComponent::RemoveFreeNotification(TComponent* component) {
  if (component == nullptr) return;
  Erase(free_notifies_, component);
  Erase(component->free_notifies_, this);
}

void TComponent::Notification(TComponent* component, TOperation operation) {
  if (operation == TOperation::opRemove && component != nullptr) RemoveFreeNotification(component);
  // Owned components hear of it too; one may remove others while handling it.
  for (size_t i = components_.size(); i-- > 0;) {
    if (i >= components_.size()) continue;
    components_[i]->Notification(component, operation);
  }
}

void TComponent::InsertComponent(TComponent* component) {
  components_.push_back(component);
  component->owner_ = this;
  Notification(component, TOperation::opInsert);
}

void TComponent::RemoveComponent(TComponent* component) {
  Notification(component, TOperation::opRemove);
  Erase(components_, component);
  component->owner_ = nullptr;
}

namespace {

struct Palette {
  std::mutex mutex;
  std::vector<std::string> pages;  // in registration order
  std::map<std::string, std::vector<std::string>> classes;
};

Palette& ThePalette() {
  static Palette palette;
  return palette;
}

}  // namespace

void RegisterComponents(const std::string& page, const std::vector<std::string>& class_names) {
  Palette& p = ThePalette();
  std::lock_guard<std::mutex> lock(p.mutex);
  auto [it, inserted] = p.classes.try_emplace(page);
  if (inserted) p.pages.push_back(page);
  for (const std::string& name : class_names)
    if (std::find(it->second.begin(), it->second.end(), name) == it->second.end()) it->second.push_back(name);
}

std::vector<std::string> PaletteComponents(const std::string& page) {
  Palette& p = ThePalette();
  std::lock_guard<std::mutex> lock(p.mutex);
  auto it = p.classes.find(page);
  return it == p.classes.end() ? std::vector<std::string>{} : it->second;
}

std::vector<std::string> PalettePages() {
  Palette& p = ThePalette();
  std::lock_guard<std::mutex> lock(p.mutex);
  return p.pages;
}

}  // namespace orlix
