// The layout steps and header writers as burner methods; the work is done in
// iso/ over the tables and the burner's layout values.
#include "burner/burner.h"
#include "iso/boot_catalog.h"
#include "iso/directory_records.h"
#include "iso/layout.h"
#include "iso/path_table.h"
#include "iso/volume_descriptors.h"

namespace orlix {

void TOrlixBurner::SetFileAddress() { orlix::SetFileAddress(layout_); }

int32_t TOrlixBurner::FileAndDirDescriptorWidth() { return orlix::FileAndDirDescriptorWidth(); }

int32_t TOrlixBurner::FileAndDirDescriptorWidthJ() { return orlix::FileAndDirDescriptorWidthJ(); }

int32_t TOrlixBurner::PathTableWidth() { return orlix::PathTableWidth(layout_); }

int32_t TOrlixBurner::PathTableWidthJ() { return orlix::PathTableWidthJ(layout_); }

void TOrlixBurner::WriteFileAndDirDescriptor(uint32_t DirArea, uint32_t FirstFileSector) {
  WriteDirectoryExtents(*HeaderStream(), DirArea, FirstFileSector);
}

void TOrlixBurner::WriteFileAndDirDescriptor_r(PDEntry dir, uint32_t DirArea, uint32_t FirstFileSector) {
  WriteDirectoryExtent(*HeaderStream(), dir, DirArea, FirstFileSector);
}

void TOrlixBurner::WriteFileAndDirDescriptorJ(uint32_t DirAreaJ, uint32_t FirstFileSector) {
  WriteDirectoryExtentsJ(*HeaderStream(), DirAreaJ, FirstFileSector);
}

void TOrlixBurner::WriteFileAndDirDescriptorJ_r(PDEntry dir, uint32_t DirAreaJ, uint32_t FirstFileSector) {
  WriteDirectoryExtentJ(*HeaderStream(), dir, DirAreaJ, FirstFileSector);
}

void TOrlixBurner::WritePathTable(uint32_t DirArea, bool BigEndian) {
  orlix::WritePathTable(*HeaderStream(), DirArea, BigEndian);
}

void TOrlixBurner::WritePathTableJ(uint32_t DirAreaJ, bool BigEndian) {
  orlix::WritePathTableJ(*HeaderStream(), DirAreaJ, BigEndian);
}

void TOrlixBurner::WritePVD() {
  TVolumeDescriptor vd;
  BuildPVD(vd, ImageOptions(true).Identity, layout_, *Root());
  HeaderStream()->Write(vd.data(), 2048);
}

void TOrlixBurner::WriteJVD() {
  TVolumeDescriptor vd;
  BuildJVD(vd, ImageOptions(true).Identity, layout_, *Root());
  HeaderStream()->Write(vd.data(), 2048);
}

void TOrlixBurner::WriteBVD() {
  TVolumeDescriptor vd;
  BuildBVD(vd, layout_);
  HeaderStream()->Write(vd.data(), 2048);
}

void TOrlixBurner::WriteTVD() {
  TVolumeDescriptor vd;
  BuildTVD(vd);
  HeaderStream()->Write(vd.data(), 2048);
}

void TOrlixBurner::WriteBootCatalog() {
  TBootCatalog catalog;
  BuildBootCatalog(catalog, layout_);
  HeaderStream()->Write(catalog.data(), 2048);
}

}  // namespace orlix
