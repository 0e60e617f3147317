#include "framework/memo.h"

namespace orlix {

void TMemo::Append(const std::string& line) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    lines_.Add(line);
  }
  // Outside the lock, so that the handler may read the lines.
  if (OnLine) OnLine(line);
}

TStringList TMemo::Lines() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return lines_;
}

void TMemo::Clear() {
  std::lock_guard<std::mutex> lock(mutex_);
  lines_.Clear();
}

}  // namespace orlix
