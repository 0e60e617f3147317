// Process-wide state of the drive-control code. The command buffers below
// exist once per process: two drive commands that use them must never run at
// the same time (the writer holds the device lock around its sequences).
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

namespace orlix {

// Name of every SCSI operation code: 22 characters, blank-padded, for the
// codes the library knows; the code as two hex digits ("99") for the others.
extern std::string CommandName[256];
// Log every drive command, not only the failures worth reporting.
extern std::atomic<bool> GenerateLogs;
// Sense data read by WaitForReady.
extern uint8_t _SenseInfo[40];

// Per-model switches set on selection: CLOSE TRACK/SESSION may carry the
// immediate bit; the drive needs the long readiness waits.
extern bool fImmedCT;
extern bool fSlowReady;

// Session-at-once recording for CDs: the application's choice, and the copy
// in force for the current recording.
extern bool wms;
extern bool fwms;
// Medium code of the disc in the drive, as the last DiscType found it.
extern uint16_t MediumIs;

// Command buffers.
extern uint8_t buf1[500];    // capacity answers, the time stamp
extern uint8_t buf2[65536];  // mode sense answers and mode select lists (any 16-bit length)
extern uint8_t buf3[256];    // the capabilities page
extern uint8_t FormatCapacityBuf[275];
extern uint8_t DiscInfo[56];  // READ DISC INFORMATION answer

// --- Capabilities, write parameters, disc information, erasing ---
// Names of the medium codes, "UNKNOWN" to "DDCD-RW".
extern std::string DiscTypeString[14];
// GET CONFIGURATION answers, READ TOC answers, and the two page buffers of
// the write parameters page.
extern uint8_t ConfigBuf[114];
extern uint8_t TocBuf[114];
extern uint8_t WriteParamsBuf1[512];
extern uint8_t WriteParamsBuf2[512];

}  // namespace orlix
