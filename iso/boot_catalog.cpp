// El Torito boot catalog.
#include "iso/boot_catalog.h"

#include <cstring>

#include "iso/bytes.h"

namespace orlix {

uint8_t BootMediaType(int64_t boot_image_bytes) {
  switch (boot_image_bytes) {
    case 1228800:  // 1.2 MB
      return 1;
    case 1474560:  // 1.44 MB
      return 2;
    case 2949120:  // 2.88 MB
      return 3;
    default:
      return 4;
  }
}

void BuildBootCatalog(TBootCatalog& c, const TImageLayout& layout) {
  c.fill(0);
  c[0] = 1;  // validation entry, platform 80x86
  static constexpr char kId[] = "Orlix CD/DVD Burner";
  std::memcpy(&c[4], kId, sizeof kId - 1);
  c[30] = 0x55;
  c[31] = 0xAA;
  uint16_t sum = 0;
  for (int i = 0; i < 32; i += 2) sum = static_cast<uint16_t>(sum + GetLE16(&c[i]));
  PutLE16(&c[28], static_cast<uint16_t>(0 - sum));
  c[32] = 0x88;  // bootable
  c[33] = BootMediaType(layout.BootImageBytes);
  PutLE16(&c[38], 1);
  PutLE32(&c[40], layout.BootImageSector);
}

}  // namespace orlix
