// The burner component: the single entry point of the library. It is the
// selected drive (TSCSIDevice), the owner of the process-wide file tree of
// iso/tree.h and its editing, and the recorder.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "device/scsi_device.h"
#include "framework/date_time.h"
#include "framework/export.h"
#include "framework/memory_stream.h"
#include "iso/image_builder.h"
#include "iso/tree.h"
#include "platform/search_rec.h"

namespace orlix {

// The palette page of the library's components.
inline constexpr const char* kPalettePage = "Orlix CD Burner";

using TNotifyEvent = std::function<void(TComponent* sender)>;
// Raised for every file an insertion is about to add; the handler may change
// the names and the date, and set or clear Skip.
using TAddFileEvent = std::function<void(TComponent* sender, const std::string& full_path,
                                         std::string& long_file_name, std::string& short_file_name,
                                         TDateTime& date_time, int32_t attr, int64_t file_size, bool& skip)>;
// Raised for every host folder InsertDir is about to add.
using TAddDirEvent =
    std::function<void(TComponent* sender, std::string& long_name, std::string& short_name, bool& skip)>;
using TFileTestFailedEvent =
    std::function<void(TComponent* sender, const std::string& full_path, bool& stop)>;
// Error is the empty text of ERR_NONE on success.
using TWriteDoneEvent = std::function<void(TComponent* sender, const std::string& error)>;

// Why a name on the disc differs from the name the entry was given.
enum class TNameChange {
  ncJolietCut,     // a Joliet name cut to fit its record, made unique in its folder
  ncJolietChars,   // characters Joliet forbids written as "_"
  ncIsoUnique,     // an ISO 9660 name taken in its folder, re-derived
  ncVolumeText,    // a volume descriptor text cut or mapped to fit its field
};
// Raised for every entry (or volume text) whose name on the disc differs
// from the one it was given: `image_path` names the entry ("\DOCS.txt";
// for volume texts the property's name), then the name given and the name
// written. Also reported on the debug channel (type 4, ">>> " + message).
using TNameChangedEvent = std::function<void(TComponent* sender, const std::string& image_path,
                                             const std::string& given, const std::string& written,
                                             TNameChange why)>;

class ORLIX_API TOrlixBurner : public TSCSIDevice {
 public:
  explicit TOrlixBurner(TComponent* owner);
  ~TOrlixBurner() override;

  // --- Properties -------------------------------------------------------
  bool ReplaceFile() const { return replace_file_; }
  void SetReplaceFile(bool v) { replace_file_ = v; }
  bool FinalizeTrack() const { return finalize_track_; }
  void SetFinalizeTrack(bool v) { finalize_track_ = v; }
  bool PerformOPC() const { return perform_opc_; }
  void SetPerformOPC(bool v) { perform_opc_ = v; }
  const std::string& IdVolume() const { return id_volume_; }
  void SetIdVolume(const std::string& v) { id_volume_ = v; }
  const std::string& IdSystem() const { return id_system_; }
  void SetIdSystem(const std::string& v) { id_system_ = v; }
  const std::string& IdVolumeSet() const { return id_volume_set_; }
  void SetIdVolumeSet(const std::string& v) { id_volume_set_ = v; }
  const std::string& IdPublisher() const { return id_publisher_; }
  void SetIdPublisher(const std::string& v) { id_publisher_ = v; }
  const std::string& IdPreparer() const { return id_preparer_; }
  void SetIdPreparer(const std::string& v) { id_preparer_ = v; }
  const std::string& IdApplication() const { return id_application_; }
  void SetIdApplication(const std::string& v) { id_application_ = v; }
  const std::string& FileCopyright() const { return file_copyright_; }
  void SetFileCopyright(const std::string& v) { file_copyright_ = v; }
  const std::string& FileAbstract() const { return file_abstract_; }
  void SetFileAbstract(const std::string& v) { file_abstract_ = v; }
  const std::string& FileBibliographic() const { return file_bibliographic_; }
  void SetFileBibliographic(const std::string& v) { file_bibliographic_ = v; }
  TDateTime DateCreation() const { return date_creation_; }
  void SetDateCreation(TDateTime v) { date_creation_ = v; }
  TDateTime DateModification() const { return date_modification_; }
  void SetDateModification(TDateTime v) { date_modification_ = v; }
  TDateTime DateEffective() const { return date_effective_; }
  void SetDateEffective(TDateTime v) { date_effective_ = v; }
  TDateTime DateExpiration() const { return date_expiration_; }
  void SetDateExpiration(TDateTime v) { date_expiration_ = v; }
  // Bytes of the read-ahead cache; written through SetBufferSize.
  int32_t CacheSize() const { return cache_size_; }
  // At least 2 MiB, rounded down to whole 2048-byte sectors.
  void SetBufferSize(int32_t value);
  const std::string& ISOFileName() const { return iso_file_name_; }
  void SetISOFileName(const std::string& v) { iso_file_name_ = v; }
  bool JolietFileSystem() const { return joliet_file_system_; }
  void SetJolietFileSystem(bool v) { joliet_file_system_ = v; }
  // Always "1.20.RC8"; SetOrlixVersion accepts and discards a value.
  const std::string& Version() const { return version_; }
  void SetOrlixVersion(const std::string& value);
  // Pad images shorter than 300 sectors to 300 sectors.
  bool WritePostGap() const { return write_post_gap_; }
  void SetWritePostGap(bool v) { write_post_gap_ = v; }

