// 64-bit file handles with access and sharing modes. Handles are signed
// 32-bit; a negative handle means no file.
#pragma once

#include <cstdint>
#include <string>

namespace orlix {

using THandle = int32_t;
constexpr THandle kInvalidHandle = -1;

// Open mode words: 0xFFFF creates (truncating an existing file) for writing;
// otherwise the two low bits choose the access and bits 4 to 6 the sharing.
constexpr uint16_t fmCreate = 0xFFFF;
constexpr uint16_t fmOpenRead = 0x0000;
constexpr uint16_t fmOpenWrite = 0x0001;
constexpr uint16_t fmOpenReadWrite = 0x0002;
constexpr uint16_t fmShareExclusive = 0x0010;
constexpr uint16_t fmShareDenyWrite = 0x0020;
constexpr uint16_t fmShareDenyRead = 0x0030;
constexpr uint16_t fmShareDenyNone = 0x0040;

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
