// Saving the prepared image to a file: directly on the calling thread, or
// through the recording threads.
#include <memory>

#include "burner/burner.h"
#include "burner/image_file_writer.h"
#include "framework/exceptions.h"
#include "iso/image_stream.h"
#include "messages/messages.h"
#include "platform/file_copy.h"

namespace orlix {
namespace {

[[noreturn]] void RaiseOpen(const std::string& path) {
  const int error = LastOsError();
  throw EFileError(Format(ERR_FILEINUSE, path.c_str()) + ": " + OsErrorMessage(error), error);
}

// Closes a source handle on every way out.
struct Source {
  THandle handle;
  ~Source() {
    if (handle != kInvalidHandle) FileClose(handle);
  }
};

}  // namespace

int32_t TOrlixBurner::SaveToISOFile(const std::string& FileName, bool Direct) {
  // Both ways read the header and the tree a running recording reads.
  if (!BeginRecording()) return 0;
  if (!Direct) {
    SetISOFileName(FileName);
    if (StartCache("")) DoBurn(true);
    return -1;
  }
  struct End {
    TOrlixBurner* b;
    ~End() { b->EndRecording(); }
  } end{this};
  if (HeaderStream()->Size() == 0) {
    // A recording consumed the header: an image without it would hold
    // files without a file system.
    EndRecording();
    if (OnWriteDone) OnWriteDone(this, Text(ERR_NOTPREPARED));
    return 1;
  }
  TImageFileWriter writer(FileName, ImageSectors() * 2048);
  image_writer_ = &writer;
  struct Reset {
    TImageFileWriter*& w;
    ~Reset() { w = nullptr; }
  } reset{image_writer_};
  TMemoryStream& header = *HeaderStream();
  writer.Write(header.Memory(), header.Size());
  if (OnSaveProgress) OnSaveProgress(writer.Position(), ImageSectors() * 2048);
  if (Bootable()) WriteBootSegment();
  const std::string result = WriteFiles();
  writer.Close();
  EndRecording();
  if (OnWriteDone) OnWriteDone(this, result);
  return 1;
}

void TOrlixBurner::WriteBootSegment() {
  TImageFileWriter& writer = *image_writer_;
  const int64_t segment = BootSegmentSectors(layout_, true) * 2048;
  Source boot{FileOpenForCopy(BootImage())};
  if (boot.handle == kInvalidHandle) RaiseOpen(BootImage());
  const int64_t got = writer.CopyFrom(boot.handle, BootImage(), int64_t{BootImageSectors()} * 2048, [] {});
  writer.Zeros(segment - got);
}

std::string TOrlixBurner::WriteFiles() {
  std::string result = Text(ERR_NONE);
  if (image_writer_ == nullptr) return result;
  TImageFileWriter& writer = *image_writer_;
  const int64_t total = ImageSectors() * 2048;
  const auto progress = [&] {
    if (OnSaveProgress) OnSaveProgress(writer.Position(), total);
  };
  for (int32_t i = 0; i < FileCounter; ++i) {
    const TFEntry& f = *Files[i];
    if (!AddsToStream(f)) continue;
    const int64_t planned = int64_t{f.AddressJ} + FirstFileSector();
    const int64_t current = writer.Position() / 2048;
    if (planned != current) {
      DebugMsg(">>> " + Text(ERR_4) + " " + f.SourcePath + " " + std::to_string(planned) + "<>" +
                   std::to_string(current),
               4);
      if (IsSuccess(result)) result = Text(ERR_4);
    }
    const int64_t wanted = SourceBytes(f);
    int64_t got;
    if (f.Data != nullptr) {
      writer.Write(f.Data, wanted);
      got = wanted;
    } else {
      Source source{FileOpenForCopy(f.SourcePath)};
      if (source.handle == kInvalidHandle) RaiseOpen(f.SourcePath);
      got = writer.CopyFrom(source.handle, f.SourcePath, wanted, progress);
    }
    if (got < wanted) {
      // The file shrank since it was added: its sectors are filled with
      // zeros so that every later file stays where the records say, and the
      // image is not reported sound.
      DebugMsg(">>> " + Text(ERR_SREADERROR) + " " + f.SourcePath, 0);
      if (IsSuccess(result)) result = Text(ERR_SREADERROR);
    }
    writer.Zeros(StreamBytes(f) - got);
    progress();
  }
  return result;
}

}  // namespace orlix