  TAddFileEvent OnAddFile;
  TAddDirEvent OnAddDir;
  TWriteDoneEvent OnWriteDone;
  TNotifyEvent OnFinalizingTrack;
  TFileTestFailedEvent OnFileTestFailed;
  TNameChangedEvent OnNameChanged;

  // --- Public state -----------------------------------------------------
  PDEntry Root() const { return root_; }
  PFEntry LastInserted() const { return last_inserted_; }
  // Keep only the last folder of a source's path when keeping paths.
  bool LastDirOnly() const { return last_dir_only_; }
  void SetLastDirOnly(bool v) { last_dir_only_ = v; }
  // Cleared by every addition to the tree; set by the image preparation.
  bool Prepared() const { return prepared_; }
  void SetPrepared(bool v) { prepared_ = v; }
  bool Bootable() const { return bootable_; }
  void SetBootable(bool v) { bootable_ = v; }
  const std::string& BootImage() const { return boot_image_; }
  void SetBootImage(const std::string& v) { boot_image_ = v; }
  // Session to carry forward: 0 none, 0xFF or 0xFFFF the last one.
  uint16_t SessionToImport() const { return session_to_import_; }
  void SetSessionToImport(uint16_t v) { session_to_import_ = v; }
  // Sectors to record, set by the layout.
  int64_t ImageSectors() const { return image_sectors_; }
  void SetImageSectors(int64_t v) { image_sectors_ = v; }
  // Receives the image header built by the preparation; owned here.
  TMemoryStream* HeaderStream() const { return header_stream_.get(); }

  // --- Accessors --------------------------------------------------------
  // A line of the device list; EListError outside it.
  std::string GetDevice(uint8_t index) const;
  int32_t DevicesFound() const;
  int32_t GetDirsCount() const;   // directories without the root
  int32_t GetFilesCount() const;  // files and directory entries
  // ImageSectors, at least 300 when WritePostGap is set.
  int64_t GetImageSize() const;
  // An empty tree of 65535 entries and 8191 directories.
  bool Initialize();

  // --- Tables -----------------------------------------------------------
  // Releases the tree and starts an empty one; file capacity first.
  bool ClearAll(int32_t AMaxFiles, int32_t AMaxDirs);
  // Allocate and register a record; nil (and a type-3 debug line) when full.
  void New_D(PDEntry& D);
  void New_F(PFEntry& F);

  // --- Look-up and editing ---------------------------------------------
  // Image paths begin with "\" and join long names with "\"; "" and "\" are
  // the root; case is ignored. Host paths use the platform's separator.
  PDEntry FindDir(const std::string& path);
  // Sets PrevFile to the match's predecessor.
  PFEntry FindFile(PDEntry dir, const std::string& long_name);
  PDEntry CreateDir(const std::string& path);
  PDEntry CreateDir(const std::string& parent_path, const std::string& name);
  PDEntry CreateDir(PDEntry parent, const std::string& name, int32_t attr);
  PDEntry CreateDir(PDEntry parent, const TSearchRec& rec);
  PDEntry MakeDir(const std::string& path);
  // Insertions return 1 done, 0 refused, -1 source not found.
  int32_t InsertFile(PDEntry dir, const TSearchRec& rec, const std::string& source_path, int32_t address,
                     bool archive_selected);
  int32_t InsertFile(const std::string& dest_path, const std::string& source_file, bool keep_path);
  int32_t InsertFileWithName(const std::string& dest_path, const std::string& source_file,
                             const std::string& short_name, const std::string& long_name);
  // The block stays owned by the caller and must outlive any recording.
  int32_t InsertMemoryFile(const std::string& dest_path, const std::string& long_name,
                           const std::string& short_name, uint8_t attr, void* data, uint32_t size);
  int32_t InsertDir(PDEntry dir, const std::string& source_dir, const std::string& mask, int32_t search_attr,
                    bool recursive, bool keep_path, bool archive_only);
  int32_t InsertDir(const std::string& dest_path, const std::string& source_dir, const std::string& mask,
                    int32_t search_attr, bool recursive, bool keep_path, bool archive_only);
  bool RemoveFile(PDEntry& dir, PFEntry& entry);
  bool RemoveFile(const std::string& dir_path, const std::string& long_name);
  bool RemoveDir(PDEntry& dir);
  bool RemoveDir(const std::string& path);
  bool RemoveDir_r(PFEntry& entry);
  bool RemoveEmptyDirs();

