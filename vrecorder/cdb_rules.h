// How a strict drive reads a command block before acting on it: the block is
// as long as its operation needs (longer ones only with zeros past it), the
// bits the standard keeps reserved are zero, the data phase goes the way the
// operation sends data, and the length the block announces for it is the
// buffer the host gave. A host that trims its buffer to one length and writes
// another in the block, or writes a field into the wrong bytes, is told so
// here instead of being served a trimmed answer.
#pragma once

#include <cstdint>

#include "vrecorder/sense.h"

namespace orlix::vrec {

enum class CdbCheck {
  kGood,
  kBadRequest,  // the request block itself contradicts the operation
  kBadField,    // `sense` says which byte of the block is wrong
};

// Operations without a rule pass; their handlers judge them.
CdbCheck CheckCdb(const uint8_t* cdb, uint8_t cdb_length, uint8_t flags, uint32_t buffer_length,
                  Sense& sense);

}  // namespace orlix::vrec
