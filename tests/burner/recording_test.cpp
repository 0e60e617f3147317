// Recording a tree or an image file on every medium of the virtual recorder,
// and the ways a recording ends early.
#include <cctype>
#include <cstring>
#include <filesystem>

#include "burner/burner_state.h"
#include "device/device_state.h"
#include "framework/bytes.h"
#include "messages/messages.h"
#include "tests/burner/recording_support.h"

namespace orlix::test {
namespace {

namespace fs = std::filesystem;

class Recording : public RecordingTest {
 protected:
  // Files of awkward sizes, one folder, one memory file: well under 300
  // sectors, so the recording carries the post-gap padding.
  void SmallTree() {
    for (size_t size : {0, 1, 2047, 2048, 2049, 70000}) MakeFile("src/f" + std::to_string(size) + ".bin", size);
    MakeFile("src/sub/deep.txt", 5000);
    ASSERT_GT(burner->InsertDir("\\", Src(), "*.*", 0x3F, true, false, false), 0);
    ASSERT_EQ(burner->InsertMemoryFile("\\", "memory.bin", "", 0, memory_, sizeof memory_), 1);
  }
  // The volume space size in the primary descriptor of the session at `lba`.
  uint32_t VolumeSize(int64_t lba) { return GetLE32(DiscBytes(lba + 16, 2048).data() + 80); }

  static std::string LowerCase(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
  }

