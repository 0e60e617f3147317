// The outcome of a drive command: good, or a sense key with its additional
// sense code and qualifier.
#pragma once

#include <cstdint>

namespace orlix::vrec {

struct Sense {
  uint8_t key = 0;
  uint8_t asc = 0;
  uint8_t ascq = 0;
  // Progress of a long operation, 0 to 65535, sent with NOT READY.
  int progress = -1;
  // The byte of the command block that is wrong, sent with ILLEGAL REQUEST.
  int field = -1;

  bool ok() const { return key == 0 && asc == 0 && ascq == 0; }
};

inline constexpr Sense kGood{};
inline constexpr Sense kNoMediumTrayClosed{0x02, 0x3A, 0x01};
inline constexpr Sense kNoMediumTrayOpen{0x02, 0x3A, 0x02};
inline constexpr Sense kBecomingReady{0x02, 0x04, 0x01};
inline constexpr Sense kFormatInProgress{0x02, 0x04, 0x04};
inline constexpr Sense kOperationInProgress{0x02, 0x04, 0x07};
inline constexpr Sense kLongWriteInProgress{0x02, 0x04, 0x08};
inline constexpr Sense kUnrecoveredReadError{0x03, 0x11, 0x00};
inline constexpr Sense kWriteError{0x03, 0x0C, 0x00};
inline constexpr Sense kInternalTargetFailure{0x04, 0x44, 0x00};
inline constexpr Sense kParameterListLength{0x05, 0x1A, 0x00};
inline constexpr Sense kInvalidOpcode{0x05, 0x20, 0x00};
inline constexpr Sense kLbaOutOfRange{0x05, 0x21, 0x00};
inline constexpr Sense kInvalidWriteAddress{0x05, 0x21, 0x02};
inline constexpr Sense kInvalidFieldInCdb{0x05, 0x24, 0x00};
inline constexpr Sense kInvalidFieldInParameters{0x05, 0x26, 0x00};
inline constexpr Sense kSequenceError{0x05, 0x2C, 0x00};
inline constexpr Sense kIncompatibleMedium{0x05, 0x30, 0x00};
inline constexpr Sense kCannotReadMedium{0x05, 0x30, 0x02};
inline constexpr Sense kCannotWriteMedium{0x05, 0x30, 0x05};
inline constexpr Sense kCannotFormatMedium{0x05, 0x30, 0x06};
inline constexpr Sense kSavingNotSupported{0x05, 0x39, 0x00};
inline constexpr Sense kRemovalPrevented{0x05, 0x53, 0x02};
inline constexpr Sense kIllegalModeForTrack{0x05, 0x64, 0x00};
inline constexpr Sense kNoMoreTracks{0x05, 0x72, 0x05};

inline Sense WithProgress(Sense s, int progress) {
  s.progress = progress;
  return s;
}

inline Sense InvalidFieldAt(int cdb_byte) {
  Sense s = kInvalidFieldInCdb;
  s.field = cdb_byte;
  return s;
}

}  // namespace orlix::vrec
