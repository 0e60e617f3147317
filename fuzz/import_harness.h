// One fuzz input through session import, listing and extraction on the
// virtual recorder. Shared by the libFuzzer target and the test that replays
// the seeds and the inputs that once failed.
#pragma once

#include <cstddef>
#include <cstdint>

namespace orlix::fuzz {

// The input is a disc from sector 16 on (volume descriptors, path tables,
// directories, file data), loaded as a pressed DVD; sectors 0 to 15 are
// zeros. The last session is imported, the tree walked, and a few of its
// files extracted. Always returns 0; faults show as sanitizer reports.
int RunImportInput(const uint8_t* data, size_t size);

}  // namespace orlix::fuzz
