// Finding a mode page in a MODE SENSE (10) answer. Drives differ in what
// precedes the page: the 8-byte header and an 8-byte block descriptor, the
// header alone, or a header one byte short.
#pragma once

#include <cstddef>
#include <cstdint>

namespace orlix {

// Offset of the page (16, 8 or 7, the first whose byte is the page code), or
// -1 when it is at none of them.
int FindModePage(const uint8_t* answer, size_t size, uint8_t page_code);

// Moves the page at `offset` to the front of the buffer and zeroes what is
// left behind it.
void MoveModePageToFront(uint8_t* buffer, size_t size, int offset);

}  // namespace orlix
