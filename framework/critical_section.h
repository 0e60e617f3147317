// Critical section: recursive, like the host's, so a thread that holds it
// may enter again.
#pragma once

#include <mutex>

namespace orlix {

class TCriticalSection {
 public:
  void Enter() { mutex_.lock(); }
  void Leave() { mutex_.unlock(); }
  bool TryEnter() { return mutex_.try_lock(); }
  // Same as Enter/Leave, so that std::lock_guard works.
  void lock() { Enter(); }
  void unlock() { Leave(); }

 private:
  std::recursive_mutex mutex_;
};

}  // namespace orlix
