#include "device/device_state.h"

namespace orlix {

std::string DiscTypeString[14] = {"UNKNOWN", "CD-ROM", "CD-R",   "CD-RW", "DVD-ROM",  "DVD-R",  "DVD-RAM",
                                  "DVD-RW",  "DVD-RW", "DVD+RW", "DVD+R", "DDCD-ROM", "DDCD-R", "DDCD-RW"};
uint8_t ConfigBuf[114] = {};
uint8_t TocBuf[114] = {};
uint8_t WriteParamsBuf1[512] = {};
uint8_t WriteParamsBuf2[512] = {};

}  // namespace orlix
