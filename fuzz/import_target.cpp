// libFuzzer target: mutated descriptors, path tables and directory sectors
// read by session import and extraction through the virtual recorder.
#include "fuzz/import_harness.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  return orlix::fuzz::RunImportInput(data, size);
}