  // --- Moving, renaming, source utilities ------------------------------
  bool MoveFile(PDEntry dest, PDEntry source, PFEntry entry);
  bool MoveFile(const std::string& dest_path, const std::string& source_path, const std::string& long_name);
  bool RenameFile(PFEntry entry, const std::string& long_name, const std::string& short_name);
  bool RenameFile(const std::string& dir_path, const std::string& old_long_name, const std::string& long_name,
                  const std::string& short_name);
  // Bytes of the files under a host folder (path ending in the separator) or
  // matching a host search pattern.
  int64_t GetDirSize(const std::string& host_path);
  // Opens every source file once; false (and OnFileTestFailed) on failures.
  bool TestFiles();
  bool ResetFilesArchiveBit();
  bool ResetAllFilesArchiveBit();

  // --- Image builder (declared by the image builder) -------------------
  // Preparation: order the path tables, lay the image out and build the
  // header into HeaderStream. PrepareISO is for image files (no drive, first
  // sector 0); PrepareCD asks the drive first. All return true.
  bool PrepareCD();
  bool PrepareISO();
  bool Prepare(bool ISOOnly, PDEntry ImportDir = nullptr);
  void PrepareHeader(bool ISOOnly, PDEntry ImportDir = nullptr);
  bool BuildHeader(bool ISOOnly, PDEntry ImportDir = nullptr);
  // The tree, or one chain, as level-1 lines on the debug channel.
  void Print_D1();
  void Print_Files(PFEntry first);

  // Layout steps (see iso/layout.h).
  void SetFileAddress();
  int32_t FileAndDirDescriptorWidth();
  int32_t FileAndDirDescriptorWidthJ();
  int32_t PathTableWidth();
  int32_t PathTableWidthJ();
  // Header writers, each appending to HeaderStream.
  void WriteFileAndDirDescriptor(uint32_t DirArea, uint32_t FirstFileSector);
  void WriteFileAndDirDescriptor_r(PDEntry dir, uint32_t DirArea, uint32_t FirstFileSector);
  void WriteFileAndDirDescriptorJ(uint32_t DirAreaJ, uint32_t FirstFileSector);
  void WriteFileAndDirDescriptorJ_r(PDEntry dir, uint32_t DirAreaJ, uint32_t FirstFileSector);
  void WritePathTable(uint32_t DirArea, bool BigEndian);
  void WritePathTableJ(uint32_t DirAreaJ, bool BigEndian);
  void WritePVD();
  void WriteBVD();
  void WriteJVD();
  void WriteTVD();
  void WriteBootCatalog();

  // Writes the prepared image to FileName: directly on this thread (1), or
  // through the recording threads (-1: the result comes through OnWriteDone,
  // which has already been called when the threads could not start). 0 when
  // refused because a recording runs. The direct way raises EFileError when
  // a file operation fails; OnWriteDone gets the result text.
  int32_t SaveToISOFile(const std::string& FileName, bool Direct);
  // Appends every file's data to the image file being written directly;
  // returns the result text (ERR_NONE, or why the image is not sound).
  std::string WriteFiles();
  // Called while the direct save writes: bytes written of the image's bytes.
  std::function<void(int64_t written, int64_t total)> OnSaveProgress;

