// Preparing a tree and saving it directly: every file lands on the sector its
// records name, whatever the sizes, boot image or form-2 files before it.
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "framework/exceptions.h"
#include "iso/bytes.h"
#include "iso/image_builder.h"
#include "messages/messages.h"
#include "tests/burner/burner_test_support.h"

namespace orlix::test {
namespace {

class DirectSave : public BurnerTest {
 protected:
  void SetUp() override {
    BurnerTest::SetUp();
    burner->OnWriteDone = [this](TComponent*, const std::string& error) {
      ++done_calls;
      done_text = error;
    };
  }

  // A host file whose bytes tell where they came from.
  std::string MakeDataFile(const std::string& name, size_t size, char seed) {
    std::string data(size, '\0');
    for (size_t i = 0; i < size; ++i) data[i] = static_cast<char>(seed + i * 7 + i / 251);
    const std::string path = (Temp() / name).string();
    std::ofstream(path, std::ios::binary) << data;
    sources[name] = data;
    return path;
  }

  std::string Save() {
    image = (Temp() / "out.iso").string();
    EXPECT_EQ(burner->SaveToISOFile(image, true), 1);
    std::ifstream in(image, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }

  // The bytes at the sector the entry's ISO record names, to its length.
  std::string DataOf(const std::string& bytes, const std::string& long_name) {
    PFEntry f = burner->FindFile(burner->Root(), long_name);
    EXPECT_NE(f, nullptr) << long_name;
    const int64_t at = (int64_t{f->Address} + burner->FirstFileSector()) * 2048;
    return bytes.substr(at, f->Size);
  }

  std::map<std::string, std::string> sources;
  std::string image, done_text = "unset";
  int done_calls = 0;
};

TEST_F(DirectSave, FilesOfEverySizeLandWhereTheRecordsSay) {
  for (size_t size : {0, 1, 2047, 2048, 2049, 3000, 200000})
    ASSERT_EQ(burner->InsertFile("\\", MakeDataFile("f" + std::to_string(size) + ".bin", size, 'a'), false),
              1);
  static char memory[5000];
  for (size_t i = 0; i < sizeof memory; ++i) memory[i] = static_cast<char>(i * 13);
  ASSERT_EQ(burner->InsertMemoryFile("\\", "mem.bin", "", 0x20, memory, sizeof memory), 1);
  ASSERT_TRUE(burner->PrepareISO());
  EXPECT_EQ(burner->ImageSectors(), 150 + 0 + 1 + 1 + 1 + 2 + 2 + 98 + 3);
  const std::string bytes = Save();
  EXPECT_EQ(done_calls, 1);
  EXPECT_TRUE(IsSuccess(done_text));
  EXPECT_EQ(static_cast<int64_t>(bytes.size()), burner->ImageSectors() * 2048);
  for (auto& [name, data] : sources) EXPECT_EQ(DataOf(bytes, name), data) << name;
  EXPECT_EQ(DataOf(bytes, "mem.bin"), std::string(memory, sizeof memory));
  // 3000 bytes take two sectors: the data, then 1096 zeros.
  PFEntry f = burner->FindFile(burner->Root(), "f3000.bin");
  EXPECT_EQ(bytes.substr((f->Address + 150) * 2048 + 3000, 1096), std::string(1096, '\0'));
  EXPECT_EQ(bytes.substr(0, burner->HeaderStream()->Size()),
            std::string(reinterpret_cast<const char*>(burner->HeaderStream()->Memory()),
                        burner->HeaderStream()->Size()));
}

TEST_F(DirectSave, PreparationLeavesDoDebugAndKeepsOneHeader) {
  for (bool debug : {false, true}) {
    burner->SetDoDebug(debug);
    burner->PrepareISO();
    burner->PrepareISO();
    EXPECT_EQ(burner->DoDebug(), debug);
    EXPECT_EQ(burner->HeaderStream()->Size(), 150 * 2048);
    EXPECT_TRUE(burner->Prepared());
  }
  bool sorting_line = false;
  for (auto& l : lines) sorting_line |= l.text == "Sorting .... Done" && l.type == 1;
  EXPECT_TRUE(sorting_line);
}

TEST_F(DirectSave, SmallBootImageLandsOnItsSectorAndFilesFollowAt150) {
  const std::string boot = MakeDataFile("boot.img", 3 * 2048 + 5, 'B');
  burner->SetBootImage(boot);
  burner->SetBootable(true);
  ASSERT_EQ(burner->InsertFile("\\", MakeDataFile("after.bin", 100, 'z'), false), 1);
  burner->PrepareISO();
  ASSERT_TRUE(burner->Bootable());
  EXPECT_EQ(burner->BootImageSectors(), 4);
  const std::string bytes = Save();
  const uint8_t* catalog =
      reinterpret_cast<const uint8_t*>(bytes.data()) + burner->BootCatalogSector() * 2048;
  EXPECT_EQ(catalog[0], 1);
  EXPECT_EQ(GetLE32(catalog + 40), burner->BootImageSector());
  EXPECT_EQ(bytes.substr(burner->BootImageSector() * 2048, sources["boot.img"].size()), sources["boot.img"]);
  EXPECT_EQ(burner->FirstFileSector(), 150u);
  EXPECT_EQ(DataOf(bytes, "after.bin"), sources["after.bin"]);
  EXPECT_TRUE(IsSuccess(done_text));
}

TEST_F(DirectSave, FormTwoFilesKeepTheirReservedSectors) {
  IsPrev = true;
  burner->InsertFile("\\", MakeDataFile("xa.dat", 2324 * 3, 'x'), false);
  IsPrev = false;
  burner->InsertFile("\\", MakeDataFile("next.bin", 10, 'n'), false);
  burner->PrepareISO();
  burner->PrepareISO();  // a second preparation keeps the form-2 length
  PFEntry xa = burner->FindFile(burner->Root(), "xa.dat");
  EXPECT_EQ(xa->Size, 3 * 2048);
  const std::string bytes = Save();
  EXPECT_EQ(burner->FindFile(burner->Root(), "next.bin")->Address, 150u);
  EXPECT_EQ(DataOf(bytes, "next.bin"), sources["next.bin"]);
  EXPECT_EQ(DataOf(bytes, "xa.dat"), sources["xa.dat"].substr(0, 3 * 2048));
  EXPECT_TRUE(IsSuccess(done_text));
}

TEST_F(DirectSave, AFileOffItsSectorMakesTheResultErr4) {
  burner->InsertFile("\\", MakeDataFile("a.bin", 10, 'a'), false);
  burner->InsertFile("\\", MakeDataFile("b.bin", 10, 'b'), false);
  burner->PrepareISO();
  burner->InsertFile("\\", MakeDataFile("c.bin", 10, 'c'), false);  // no new preparation
  Save();
  EXPECT_EQ(done_text, Text(ERR_4));
  ASSERT_GE(CountLines(4), 1);
  EXPECT_NE(lines.back().text.find(">>> INTERNAL ERROR 0004 "), std::string::npos);
  EXPECT_NE(lines.back().text.find("c.bin 150<>152"), std::string::npos);
}

TEST_F(DirectSave, TheImageEndsWhereItsDataEnds) {
  burner->InsertFile("\\", MakeDataFile("a.bin", 5000, 'a'), false);
  burner->InsertFile("\\", MakeDataFile("b.bin", 10, 'b'), false);
  burner->PrepareISO();
  burner->RemoveFile("\\", "a.bin");  // no new preparation: space was reserved for it
  const std::string bytes = Save();
  EXPECT_EQ(static_cast<int64_t>(bytes.size()), (burner->ImageSectors() - 3) * 2048);
  EXPECT_EQ(done_text, Text(ERR_4));
}

TEST_F(DirectSave, ASourceThatShrankIsZeroFilledAndReported) {
  const std::string a = MakeDataFile("a.bin", 5000, 'a');
  burner->InsertFile("\\", a, false);
  burner->InsertFile("\\", MakeDataFile("b.bin", 10, 'b'), false);
  burner->PrepareISO();
  std::filesystem::resize_file(a, 100);
  const std::string bytes = Save();
  EXPECT_EQ(done_text, Text(ERR_SREADERROR));
  EXPECT_EQ(DataOf(bytes, "b.bin"), sources["b.bin"]);
}

TEST_F(DirectSave, AMissingSourceOrTargetRaises) {
  const std::string a = MakeDataFile("a.bin", 10, 'a');
  burner->InsertFile("\\", a, false);
  burner->PrepareISO();
  EXPECT_THROW(burner->SaveToISOFile((Temp() / "no" / "dir" / "x.iso").string(), true), EFileError);
  std::filesystem::remove(a);
  EXPECT_THROW(Save(), EFileError);
  EXPECT_EQ(done_calls, 0);
}

}  // namespace
}  // namespace orlix::test
