#include "device/device_state.h"

namespace orlix {

std::atomic<bool> GenerateLogs{false};
uint8_t _SenseInfo[40] = {};
bool fImmedCT = true;
bool fSlowReady = false;
bool wms = false;
bool fwms = false;
uint16_t MediumIs = 0;
uint8_t buf1[500] = {};
uint8_t buf2[65536] = {};
uint8_t buf3[256] = {};
uint8_t FormatCapacityBuf[275] = {};
uint8_t DiscInfo[56] = {};

}  // namespace orlix