  // --- Recording ------------------------------------------------------
  // Records the prepared image (PrepareCD) on the disc in the selected
  // drive. Returns once the read-ahead cache is primed and the writer runs;
  // the result arrives through OnWriteDone on the main thread, which the
  // host pumps (CheckSynchronize) while it waits. False when the recording
  // ended before the writer started (OnWriteDone has then been called), or
  // when another recording runs (refused, a type-4 debug line, no event).
  bool BurnCD();
  // Starts the writer thread on the primed cache: to the ISOFileName file,
  // or to the drive.
  bool DoBurn(bool ToFile);
  // Records an image file from sector 0; as BurnCD otherwise.
  bool BurnISOImage(const std::string& FileName);
  // Asks the writer to stop; from any thread, without waiting.
  void Abort();
  // Fill of the read-ahead cache in percent while the writer runs, else 0.
  int32_t BufferProgress();
  // Raises OnWriteDone with the result text; the writer runs it on the main
  // thread.
  void WriteDoneEvent();
  // Where the next session starts on the disc in the drive; 0 and false when
  // the drive does not tell.
  bool GetNextWritableAddress();
  // A recording or threaded save runs: from BurnCD until just before its
  // OnWriteDone is raised.
  bool RecordingActive() const { return recording_active_.load(); }
  // Image bytes taken by the writer so far (cleared when it starts).
  int64_t BytesWritten() const { return bytes_written_.load(); }
  // The source file being recorded; empty between recordings.
  std::string CurrentFile() const;
  void SetCurrentFile(const std::string& path);
  // The result text of the last recording, empty on success.
  std::string WriteResult() const;

  // What the writer is doing, for progress displays.
  enum class TRecordingPhase { rpIdle, rpPreparing, rpWriting, rpClosing, rpVerifying };
  TRecordingPhase Phase() const { return phase_.load(); }
  void SetPhase(TRecordingPhase phase) { phase_ = phase; }

  // Reading the recorded sectors back after a recording (not after a test
  // write or an image file) and comparing them with what was sent: a 32-bit
  // hash per sector is kept while writing, not a copy of the data.
  bool Verify() const { return verify_; }
  void SetVerify(bool v) { verify_ = v; }
  // Bytes read back so far by the verify pass.
  int64_t VerifiedBytes() const { return verified_bytes_.load(); }
  // The first sector that read back differently or not at all, and what it
  // belongs to (a source file's path, "image header", an image file); -1
  // and empty when none.
  int64_t VerifyFailSector() const { return verify_fail_sector_; }
  const std::string& VerifyFailFile() const { return verify_fail_file_; }

  // --- Session import and extraction ----------------------------------
  // Carries a session of the disc in the drive forward into the tree under
  // Dir (none: the root): its files become Imported entries that keep their
  // disc addresses, its folders ordinary folders. Session 1 to 127 names a
  // session (a number above the last means the last), -1 the last, -2 the
  // one before it and so on. The Joliet tree is read when there is one.
  // True when the session's root was found and read. The disc is untrusted:
  // damage is reported (ImportProblems, debug type 4) and passed over.
  bool ImportSession(int8_t Session, PDEntry Dir);
  // One folder of the ISO or the Joliet tree, and everything below it; true
  // when at least one entry was added.
  bool ImportSessionDirectory(uint32_t Extent, uint32_t Length, PDEntry Dir);
  bool ImportSessionDirectoryJ(uint32_t Extent, uint32_t Length, PDEntry Dir);
  // What the last import found damaged or left out, one text each (also
  // sent to the debug channel); empty when the session read cleanly.
  const std::vector<std::string>& ImportProblems() const { return import_problems_; }
  // Copies an imported file from the disc to `dest` (replaced when it
  // exists) and gives it the entry's date. False, with a type-4 debug line,
  // when the entry is not on the disc, `dest` cannot be created
  // (ERR_CREATEFILE) or written, or a read fails; no partial file is left.
  bool ExtractFile(PFEntry entry, const std::string& dest);
  // Called while ExtractFile copies: bytes written of the file's bytes.
  std::function<void(int64_t written, int64_t total)> OnExtractProgress;

  // Layout values of the last preparation.
  const TImageLayout& Layout() const { return layout_; }
  uint32_t NextWritableAddress() const { return layout_.NextWritableAddress; }
  void SetNextWritableAddress(uint32_t v) { layout_.NextWritableAddress = v; }
  uint32_t PathTableL() const { return layout_.PathTableL; }
  uint32_t PathTableM() const { return layout_.PathTableM; }
  uint32_t PathTableLJ() const { return layout_.PathTableLJ; }
  uint32_t PathTableMJ() const { return layout_.PathTableMJ; }
  int32_t PathTableSize() const { return layout_.PathTableSize; }
  int32_t PathTableSizeJ() const { return layout_.PathTableSizeJ; }
  uint32_t DirArea() const { return layout_.DirArea; }
  uint32_t DirAreaJ() const { return layout_.DirAreaJ; }
  int32_t DirAreaSize() const { return layout_.DirAreaSize; }
  int32_t DirAreaSizeJ() const { return layout_.DirAreaSizeJ; }
  uint32_t BootCatalogSector() const { return layout_.BootCatalogSector; }
  uint32_t BootImageSector() const { return layout_.BootImageSector; }
  int32_t BootImageSectors() const { return layout_.BootImageSectors; }
  int64_t PaddingSectors() const { return layout_.PaddingSectors; }
  uint32_t FirstFileSector() const { return layout_.FirstFileSector; }
  int64_t FileDataSectors() const { return layout_.FileDataSectors; }
  int64_t EndSector() const { return layout_.EndSector; }
  // Application-use text of the volume descriptors (8 characters).
  const std::string& ApplicationUseText() const { return application_use_text_; }
  void SetApplicationUseText(const std::string& v) { application_use_text_ = v; }

