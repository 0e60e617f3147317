// 64-bit file handles with access and sharing modes. Handles are signed
// 32-bit; a negative handle means no file.
#pragma once

#include <cstdint>
#include <string>

#include "platform/file_modes.h"

namespace orlix {

// Return kInvalidHandle on failure; LastOsError tells why.
THandle FileOpen(const std::string& path, uint16_t mode);
THandle FileCreate(const std::string& path);
void FileClose(THandle handle);
// Bytes moved, 0 at end of file and on failure (never negative).
int32_t FileRead(THandle handle, void* buffer, int32_t count);
int32_t FileWrite(THandle handle, const void* buffer, int32_t count);
// Origins 0 (beginning), 1 (current), 2 (end); returns the new position or -1.
int64_t FileSeek(THandle handle, int64_t offset, uint16_t origin);
// Sets the end of the file at the current position.
bool FileSetEnd(THandle handle);
bool FileExists(const std::string& path);
bool FileDelete(const std::string& path);
bool FileRename(const std::string& from, const std::string& to);
int LastOsError();
std::string OsErrorMessage(int error);

}  // namespace orlix
