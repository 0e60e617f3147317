#include "device/mode_page.h"

#include <cstring>
#include <initializer_list>

namespace orlix {

int FindModePage(const uint8_t* answer, size_t size, uint8_t page_code) {
  // The top bits of a page's first byte are flags (parameters savable,
  // sub-page format); only the low six bits are the page code.
  for (int offset : {16, 8, 7})
    if (static_cast<size_t>(offset) < size && (answer[offset] & 0x3F) == page_code) return offset;
  return -1;
}

void MoveModePageToFront(uint8_t* buffer, size_t size, int offset) {
  if (offset <= 0 || static_cast<size_t>(offset) >= size) return;
  const size_t n = size - static_cast<size_t>(offset);
  std::memmove(buffer, buffer + offset, n);
  std::memset(buffer + n, 0, static_cast<size_t>(offset));
}

}  // namespace orlix
