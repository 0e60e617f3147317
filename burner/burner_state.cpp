#include "burner/burner_state.h"

#include "burner/cache_thread.h"

namespace orlix {

PFEntry PrevFile = nullptr;
uint8_t ZeroSector[2048] = {};

TOrlixBurner* RecordingBurner = nullptr;
std::unique_ptr<TCacheThread> CacheThread;
std::atomic<TThWrite*> WriterThread{nullptr};
std::atomic<bool> Aborted{false};
std::atomic<bool> Writing{false};

}  // namespace orlix
