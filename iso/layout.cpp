// Image layout.
#include "iso/layout.h"

#include "iso/directory_records.h"
#include "iso/fields.h"
#include "iso/path_table.h"
#include "iso/tree.h"
#include "platform/file_io.h"

namespace orlix {
namespace {

int32_t RoundedToSectors(int32_t bytes) { return static_cast<int32_t>(Sectors(bytes) * 2048); }

// Length of a file opened for reading with sharing; -1 when it cannot be.
int64_t ReadableFileSize(const std::string& path) {
  const THandle h = FileOpen(path, fmOpenRead | fmShareDenyNone);
  if (h == kInvalidHandle) return -1;
  const int64_t size = FileSeek(h, 0, 2);
  FileClose(h);
  return size;
}

void Location(const TImageOptions& options, const char* label, int64_t sector) {
  options.Diagnostic(label + IntToDec(sector, 8, "0"));
}

}  // namespace

namespace {

// Gives every directory its extent, one after the other from sector 0 of the
// directory area; the total bytes of the tree's extents.
template <typename ExtentSize, typename Place>
int32_t LayOutDirectoryExtents(ExtentSize extent_size, Place place) {
  int64_t offset = 0, total = 0;
  for (int32_t i = 0; i < DirCounter; ++i) {
    const int64_t size = extent_size(Dirs[i]);
    place(Dirs[i], static_cast<uint32_t>(offset), size);
    offset += size / 2048;
    total += size;
  }
  return static_cast<int32_t>(total);
}

}  // namespace

int32_t FileAndDirDescriptorWidth() {
  return LayOutDirectoryExtents(DirectoryExtentSize, [](PDEntry d, uint32_t address, int64_t size) {
    d->Address = address;
    d->Size = size;
  });
}

int32_t FileAndDirDescriptorWidthJ() {
  return LayOutDirectoryExtents(DirectoryExtentSizeJ, [](PDEntry d, uint32_t address, int64_t size) {
    d->AddressJ = address;
    d->SizeJ = size;
  });
}

int32_t PathTableWidth(TImageLayout& layout) {
  layout.PathTableSize = PathTableRecordsSize(false);
  return RoundedToSectors(layout.PathTableSize);
}

int32_t PathTableWidthJ(TImageLayout& layout) {
  layout.PathTableSizeJ = PathTableRecordsSize(true);
  return RoundedToSectors(layout.PathTableSizeJ);
}

void SetFileAddress(TImageLayout& layout) {
  layout.FileDataSectors = 0;
  for (int32_t i = 0; i < FileCounter; ++i) {
    const PFEntry f = Files[i];
    if (f->Imported) continue;
    if ((f->Attr & 0x10) != 0) {
      if (f->Dir != nullptr) {
        f->Address = f->Dir->Address;
        f->AddressJ = f->Dir->AddressJ;
        f->Size = f->Dir->Size;
        f->SizeJ = f->Dir->SizeJ;
      }
    } else if (f->Size != 0) {
      f->SizeJ = f->Size;
      f->Address = f->AddressJ = static_cast<uint32_t>(layout.FileDataSectors);
      layout.FileDataSectors += f->Form2 ? Sectors2(f) : Sectors(f->Size);
    } else {
      f->SizeJ = 0;
      f->Address = f->AddressJ = 0;
    }
  }
}

void LayOutImage(TImageOptions& options, TImageLayout& layout) {
  int64_t c = int64_t{layout.NextWritableAddress} + 16;
  Location(options, " Primary Volume Descriptor Location   :", c);
  if (options.Bootable) Location(options, " Boot Record    Descriptor Location   :", ++c);
  if (options.JolietFileSystem) Location(options, " Joliet Volume Descriptor Location    :", ++c);
  Location(options, " Terminator Vol Descriptor Location   :", ++c);

  layout.PathTableL = static_cast<uint32_t>(++c);
  const int32_t table = PathTableWidth(layout) / 2048;
  layout.PathTableM = layout.PathTableL + table;
  c = layout.PathTableM + table;
  Location(options, " Path Table Records Location (Least)  :", layout.PathTableL);
  Location(options, " Path Table Records Location (Most)   :", layout.PathTableM);
  if (options.JolietFileSystem) {
    layout.PathTableLJ = static_cast<uint32_t>(c);
    const int32_t table_j = PathTableWidthJ(layout) / 2048;
    layout.PathTableMJ = layout.PathTableLJ + table_j;
    c = layout.PathTableMJ + table_j;
    Location(options, " Path Table Records Location (Least) J:", layout.PathTableLJ);
    Location(options, " Path Table Records Location (Most)  J:", layout.PathTableMJ);
  }

  layout.DirArea = static_cast<uint32_t>(c);
  layout.DirAreaSize = FileAndDirDescriptorWidth();
  c += Sectors(layout.DirAreaSize);
  Location(options, " File and Directory Record Location   :", layout.DirArea);
  if (options.JolietFileSystem) {
    layout.DirAreaJ = static_cast<uint32_t>(c);
    layout.DirAreaSizeJ = FileAndDirDescriptorWidthJ();
    c += Sectors(layout.DirAreaSizeJ);
    Location(options, " File and Directory Record Location  J:", layout.DirAreaJ);
  }

  if (options.Bootable) {
    layout.BootCatalogSector = static_cast<uint32_t>(c);
    layout.BootImageSector = static_cast<uint32_t>(c + 1);
    // The boot check has opened it; should it vanish since, the catalog
    // points at an empty image rather than the layout failing.
    const int64_t size = ReadableFileSize(options.BootImage);
    layout.BootImageBytes = size < 0 ? 0 : size;
    layout.BootImageSectors = static_cast<int32_t>(Sectors(layout.BootImageBytes));
    c += 1 + layout.BootImageSectors;
  }

  layout.PaddingSectors = kFirstFileMinSector - c;
  if (c < kFirstFileMinSector) {
    c = kFirstFileMinSector;
    Valid = true;
  } else {
    Valid = false;
  }
  layout.FirstFileSector = static_cast<uint32_t>(c);
  Location(options, " First File Location                  :", layout.FirstFileSector);

  SetFileAddress(layout);
  layout.EndSector = c + layout.FileDataSectors;
  layout.PregapSectors = !options.ISOOnly && options.Wms ? 150 : 0;
  layout.EndSector += layout.PregapSectors;
  layout.ImageSectors = layout.EndSector - layout.NextWritableAddress;
}

}  // namespace orlix
