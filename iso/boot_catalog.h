// The El Torito boot catalog: a validation entry and one default entry that
// loads the boot image.
#pragma once

#include <array>
#include <cstdint>

#include "iso/image_builder.h"

namespace orlix {

using TBootCatalog = std::array<uint8_t, 2048>;

// Diskette emulation when the image has exactly a diskette's size, else
// hard disk: an image a few bytes short of a diskette is no diskette.
uint8_t BootMediaType(int64_t boot_image_bytes);

void BuildBootCatalog(TBootCatalog& catalog, const TImageLayout& layout);

}  // namespace orlix
