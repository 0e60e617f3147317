// A tree built straight into the tables, for the image builder's tests.
#pragma once

#include <deque>
#include <string>

#include "framework/memory_stream.h"
#include "iso/header.h"
#include "iso/tree.h"

namespace orlix::test {

class ImageTree {
 public:
  explicit ImageTree(int32_t max_dirs = 64, int32_t max_files = 256) {
    Dirs.assign(max_dirs, nullptr);
    PathTable = PathTableJ = Dirs;
    Files.assign(max_files, nullptr);
    DirCounter = FileCounter = 0;
    ELen = 0;
    DirectoryFirst = false;
    TimeZoneDiff = 0;
    root = NewDir("CD_ROOT", "CD Root Directory", nullptr);
  }
  ~ImageTree() {
    Dirs.clear(), PathTable.clear(), PathTableJ.clear(), Files.clear();
    DirCounter = FileCounter = 0;
    ELen = 0;
  }

  PDEntry Dir(PDEntry parent, const std::string& name, const std::string& long_name = "") {
    PDEntry d = NewDir(name, long_name.empty() ? name : long_name, parent);
    PFEntry e = Link(parent, name, d->LongName);
    e->Attr = 0x10;
    e->Dir = d;
    return d;
  }
  PFEntry File(PDEntry dir, const std::string& name, int64_t size, const std::string& long_name = "") {
    PFEntry e = Link(dir, name, long_name.empty() ? name : long_name);
    e->Size = e->SizeJ = size;
    e->Attr = 0x20;
    e->DateTime = EncodeDateTime(2004, 3, 8, 12, 51, 24);
    e->SourcePath = "/src/" + e->LongName;
    return e;
  }

  // Preparation for an image file, as PrepareISO runs it.
  TMemoryStream& Prepare(bool joliet = true, bool bootable = false, const std::string& boot = "") {
    options.JolietFileSystem = joliet;
    options.Bootable = bootable;
    options.BootImage = boot;
    Valid = true;
    CheckBootImage(options);
    layout = TImageLayout{};
    OrderAndLayOut(options, layout);
    BuildImageHeader(header, options, layout);
    return header;
  }
  const uint8_t* Sector(int64_t n) const { return header.Memory() + n * 2048; }

  PDEntry root;
  TImageOptions options;
  TImageLayout layout;
  TMemoryStream header;

 private:
  PDEntry NewDir(const std::string& name, const std::string& long_name, PDEntry parent) {
    PDEntry d = &dirs_.emplace_back();
    d->Name = name;
    d->LongName = long_name;
    d->Parent = parent ? parent : d;
    d->Level = static_cast<uint8_t>(parent ? parent->Level + 1 : 1);
    d->Path = parent ? (parent == root ? "" : parent->Path) + "\\" + long_name : "\\";
    Dirs[DirCounter] = PathTable[DirCounter] = PathTableJ[DirCounter] = d;
    ++DirCounter;
    return d;
  }
  PFEntry Link(PDEntry dir, const std::string& name, const std::string& long_name) {
    PFEntry e = &files_.emplace_back();
    e->Name = name;
    e->LongName = long_name;
    Files[FileCounter++] = e;
    PFEntry* tail = &dir->FirstFile;
    while (*tail != nullptr) tail = &(*tail)->Next;
    return *tail = e;
  }

  std::deque<TDEntry> dirs_;
  std::deque<TFEntry> files_;
};

}  // namespace orlix::test
