// Multi-line text sink standing for the debug window: every debug message
// becomes one line. Safe to append from worker threads.
#pragma once

#include <functional>
#include <mutex>
#include <string>

#include "framework/component.h"
#include "framework/export.h"
#include "framework/string_list.h"

namespace orlix {

// A component, so that whoever shows lines in it hears when it goes.
class ORLIX_API TMemo : public TComponent {
 public:
  explicit TMemo(TComponent* owner = nullptr) : TComponent(owner) {}
  void Append(const std::string& line);
  TStringList Lines() const;  // a copy, taken under the lock
  void Clear();
  // Optional: called after each line is appended, on the appending thread.
  std::function<void(const std::string& line)> OnLine;

 private:
  mutable std::mutex mutex_;
  TStringList lines_;
};

}  // namespace orlix