 protected:
  // The drive's part of PrepareHeader (medium, next writable address,
  // session import, session-at-once pregap); image files never take it.
  virtual void PrepareSession(TImageOptions& options, PDEntry ImportDir);

 private:
  TImageOptions ImageOptions(bool ISOOnly);
  // Appends the boot image and the padding behind it to the open image.
  void WriteBootSegment();
  TImageLayout layout_;
  std::string application_use_text_;
  bool session_at_once_ = false;                    // the pregap of PrepareSession
  class TImageFileWriter* image_writer_ = nullptr;  // during a direct save

  // Recording state read by the host while the threads write it.
  friend class TThWrite;
  friend class TVerifier;
  // Refuses (false, a type-4 line) when a recording runs; marks one running.
  bool BeginRecording();
  // Creates the cache thread for the prepared image (or for `image_path`)
  // and waits for it to prime; false (OnWriteDone called) when it failed.
  bool StartCache(const std::string& image_path);
  // Ends a recording that never reached the writer.
  void EndRecording();
  // A recording needs a drive; false (OnWriteDone called) without one.
  bool DriveSelected();
  // Stops a running recording and waits until its writer has ended.
  void WaitForRecording();
  std::atomic<bool> recording_active_{false};
  std::atomic<bool> destroying_{false};  // the writer raises no event then
  std::atomic<int64_t> bytes_written_{0};
  std::atomic<TRecordingPhase> phase_{TRecordingPhase::rpIdle};
  mutable std::mutex text_mutex_;  // guards the two texts below
  std::string current_file_;
  std::string write_result_;
  bool verify_ = false;
  std::atomic<int64_t> verified_bytes_{0};
  int64_t verify_fail_sector_ = -1;
  std::string verify_fail_file_;
  std::vector<std::string> import_problems_;

 public:
  // --- End of the image builder's declarations --------------------------

 private:
  // Table slots: remove a record, shifting the later slots down.
  void DeleteFileEntry(PFEntry& F);
  void DeleteDirEntry(PDEntry& D);
  // The target directory when keeping a source's folder structure.
  PDEntry KeepPathTarget(PDEntry target, const std::string& host_folder, bool for_dir);
  int32_t InsertDirInto(PDEntry dir, const std::string& source_dir, const std::string& mask,
                        int32_t search_attr, bool recursive, bool archive_only);
  // The directory-type entry that stands for `dir` and the chain holding it.
  PFEntry EntryOfDir(PDEntry dir, PDEntry& holder);
  // Gives `dir` and everything below it the paths and levels of their place.
  void RebuildPaths(PDEntry dir);

  std::unique_ptr<TMemoryStream> header_stream_;
  PDEntry root_ = nullptr;
  PFEntry last_inserted_ = nullptr;
  bool table_full_ = false;  // a New_D/New_F was refused since it was cleared
  // Host folders the recursive InsertDir is inside, so that a link back to
  // one of them is not followed round and round.
  std::vector<std::string> descent_;

  bool replace_file_ = false;
  bool finalize_track_ = false;
  bool perform_opc_ = false;
  std::string id_volume_, id_system_, id_volume_set_, id_publisher_, id_preparer_, id_application_;
  std::string file_copyright_, file_abstract_, file_bibliographic_;
  TDateTime date_creation_ = 0, date_modification_ = 0, date_effective_ = 0, date_expiration_ = 0;
  int32_t cache_size_ = 0;
  std::string iso_file_name_;
  bool joliet_file_system_ = false;
  std::string version_;
  bool write_post_gap_ = false;
  bool last_dir_only_ = false;
  bool prepared_ = false;
  bool bootable_ = false;
  std::string boot_image_;
  uint16_t session_to_import_ = 0;
  int64_t image_sectors_ = 0;
};

// Places TOrlixBurner on the palette page.
ORLIX_API void RegisterBurner();

}  // namespace orlix
