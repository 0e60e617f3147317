// Image preparation: the burner's side of iso/header.h.
#include "burner/burner.h"
#include "burner/name_reports.h"
#include "device/device_state.h"
#include "iso/header.h"
#include "messages/messages.h"

namespace orlix {

TImageOptions TOrlixBurner::ImageOptions(bool ISOOnly) {
  TImageOptions o;
  o.JolietFileSystem = JolietFileSystem();
  o.Bootable = Bootable();
  o.BootImage = BootImage();
  o.ISOOnly = ISOOnly;
  o.Wms = !ISOOnly && session_at_once_;
  o.DoDebug = DoDebug();
  o.DebugMsg = [this](const std::string& text, uint8_t type) { DebugMsg(text, type); };
  o.NameChanged = NameSinkOf(*this);
  TVolumeIdentity& id = o.Identity;
  id.IdSystem = IdSystem();
  id.IdVolume = IdVolume();
  id.IdVolumeSet = IdVolumeSet();
  id.IdPublisher = IdPublisher();
  id.IdPreparer = IdPreparer();
  id.IdApplication = IdApplication();
  id.FileCopyright = FileCopyright();
  id.FileAbstract = FileAbstract();
  id.FileBibliographic = FileBibliographic();
  id.ApplicationUseText = ApplicationUseText();
  id.DateCreation = DateCreation();
  id.DateModification = DateModification();
  id.DateEffective = DateEffective();
  id.DateExpiration = DateExpiration();
  return o;
}

bool TOrlixBurner::PrepareCD() { return Prepare(false, nullptr); }

bool TOrlixBurner::PrepareISO() { return Prepare(true, nullptr); }

bool TOrlixBurner::Prepare(bool ISOOnly, PDEntry ImportDir) {
  PrepareHeader(ISOOnly, ImportDir);
  return BuildHeader(ISOOnly, ImportDir);
}

void TOrlixBurner::PrepareSession(TImageOptions& options, PDEntry ImportDir) {
  MediumIs = DiscType() & 0xFF;
  if (!GetNextWritableAddress()) DebugMsg(">>> " + Text(ERR_NEXTADRESS), 0);
  // A pregap start (session at once) or no answer at all.
  if (NextWritableAddress() > 0xFF000000u) SetNextWritableAddress(0);
  if (SessionToImport() != 0) ImportSession(static_cast<int8_t>(SessionToImport() & 0xFF), ImportDir);
  // The pregap of a session-at-once recording exists on CDs only; on a DVD
  // its 150 sectors would be recorded in front of the image as data.
  options.Wms = wms && !IsDvd(MediumIs);
}

void TOrlixBurner::PrepareHeader(bool ISOOnly, PDEntry ImportDir) {
  TImageOptions options = ImageOptions(ISOOnly);
  Valid = true;
  CheckBootImage(options);
  SetBootable(options.Bootable);
  layout_.NextWritableAddress = 0;
  session_at_once_ = false;
  if (!ISOOnly) {
    PrepareSession(options, ImportDir);
    session_at_once_ = options.Wms;
  }
  OrderAndLayOut(options, layout_);
  SetImageSectors(layout_.ImageSectors);
}

bool TOrlixBurner::BuildHeader(bool ISOOnly, PDEntry ImportDir) {
  TImageOptions options = ImageOptions(ISOOnly);
  BuildImageHeader(*HeaderStream(), options, layout_);
  SetImageSectors(layout_.ImageSectors);
  SetPrepared(true);
  return true;
}

void TOrlixBurner::Print_D1() {
  PrintTree([this](const std::string& text, uint8_t type) { DebugMsg(text, type); });
}

void TOrlixBurner::Print_Files(PFEntry first) {
  PrintFiles(first, [this](const std::string& text, uint8_t type) { DebugMsg(text, type); });
}

}  // namespace orlix
