// The search record and the host attribute bits, apart from the search
// functions: the burner's editing calls take them, so applications see these
// types without the platform's functions.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace orlix {

// Host attributes in the encoding the tree records.
constexpr int32_t faReadOnly = 0x01;
constexpr int32_t faHidden = 0x02;
constexpr int32_t faSysFile = 0x04;
constexpr int32_t faVolumeID = 0x08;
constexpr int32_t faDirectory = 0x10;
constexpr int32_t faArchive = 0x20;
constexpr int32_t faAnyFile = 0x3F;

#ifdef _WIN32
constexpr char PathDelim = '\\';
#else
constexpr char PathDelim = '/';
#endif

struct SearchState;  // platform-private

struct TSearchRec {
  int32_t Time = 0;  // packed file date of the modification time
  int32_t Size = 0;  // low 32 bits of the size
  int32_t Attr = 0;
  std::string Name;  // long name
  int32_t ExcludeAttr = 0;
  // The find data fields the tree uses.
  uint32_t SizeHigh = 0;
  uint32_t SizeLow = 0;
  std::string AlternateName;  // 8.3 name, at most 13 characters; may be empty
  std::shared_ptr<SearchState> State;

  int64_t Size64() const { return (static_cast<int64_t>(SizeHigh) << 32) | SizeLow; }
};

}  // namespace orlix
