// The diagnostic listing of the tree.
#include <cstdio>
#include <string>

#include "iso/header.h"

namespace orlix {
namespace {

// `text` cut or blank-padded to `width` characters (UTF-8 aware).
std::string Column(const std::string& text, size_t width) {
  std::string out;
  size_t chars = 0, i = 0;
  while (i < text.size() && chars < width) {
    size_t len = 1;
    while (i + len < text.size() && (static_cast<uint8_t>(text[i + len]) & 0xC0) == 0x80) ++len;
    out.append(text, i, len);
    i += len;
    ++chars;
  }
  out.append(width - chars, ' ');
  return out;
}

std::string Padded(long long value, int width) {
  char text[32];
  std::snprintf(text, sizeof text, "%*lld", width, value);
  return text;
}

}  // namespace

void PrintFiles(PFEntry first, const TDebugSink& debug) {
  if (!debug) return;
  int j = 1;
  for (PFEntry e = first; e != nullptr; e = e->Next, ++j) {
    if (e->Attr == 0x10) {
      debug(Padded(j, 3) + " " + Column(e->LongName, 40) + "  <<dir>> ", 1);
    } else {
      debug(Padded(j, 3) + " " + Column(e->LongName, 40) + " " + Padded(e->Size, 8) + "   " + e->SourcePath,
            1);
    }
  }
}

void PrintTree(const TDebugSink& debug) {
  if (!debug) return;
  for (int32_t i = 0; i < DirCounter; ++i) {
    const PDEntry d = Dirs[i];
    debug("(" + Padded(i + 1, 2) + ") " + d->Path, 1);
    debug(std::string(102, '-'), 1);
    if (d->FirstFile != nullptr) {
      PrintFiles(d->FirstFile, debug);
      debug(" ", 1);
    }
  }
  debug(" ", 1);
}

}  // namespace orlix
