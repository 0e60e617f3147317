// The thread that performs a recording from start to end: it prepares the
// drive and the medium, takes the image stream block by block from the
// read-ahead thread and sends each block with WRITE (10), keeps the drive's
// buffer figures current, then flushes, closes the track or session as the
// medium needs, verifies when asked, restores the drive and reports through
// OnWriteDone on the main thread. With the to-file flag it writes the stream
// to ISOFileName instead and touches no drive.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "burner/verify.h"
#include "framework/thread.h"

namespace orlix {

class TOrlixBurner;
class TCacheThread;
struct TCacheBlock;

class TThWrite : public TThread {
 public:
  // Created suspended; DoBurn sets it up and starts it. It frees itself.
  TThWrite();
  ~TThWrite() override;
  bool ToFile() const { return to_file_; }
  void SetToFile(bool v) { to_file_ = v; }

 protected:
  void Execute() override;

 private:
  // Media groups the recording steps branch on.
  bool IsDvdR() const;
  bool IsDvdRw() const;
  bool IsDvdPlusR() const;
  bool IsDvdPlusRw() const;
  bool IsDvdRam() const;
  // Randomly writable: the descriptors go to sector 0 as well.
  bool Overwritable() const;
  bool CanSimulate() const;

  void SetError(const std::string& text);
  bool Failed();
  // Each returns false when the recording cannot go on (the error is set).
  bool CreateFile();
  bool PrepareDrive();
  bool SendCueSheet();
  void StartMessage(uint16_t speed);
  void WriteStream();
  bool WriteBlock(int64_t sectors_written);
  void PollBuffer(int64_t block_index);
  void Complete();
  void WaitForLeadOut();
  void CloseMedium();
  void VerifyRecording();
  std::string SectorOwner(int64_t lba) const;
  void RestoreDrive();
  void Report();

  bool to_file_ = false;
  TOrlixBurner* burner_ = nullptr;
  TCacheThread* cache_ = nullptr;
  class TFileStreamEx* file_ = nullptr;
  uint16_t session_ = 1;
  bool buffer_polling_ = false;
  bool session_at_once_ = false;  // fwms as the recording started
  // Where the first sector of the stream goes, and whether the descriptors
  // were written to sector 0 too.
  int64_t first_lba_ = 0;
  uint16_t profile_ = 0;
  TVerifier verifier_;
  // The block being sent, taken from the queue without a copy.
  std::unique_ptr<TCacheBlock> block_;
};

}  // namespace orlix
