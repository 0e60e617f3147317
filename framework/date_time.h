// Date-time values: days since 1899-12-30 in local time, the fraction being
// the time of day. Packed file dates are the FAT form: date in the high word
// (year-1980, month, day), time in the low word (hour, minute, second/2).
#pragma once

#include <cstdint>

#include "framework/export.h"

namespace orlix {

using TDateTime = double;

ORLIX_API bool TryEncodeDate(uint16_t year, uint16_t month, uint16_t day, TDateTime& result);
ORLIX_API bool TryEncodeTime(uint16_t hour, uint16_t min, uint16_t sec, uint16_t msec, TDateTime& result);
// Raise EConvertError on an invalid date or time.
ORLIX_API TDateTime EncodeDate(uint16_t year, uint16_t month, uint16_t day);
ORLIX_API TDateTime EncodeTime(uint16_t hour, uint16_t min, uint16_t sec, uint16_t msec);
ORLIX_API TDateTime EncodeDateTime(uint16_t year, uint16_t month, uint16_t day, uint16_t hour,
                                   uint16_t min, uint16_t sec, uint16_t msec = 0);

ORLIX_API void DecodeDate(TDateTime value, uint16_t& year, uint16_t& month, uint16_t& day);
ORLIX_API void DecodeTime(TDateTime value, uint16_t& hour, uint16_t& min, uint16_t& sec, uint16_t& msec);

// Local time now. Tests may pin it with SetNowOverride.
ORLIX_API TDateTime Now();
ORLIX_API void SetNowOverride(bool enabled, TDateTime value = 0);

// Local calendar time <-> date-time values (seconds since the Unix epoch).
ORLIX_API TDateTime UnixToDateTime(int64_t unix_seconds);  // converted to local time
ORLIX_API int64_t DateTimeToUnix(TDateTime local_value);

ORLIX_API int32_t DateTimeToFileDate(TDateTime value);
// False when the packed value is not a valid date and time.
ORLIX_API bool TryFileDateToDateTime(int32_t file_date, TDateTime& result);
// Raises EConvertError when the packed value is not a valid date and time.
ORLIX_API TDateTime FileDateToDateTime(int32_t file_date);

}  // namespace orlix
