// Component base: owner, Name, Tag, owned children and removal notification,
// plus the palette registry the design-time packages fill.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "framework/export.h"

namespace orlix {

enum class TOperation { opInsert, opRemove };

class ORLIX_API TComponent {
 public:
  // An owner frees its owned components when it is destroyed.
  explicit TComponent(TComponent* owner);
  virtual ~TComponent();

  TComponent(const TComponent&) = delete;
  TComponent& operator=(const TComponent&) = delete;

  TComponent* Owner() const { return owner_; }
  const std::string& Name() const { return name_; }
  void SetName(const std::string& name) { name_ = name; }
  intptr_t Tag() const { return tag_; }
  void SetTag(intptr_t tag) { tag_ = tag; }

  int ComponentCount() const { return static_cast<int>(components_.size()); }
  // Raises EListError when the index is outside the list.
  TComponent* Components(int index) const;

  // Asks to be told (Notification with opRemove) when `component` goes away,
  // even when this component does not own it.
  void FreeNotification(TComponent* component);
  void RemoveFreeNotification(TComponent* component);

 protected:
  // Called on the owner when a child is inserted or removed, and on every
  // component that asked for FreeNotification when one is destroyed.
  virtual void Notification(TComponent* component, TOperation operation);

 private:
  void InsertComponent(TComponent* component);
  void RemoveComponent(TComponent* component);

  TComponent* owner_ = nullptr;
  std::string name_;
  intptr_t tag_ = 0;
  std::vector<TComponent*> components_;
  std::vector<TComponent*> free_notifies_;
};

// Palette registration: page name to the component classes placed on it.
ORLIX_API void RegisterComponents(const std::string& page, const std::vector<std::string>& class_names);
ORLIX_API std::vector<std::string> PaletteComponents(const std::string& page);
ORLIX_API std::vector<std::string> PalettePages();

}  // namespace orlix