  uint8_t memory_[3000] = {1, 2, 3};
};

TEST_F(Recording, EveryMediumTakesTheImageAtSectorZeroAndVerifies) {
  for (const char* profile : {"cd-r", "cd-rw", "dvd-r", "dvd-rw", "dvd-rw-ro", "dvd+r", "dvd+rw", "dvd-ram"}) {
    SCOPED_TRACE(profile);
    burner->Initialize();
    Load(profile);
    SmallTree();
    const Bytes image = DirectImage();
    burner->SetVerify(true);
    EXPECT_EQ(Burn(), "");
    EXPECT_EQ(burner->VerifyFailSector(), -1);
    EXPECT_GT(burner->VerifiedBytes(), static_cast<int64_t>(image.size()) - 1);
    EXPECT_EQ(FirstDifference(DiscBytes(0, static_cast<int64_t>(image.size())), image), -1);
    // Post-gap padding: 300 sectors in all, zeros behind the image.
    EXPECT_EQ(DiscBytes(299, 2048), Bytes(2048, 0));
    EXPECT_EQ(burner->BytesWritten(), 300 * 2048);
    EXPECT_EQ(burner->BufferProgress(), 0);
    EXPECT_EQ(burner->CurrentFile(), "");
    fs::remove_all(Src());
  }
}

TEST_F(Recording, ASecondSessionStartsWhereTheDriveSaysAndDescribesItself) {
  for (const char* profile : {"dvd+r", "cd-r", "dvd-r", "dvd+rw", "dvd-rw-ro", "dvd-ram"}) {
    SCOPED_TRACE(profile);
    burner->Initialize();
    Load(profile);
    SmallTree();
    ASSERT_EQ(Burn(), "");
    const uint32_t first_end = VolumeSize(0);
    ASSERT_EQ(burner->InsertFile("\\", MakeFile("second.txt", 10000), false), 1);
    burner->SetVerify(true);
    ASSERT_EQ(Burn(), "");
    const uint32_t start = burner->NextWritableAddress();
    EXPECT_GE(start, first_end);
    EXPECT_EQ(VolumeSize(start), start + burner->ImageSectors());
    if (std::string(profile) != "dvd+r" && std::string(profile) != "cd-r" && std::string(profile) != "dvd-r") {
      // No sessions: the descriptors at sector 16 now describe the new image.
      EXPECT_EQ(start, first_end);
      EXPECT_EQ(VolumeSize(0), start + burner->ImageSectors());
    }
    fs::remove_all(Src());
  }
}

TEST_F(Recording, SessionAtOnceOnCdWritesThePregapBeforeSectorZeroAndClosesTheDisc) {
  Load("cd-r");
  SmallTree();
  const Bytes image = DirectImage();
  wms = true;
  burner->SetVerify(true);
  const std::string result = Burn();
  wms = false;
  EXPECT_EQ(result, "");
  EXPECT_EQ(FirstDifference(DiscBytes(0, static_cast<int64_t>(image.size())), image), -1);
  EXPECT_EQ(burner->DiscStatus(), kDiscComplete);
}

TEST_F(Recording, TestWritesRecordNothingAndMediaThatCannotSimulateRefuse) {
  for (const char* profile : {"cd-r", "dvd-r"}) {
    SCOPED_TRACE(profile);
    burner->Initialize();
    Load(profile);
    SmallTree();
    burner->SetTestWrite(true);
    EXPECT_EQ(Burn(), "");
    EXPECT_EQ(burner->DiscStatus(), kDiscEmpty);
    fs::remove_all(Src());
  }
  for (const char* profile : {"DVD+R", "DVD+RW", "DVD-RAM", "DVD-RW"}) {
    SCOPED_TRACE(profile);
    burner->Initialize();
    Load(LowerCase(profile));
    SmallTree();
    burner->SetTestWrite(true);
    EXPECT_EQ(Burn(), Format(ERR_TESTWRITE, profile));
    EXPECT_EQ(DiscBytes(16, 2048), Bytes(2048, 0));
    EXPECT_NE(burner->DiscStatus(), kDiscIncomplete);
    fs::remove_all(Src());
  }
}

TEST_F(Recording, BusyAnswersAreWaitedForAndAlteredBlocksAreFoundByVerify) {
  // Busy answers in the middle of the writing are waited for.
  Load("dvd+r", "speed=8000");
  MakeFile("src/large.bin", 4 << 20);
  SmallTree();
  const Bytes image = DirectImage();
  Watch();
  burner->PrepareCD();
  ASSERT_TRUE(burner->BurnCD());
  while (burner->BytesWritten() == 0) CheckSynchronize(5);
  Faults("busy:5");
  EXPECT_EQ(WaitForResult(), "");
  EXPECT_EQ(FirstDifference(DiscBytes(0, static_cast<int64_t>(image.size())), image), -1);

  // A block stored altered is seen only by reading it back.
  Load("dvd+r");
  burner->PrepareCD();
  const PFEntry file = burner->FindFile(burner->Root(), "f70000.bin");
  ASSERT_NE(file, nullptr);
  const int64_t sector = int64_t{file->AddressJ} + burner->FirstFileSector() + 3;
  Load("dvd+r", "fault=corrupt:" + std::to_string(sector));
  burner->SetVerify(true);
  EXPECT_EQ(Burn(), Format(ERR_VERIFY, sector, file->SourcePath));
  EXPECT_EQ(burner->VerifyFailSector(), sector);
  EXPECT_EQ(burner->VerifyFailFile(), file->SourcePath);
}

TEST_F(Recording, AbortStopsTheWriterAndASecondRecordingIsRefusedMeanwhile) {
  Load("dvd+r", "speed=2000");  // 2 MB/s: a few seconds for this tree
  MakeFile("src/large.bin", 8 << 20);
  ASSERT_EQ(burner->InsertDir("\\", Src(), "*.*", 0x3F, true, false, false), 1);
  Watch();
  burner->PrepareCD();
  ASSERT_TRUE(burner->BurnCD());
  EXPECT_FALSE(burner->BurnCD());
  EXPECT_EQ(burner->SaveToISOFile((temp / "x.iso").string(), true), 0);
  EXPECT_EQ(Lines(4), Strings(2, ">>> " + Text(ERR_RECORDING)));
  while (burner->BytesWritten() == 0) CheckSynchronize(5);
  burner->Abort();
  EXPECT_EQ(WaitForResult(), Text(ERR_ABORTED));
  EXPECT_LT(burner->BytesWritten(), 8 << 20);
  EXPECT_FALSE(fs::exists(temp / "x.iso"));

  // An abort right after BurnCD returns, before the writer has run a line.
  burner->PrepareCD();
  Watch();
  ASSERT_TRUE(burner->BurnCD());
  burner->Abort();
  EXPECT_EQ(WaitForResult(), Text(ERR_ABORTED));
}

TEST_F(Recording, SourcesThatFailStopBeforeTheDrive) {
  Load("dvd+r");
  const std::string gone = MakeFile("src/gone.txt", 100);
  ASSERT_EQ(burner->InsertDir("\\", Src(), "*.*", 0x3F, true, false, false), 1);
  fs::remove(gone);
  EXPECT_EQ(Burn(), Format(ERR_FILEINUSE, gone));
  EXPECT_EQ(burner->DiscStatus(), kDiscEmpty);

  // A file that shrank since it was added would leave its sectors with bytes
  // of nothing: the recording fails, naming it.
  burner->Initialize();
  const std::string shrunk = MakeFile("src/shrunk.txt", 100000);
  ASSERT_EQ(burner->InsertFile("\\", shrunk, false), 1);
  fs::resize_file(shrunk, 50000);
  EXPECT_EQ(Burn(), Format(ERR_SOURCECHANGED, shrunk));
  EXPECT_EQ(burner->DiscStatus(), kDiscEmpty);

  // What a recording consumed must be prepared again.
  Watch();
  EXPECT_FALSE(burner->BurnCD());
  EXPECT_EQ(result, Text(ERR_NOTPREPARED));
  const std::string image = (temp / "after.iso").string();
  EXPECT_EQ(burner->SaveToISOFile(image, true), 1);
  EXPECT_EQ(result, Text(ERR_NOTPREPARED));
  EXPECT_FALSE(fs::exists(image));

  // Without a drive nothing starts (the writer would retry a missing drive).
  burner->SetDeviceID("");
  burner->PrepareISO();
  EXPECT_FALSE(burner->BurnCD());
  EXPECT_EQ(result, Text(ERR_INVALIDDEVICE));
  EXPECT_FALSE(burner->RecordingActive());
}

TEST_F(Recording, AnImageFileGoesToSectorZeroWithItsLastSectorCompleted) {
  Load("dvd+r");
  const std::string image = MakeFile("image.iso", 1000000);
  burner->SetVerify(true);
  EXPECT_EQ(BurnImage(image), "");
  EXPECT_EQ(burner->ImageSectors(), 489);
  EXPECT_EQ(DiscBytes(0, 1000000), Bytes(1000000, 'x'));
  EXPECT_EQ(DiscBytes(0, 489 * 2048).back(), 0);

  // Sector 0 of an appendable write-once disc is taken.
  EXPECT_EQ(BurnImage(image).rfind(Text(ERR_WRITEERROR) + " [", 0), 0u);
  EXPECT_EQ(BurnImage((temp / "missing.iso").string()), Format(ERR_FILEINUSE, (temp / "missing.iso").string()));
}

TEST_F(Recording, TheNextWritableAddressOfMediaWithoutSessionsIsTheHighestVolumeEnd) {
  Load("dvd+rw");
  EXPECT_TRUE(burner->GetNextWritableAddress());
  EXPECT_EQ(burner->NextWritableAddress(), 0u);
  Bytes descriptors(32 * 2048, 0);
  for (uint32_t at : {16u, 20u}) {
    uint8_t* d = descriptors.data() + at * 2048;
    d[0] = 1;
    std::memcpy(d + 1, "CD001", 5);
    PutLE32(d + 80, at * 1000);
  }
  ASSERT_TRUE(burner->Write10(0, 32, descriptors.data(), 32 * 2048, 0x50));
  EXPECT_TRUE(burner->GetNextWritableAddress());
  EXPECT_EQ(burner->NextWritableAddress(), 20000u);
}

TEST_F(Recording, TheThreadedSaveGivesTheDirectBytesPlusThePostGap) {
  const std::string threaded = (temp / "threaded.iso").string();
  auto save_threaded = [&] {
    burner->PrepareISO();
    Watch();
    EXPECT_EQ(burner->SaveToISOFile(threaded, false), -1);
    EXPECT_EQ(WaitForResult(), "");
    return ReadFileBytes(threaded);
  };
  SmallTree();
  Bytes direct = DirectImage();
  Bytes saved = save_threaded();
  ASSERT_EQ(saved.size(), 614400u);  // padded to 300 sectors
  EXPECT_TRUE(Bytes(saved.begin(), saved.begin() + static_cast<long>(direct.size())) == direct);
  EXPECT_EQ(Bytes(saved.begin() + static_cast<long>(direct.size()), saved.end()),
            Bytes(saved.size() - direct.size(), 0));

  // Form-2 entries fill the sectors the layout gave them; a memory file is
  // never read past its own end, a host file not past its size.
  IsPrev = true;
  ASSERT_EQ(burner->InsertMemoryFile("\\", "form2.bin", "", 0, memory_, sizeof memory_), 1);
  ASSERT_EQ(burner->InsertFile("\\", MakeFile("form2.dat", 3000), false), 1);
  IsPrev = false;
  burner->SetWritePostGap(false);
  direct = DirectImage();
  EXPECT_EQ(saved = save_threaded(), direct);
}

}  // namespace
}  // namespace orlix::test
