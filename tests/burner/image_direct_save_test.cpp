// Saving a prepared tree: every file lands on the sector its records name.
#include <algorithm>
#include <iterator>

#include "framework/exceptions.h"
#include "iso/bytes.h"
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
  // A host file whose bytes tell where they came from, added to the root.
  std::string Add(const std::string& name, size_t size, char seed) {
    std::string& data = sources[name] = std::string(size, '\0');
    for (size_t i = 0; i < size; ++i) data[i] = static_cast<char>(seed + i * 7 + i / 251);
    std::ofstream(temp / name, std::ios::binary) << data;
    EXPECT_EQ(burner->InsertFile("\\", Src(name), false), 1) << name;
    return Src(name);
  }
  std::string Save() {
    EXPECT_EQ(burner->SaveToISOFile(Src("out.iso"), true), 1);
    std::ifstream in(temp / "out.iso", std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  // The bytes at the sector the entry's record names, to its length.
  std::string DataOf(const std::string& bytes, const std::string& name) {
    PFEntry f = burner->FindFile(burner->Root(), name);
    return bytes.substr((int64_t{f->Address} + burner->FirstFileSector()) * 2048, f->Size);
  }

  std::map<std::string, std::string> sources;
  std::string done_text = "unset";
  int done_calls = 0;
};

TEST_F(DirectSave, FilesOfEverySizeLandWhereTheRecordsSay) {
  IsPrev = true;
  Add("xa.dat", 2324 * 3, 'x');  // form 2: 150 sectors reserved, 3 * 2048 bytes recorded
  IsPrev = false;
  for (size_t size : {0, 1, 2047, 2048, 2049, 3000, 200000})
    Add("f" + std::to_string(size) + ".bin", size, 'a');
  static char memory[5000];
  for (size_t i = 0; i < sizeof memory; ++i) memory[i] = static_cast<char>(i * 13);
  ASSERT_EQ(burner->InsertMemoryFile("\\", "mem.bin", "", 0x20, memory, sizeof memory), 1);
  burner->SetDoDebug(true);
  ASSERT_TRUE(burner->PrepareISO());
  ASSERT_TRUE(burner->PrepareISO());  // keeps one header and the form-2 length
  EXPECT_TRUE(burner->DoDebug());
  EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [](auto& l) { return l.text == "Sorting .... Done"; }));
  EXPECT_EQ(burner->HeaderStream()->Size(), 150 * 2048);
  EXPECT_EQ(burner->ImageSectors(), 150 + 150 + 0 + 1 + 1 + 1 + 2 + 2 + 98 + 3);
  const std::string bytes = Save();
  EXPECT_TRUE(done_calls == 1 && IsSuccess(done_text)) << done_text;
  EXPECT_EQ(static_cast<int64_t>(bytes.size()), burner->ImageSectors() * 2048);
  sources["xa.dat"].resize(3 * 2048);
  for (auto& [name, data] : sources) EXPECT_EQ(DataOf(bytes, name), data) << name;
  EXPECT_EQ(DataOf(bytes, "mem.bin"), std::string(memory, sizeof memory));
  PFEntry f = burner->FindFile(burner->Root(), "f3000.bin");  // two sectors: data, then 1096 zeros
  EXPECT_EQ(bytes.substr((f->Address + 150) * 2048 + 3000, 1096), std::string(1096, '\0'));
  TMemoryStream* header = burner->HeaderStream();
  EXPECT_EQ(bytes.substr(0, header->Size()),
            std::string(reinterpret_cast<const char*>(header->Memory()), header->Size()));
}

TEST_F(DirectSave, SmallBootImageIsPaddedAndFilesFollowAt150) {
  burner->SetBootImage(Src("boot.img"));
  std::ofstream(temp / "boot.img", std::ios::binary) << std::string(3 * 2048 + 5, 'B');
  burner->SetBootable(true);
  Add("after.bin", 100, 'z');
  burner->PrepareISO();
  ASSERT_TRUE(burner->Bootable());
  EXPECT_EQ(burner->BootImageSectors(), 4);
  const std::string bytes = Save();
  EXPECT_EQ(GetLE32(reinterpret_cast<const uint8_t*>(bytes.data()) + burner->BootCatalogSector() * 2048 + 40),
            burner->BootImageSector());
  const int64_t boot = burner->BootImageSector() * 2048, end = boot + 3 * 2048 + 5;
  EXPECT_EQ(bytes.substr(boot, end - boot), std::string(end - boot, 'B'));
  EXPECT_EQ(bytes.substr(end, 150 * 2048 - end), std::string(150 * 2048 - end, '\0'));  // zeros up to 150
  EXPECT_EQ(burner->FirstFileSector(), 150u);
  EXPECT_EQ(DataOf(bytes, "after.bin"), sources["after.bin"]);
  EXPECT_TRUE(IsSuccess(done_text));
}

TEST_F(DirectSave, EditsAfterPreparationMakeTheResultErr4) {
  Add("a.bin", 5000, 'a');
  Add("b.bin", 10, 'b');
  burner->PrepareISO();
  burner->RemoveFile("\\", "a.bin");  // b.bin now comes three sectors early
  const std::string bytes = Save();
  EXPECT_EQ(done_text, Text(ERR_4));
  EXPECT_EQ(static_cast<int64_t>(bytes.size()), (burner->ImageSectors() - 3) * 2048);
  ASSERT_EQ(std::count_if(lines.begin(), lines.end(), [](auto& l) { return l.type == 4; }), 1);
  EXPECT_EQ(lines.back().text, ">>> " + Text(ERR_4) + " " + Src("b.bin") + " 153<>150");
}

TEST_F(DirectSave, ASourceThatShrankIsZeroFilledAndAMissingOneRaises) {
  const std::string a = Add("a.bin", 5000, 'a');
  Add("b.bin", 10, 'b');
  burner->PrepareISO();
  fs::resize_file(a, 100);
  const std::string bytes = Save();
  EXPECT_EQ(done_text, Text(ERR_SREADERROR));
  EXPECT_EQ(DataOf(bytes, "a.bin"), sources["a.bin"].substr(0, 100) + std::string(4900, '\0'));
  EXPECT_EQ(DataOf(bytes, "b.bin"), sources["b.bin"]);
  EXPECT_THROW(burner->SaveToISOFile(Src("no/dir/x.iso"), true), EFileError);
  fs::remove(a);
  EXPECT_THROW(Save(), EFileError);
  EXPECT_EQ(done_calls, 1);
}

}  // namespace
}  // namespace orlix::test
