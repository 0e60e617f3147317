// The image builder: turns the tree of iso/tree.h into the sectors of an
// ISO 9660 image with a Joliet supplementary volume and an optional El Torito
// boot record. The burner's preparation methods are thin wrappers over the
// functions declared in the iso/ headers named below; this header holds what
// they share: the settings they read, the layout values they compute, and
// the process-wide state the recording side reads afterwards.
//
//   iso/ordering.h            path-table order, entry chains
//   iso/layout.h              sector map, extent and table sizes, file addresses
//   iso/directory_records.h   directory extents of both trees
//   iso/path_table.h          the four path tables
//   iso/volume_descriptors.h  primary, Joliet, boot record, terminator
//   iso/boot_catalog.h        El Torito boot catalog
//   iso/header.h              layout pass and header building, listings
//   iso/image_stream.h        what each source adds to the image stream
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>

#include "framework/date_time.h"
#include "framework/memory_stream.h"

namespace orlix {

// The first file of a first session never starts before this sector.
constexpr int64_t kFirstFileMinSector = 150;

// Where the debug lines of preparation go (the burner's DebugMsg).
using TDebugSink = std::function<void(const std::string& text, uint8_t type)>;

// Why a name or text on the disc differs from the one given; the burner
// reports each as its own TNameChange.
enum class TWrittenName {
  JolietCut,    // cut to fit its record, or given a counter to be unique in its folder
  JolietChars,  // characters Joliet forbids or UCS-2 cannot hold written as "_"
  VolumeText,   // a volume descriptor text cut or mapped to its field's characters
};
// Receives every such difference: the entry's image path (long names as
// given, "\DOCS\a.txt"; for a volume text the property's name), the name
// given and the name written.
using TNameSink = std::function<void(const std::string& image_path, const std::string& given,
                                     const std::string& written, TWrittenName why)>;

// Identification texts and dates of the volume descriptors.
struct TVolumeIdentity {
  std::string IdSystem, IdVolume, IdVolumeSet, IdPublisher, IdPreparer, IdApplication;
  std::string FileCopyright, FileAbstract, FileBibliographic;
  std::string ApplicationUseText;
  TDateTime DateCreation = 0, DateModification = 0;
  // Zero keeps the "not specified" field of sixteen '0' digits.
  TDateTime DateEffective = 0, DateExpiration = 0;
};

// What preparation reads besides the tree.
struct TImageOptions {
  bool JolietFileSystem = true;
  bool Bootable = false;  // cleared by preparation when BootImage cannot be used
  std::string BootImage;
  bool ISOOnly = true;  // the image goes to a file and starts at sector 0
  bool Wms = false;     // session-at-once recording: a 150-sector pregap leads
  bool DoDebug = false;
  TDebugSink DebugMsg;
  TNameSink NameChanged;
  TVolumeIdentity Identity;

  void ReportName(const std::string& image_path, const std::string& given, const std::string& written,
                  TWrittenName why) const {
    if (NameChanged) NameChanged(image_path, given, written, why);
  }

  // A detailed progress line: level 1, only when DoDebug is set.
  void Diagnostic(const std::string& text) const {
    if (DoDebug && DebugMsg) DebugMsg(text, 1);
  }
};

// Sector numbers are counted from the start of the disc or image file.
struct TImageLayout {
  uint32_t NextWritableAddress = 0;
  uint32_t PathTableL = 0, PathTableM = 0, PathTableLJ = 0, PathTableMJ = 0;
  int32_t PathTableSize = 0, PathTableSizeJ = 0;
  uint32_t DirArea = 0, DirAreaJ = 0;
  int32_t DirAreaSize = 0, DirAreaSizeJ = 0;
  uint32_t BootCatalogSector = 0, BootImageSector = 0;
  int32_t BootImageSectors = 0;
  int64_t BootImageBytes = 0;  // the emulation follows the exact size
  int64_t PaddingSectors = 0;  // zero or negative when none
  uint32_t FirstFileSector = 0;
  int64_t FileDataSectors = 0;
  int64_t EndSector = 0;
  int64_t ImageSectors = 0;
  // The session-at-once pregap counted in EndSector: 150 or 0. It lies
  // before the volume's first sector, so the volume size leaves it out.
  int64_t PregapSectors = 0;
};

// Snapshot of the header's first bytes (system area and volume descriptors),
// the rest 0xFF; the writer puts it at sector 0 of randomly writable media.
extern std::array<uint8_t, 65537> vds;
extern int32_t vdsSize;
// True when the header was padded up to sector 150; false when the header
// (with the boot image) reaches sector 150 by itself.
extern bool Valid;

}  // namespace orlix
