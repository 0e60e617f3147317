// Preparation steps that follow the drive's: ordering, layout, header.
#include "iso/header.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "iso/boot_catalog.h"
#include "iso/directory_records.h"
#include "iso/fields.h"
#include "iso/image_stream.h"
#include "iso/joliet_names.h"
#include "iso/layout.h"
#include "iso/ordering.h"
#include "iso/path_table.h"
#include "iso/volume_descriptors.h"
#include "messages/messages.h"
#include "platform/file_io.h"

namespace orlix {

std::array<uint8_t, 65537> vds;
int32_t vdsSize = 0;
bool Valid = true;

namespace {

constexpr uint8_t kZeroSector[2048] = {};

void ZeroSectors(TMemoryStream& out, int64_t count) {
  for (int64_t i = 0; i < count; ++i) out.Write(kZeroSector, 2048);
}

}  // namespace

void CheckBootImage(TImageOptions& options) {
  if (options.BootImage.empty() || !FileExists(options.BootImage)) {
    options.Bootable = false;
    return;
  }
  if (!options.Bootable) return;
  const THandle h = FileOpen(options.BootImage, fmOpenRead | fmShareDenyNone);
  if (h == kInvalidHandle) {
    // Booting is switched off as for a missing image, but not silently.
    options.Bootable = false;
    if (options.DebugMsg) options.DebugMsg(">>> " + Format(ERR_FILEINUSE, options.BootImage.c_str()), 0);
    return;
  }
  FileClose(h);
}

void OrderAndLayOut(TImageOptions& options, TImageLayout& layout) {
  options.Diagnostic(std::to_string(FileCounter) + " Files Added to CD, now sorting");
  // Every size and byte of the Joliet tree comes from the names settled here.
  if (options.JolietFileSystem) AssignJolietNames(options);
  ReportVolumeTexts(options);
  OrderPathTables(options);
  LayOutImage(options, layout);
}

void BuildImageHeader(TMemoryStream& header, const TImageOptions& options, TImageLayout& layout) {
  // A header left from an earlier preparation must not stay in front.
  header.Clear();
  if (options.Wms && !options.ISOOnly) ZeroSectors(header, 150);
  ZeroSectors(header, 16);

  TVolumeDescriptor vd;
  BuildPVD(vd, options.Identity, layout, *Dirs[0]);
  header.Write(vd.data(), 2048);
  if (options.Bootable) {
    BuildBVD(vd, layout);
    header.Write(vd.data(), 2048);
  }
  if (options.JolietFileSystem) {
    BuildJVD(vd, options.Identity, layout, *Dirs[0]);
    header.Write(vd.data(), 2048);
  }
  BuildTVD(vd);
  header.Write(vd.data(), 2048);

  vds.fill(0xFF);
  std::memcpy(vds.data(), header.Memory(), static_cast<size_t>(std::min<int64_t>(header.Size(), vds.size())));
  vdsSize = static_cast<int32_t>(header.Size());

  WritePathTable(header, layout.DirArea, false);
  WritePathTable(header, layout.DirArea, true);
  if (options.JolietFileSystem) {
    WritePathTableJ(header, layout.DirAreaJ, false);
    WritePathTableJ(header, layout.DirAreaJ, true);
  }
  WriteDirectoryExtents(header, layout.DirArea, layout.FirstFileSector);
  if (options.JolietFileSystem) WriteDirectoryExtentsJ(header, layout.DirAreaJ, layout.FirstFileSector);
  if (options.Bootable) {
    TBootCatalog catalog;
    BuildBootCatalog(catalog, layout);
    header.Write(catalog.data(), 2048);
  }
  // With a boot image the padding belongs behind it (the boot segment of
  // the stream), so that the image lands on the sector the catalog names.
  ZeroSectors(header, HeaderPaddingSectors(layout, options.Bootable));
  layout.ImageSectors = layout.EndSector - layout.NextWritableAddress;
}

}  // namespace orlix
