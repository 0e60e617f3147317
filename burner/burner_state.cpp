#include "burner/burner_state.h"

namespace orlix {

PFEntry PrevFile = nullptr;
uint8_t ZeroSector[2048] = {};

}  // namespace orlix
