#include "messages/messages.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <thread>

namespace orlix {
namespace {

class MessagesTest : public ::testing::Test {
 protected:
  void TearDown() override { ResetTexts(); }

  std::string WriteFile(const std::string& body) {
    auto path = std::filesystem::temp_directory_path() /
                ("orlix_messages_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "_" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::ofstream(path, std::ios::binary) << body;
    files_.push_back(path);
    return path.string();
  }

  ~MessagesTest() override {
    for (auto& f : files_) std::filesystem::remove(f);
  }

 private:
  std::vector<std::filesystem::path> files_;
};

TEST_F(MessagesTest, DefaultTextsAreExact) {
  EXPECT_EQ(Text(ERR_NONE), "");
  EXPECT_EQ(Text(ERR_FILEINUSE), "CAN'T OPEN FILE \"%s\" OR FILE IS IN USES BY OTHER SOFTWARE");
  EXPECT_EQ(Text(ERR_CREATEFILE), "CAN'T CREATE FILE \"%s\"");
  EXPECT_EQ(Text(CUEFILE_ERR_2), "INVALID FIELD \"%s\" IN PARAMETER LIST");
  EXPECT_EQ(Text(ERR_NEXTADRESS), "ERROR GETTING NEXT WRITABLE ADDRESS");
  EXPECT_EQ(Text(ERR_COPYABORTED), "COPYABORTED");
  EXPECT_EQ(Text(ERR_SREADERROR), "Stream read error");
  EXPECT_EQ(Text(ERR_SWRITEERROR), "Stream write error");
  EXPECT_EQ(Text(ERR_SInvalidImage), "Invalid stream format");
  EXPECT_EQ(Text(MSG_WAIT15MIN), "WRITING LEAD-OUT (THIS CAN TAKE APPROXIMATELY 15-20 MINUTES)");
  EXPECT_EQ(Text(ERR_AS_04_02), "LOGICAL UNIT NOT READY, INITIALIZING CMD. REQUIRED");
  EXPECT_EQ(Text(ERR_AS_5D_FF), "FAILURE PREDICTION THRESHOLD EXCEEDED (FALSE)");
}

TEST_F(MessagesTest, EveryTextIsUpperCaseExceptTheStreamTexts) {
  int sense = 0;
  for (int i = 0; i < kMessageCount; ++i) {
    auto id = static_cast<MessageId>(i);
    std::string_view name = MessageName(id);
    if (name.starts_with("ERR_AS_")) ++sense;
    if (id == ERR_SREADERROR || id == ERR_SWRITEERROR || id == ERR_SInvalidImage) continue;
    // Lower case belongs only to the placeholders (%s, %d).
    std::string text = Text(id);
    for (size_t i = 0; i < text.size(); ++i) {
      if (text[i] == '%')
        ++i;
      else
        EXPECT_FALSE(text[i] >= 'a' && text[i] <= 'z') << name;
    }
  }
  EXPECT_EQ(sense, 256);
}

TEST_F(MessagesTest, LookUpByName) {
  EXPECT_EQ(FindMessage("ERR_MAXDIRS"), ERR_MAXDIRS);
  EXPECT_EQ(FindMessage("ERR_SInvalidImage"), ERR_SInvalidImage);
  EXPECT_EQ(FindMessage("ERR_AS_3A_00"), ERR_AS_3A_00);
  EXPECT_FALSE(FindMessage("ERR_NOSUCHTHING").has_value());
  EXPECT_FALSE(FindMessage("").has_value());
  for (int i = 0; i < kMessageCount; ++i) {
    auto id = static_cast<MessageId>(i);
    EXPECT_EQ(FindMessage(MessageName(id)), id);
  }
}

TEST_F(MessagesTest, SenseLookUp) {
  EXPECT_EQ(SenseMessage(0x00, 0x00), ERR_AS_00_00);
  EXPECT_EQ(SenseMessage(0x3A, 0x00), ERR_AS_3A_00);
  EXPECT_EQ(Text(*SenseMessage(0x3A, 0x00)), "MEDIUM NOT PRESENT");
  EXPECT_EQ(Text(*SenseMessage(0x30, 0x10)), "MEDIUM NOT FORMATTED");
  EXPECT_EQ(Text(*SenseMessage(0x73, 0x03)), "POWER CALIBRATION AREA ERROR");
  EXPECT_EQ(Text(*SenseMessage(0x5D, 0xFF)), "FAILURE PREDICTION THRESHOLD EXCEEDED (FALSE)");
  EXPECT_FALSE(SenseMessage(0x3B, 0x10).has_value());
  EXPECT_FALSE(SenseMessage(0x3A, 0x10).has_value());
  EXPECT_FALSE(SenseMessage(0xFF, 0xFF).has_value());
  int found = 0;
  for (int asc = 0; asc < 256; ++asc)
    for (int ascq = 0; ascq < 256; ++ascq)
      if (SenseMessage(asc, ascq)) ++found;
  EXPECT_EQ(found, 256);
}

TEST_F(MessagesTest, FormatFillsPlaceholders) {
  EXPECT_EQ(Format(ERR_MAXDIRS, 8191), "MAXIMUM DIRECTORIES CAN BE 8191");
  EXPECT_EQ(Format(ERR_FILEINUSE, std::string("a b.txt")),
            "CAN'T OPEN FILE \"a b.txt\" OR FILE IS IN USES BY OTHER SOFTWARE");
  EXPECT_EQ(Format(MSG_WRITESTART, "0:1:0 VREC", std::string("12:00:01")),
            "STARTING WRITE PROCESS ON 0:1:0 VREC AT 12:00:01");
  EXPECT_EQ(Format(ERR_ISOIMAGENOTFOUND, int64_t{3}), "ERROR IMPORTING SESSION 3 (ISO IMAGE NOT FOUND)");
  EXPECT_EQ(Format(ERR_NOTSUPPORTED), "NOT SUPPORTED");
  // A caller mistake leaves the placeholder instead of reading garbage.
  EXPECT_EQ(Format(ERR_MAXDIRS, "x"), "MAXIMUM DIRECTORIES CAN BE %d");
  EXPECT_EQ(Format(MSG_EXTRACTING_FILE, "a"), "EXTRACTING FILE a TO %s");
  EXPECT_EQ(FormatText("100%% %05d|%-4s|%.1f", {{'i', 42}, {'s', 0, 0, "ab"}, {'f', 0, 2.25}}),
            "100% 00042|ab  |2.2");
}

TEST_F(MessagesTest, ReplacementIsReadAtUse) {
  EXPECT_TRUE(SetText(ERR_MAXFILES, "AU PLUS %d FICHIERS"));
  EXPECT_EQ(Format(ERR_MAXFILES, 65535), "AU PLUS 65535 FICHIERS");
  EXPECT_TRUE(SetText("ERR_NOTREADY", "PAS PRET"));
  EXPECT_EQ(Text(ERR_NOTREADY), "PAS PRET");
  EXPECT_FALSE(SetText("ERR_NOSUCH", "X"));
  ResetTexts();
  EXPECT_EQ(Text(ERR_MAXFILES), "MAXIMUM FILES CAN BE %d");
  EXPECT_EQ(Text(ERR_NOTREADY), "NOT READY");
}

TEST_F(MessagesTest, UnsafeReplacementIsRefused) {
  // %s where %d was would read an int as a pointer.
  EXPECT_FALSE(SetText(ERR_MAXDIRS, "MAX %s"));
  EXPECT_FALSE(SetText(ERR_MAXDIRS, "MAX"));
  EXPECT_FALSE(SetText(ERR_MAXDIRS, "MAX %d %d"));
  EXPECT_FALSE(SetText(ERR_MAXDIRS, "MAX %ld"));
  EXPECT_FALSE(SetText(ERR_MAXDIRS, "MAX %n"));
  EXPECT_FALSE(SetText(ERR_MAXDIRS, "MAX %*d"));
  EXPECT_FALSE(SetText(ERR_MAXDIRS, "MAX %1$d"));
  EXPECT_FALSE(SetText(ERR_MAXDIRS, "MAX %99999d"));
  EXPECT_FALSE(SetText(ERR_NOTREADY, "100% READY"));
  for (const char* cut : {"MAX %", "MAX %5", "MAX %.", "MAX %-"})
    EXPECT_FALSE(SetText(ERR_MAXDIRS, cut)) << cut;
  EXPECT_FALSE(SetText(MSG_WRITESTART, "AT %s ON %d"));
  EXPECT_EQ(Text(ERR_MAXDIRS), "MAXIMUM DIRECTORIES CAN BE %d");
  // Same placeholders with other flags, width or a literal %% are fine.
  EXPECT_TRUE(SetText(ERR_MAXDIRS, "MAX %5d (100%%)"));
  EXPECT_EQ(Format(ERR_MAXDIRS, 12), "MAX    12 (100%)");
}

TEST_F(MessagesTest, LoadTextsFromFile) {
  std::string path = WriteFile(
      "# comment\r\n"
      "; another\n"
      "\n"
      "ERR_NOTREADY=NICHT BEREIT\r\n"
      "  ERR_MAXDIRS = HOECHSTENS %d ORDNER\n"
      "ERR_FILEINUSE=DATEI \"%d\"\n"  // refused: %d where %s was
      "ERR_UNKNOWN_NAME=X\n"          // skipped
      "no equals sign\n"
      "ERR_AS_3A_00=KEIN MEDIUM=LEER\n");  // text keeps later '='
  EXPECT_EQ(LoadTexts(path), 3);
  EXPECT_EQ(Text(ERR_NOTREADY), "NICHT BEREIT");
  EXPECT_EQ(Format(ERR_MAXDIRS, 7), " HOECHSTENS 7 ORDNER");
  EXPECT_EQ(Text(ERR_FILEINUSE), "CAN'T OPEN FILE \"%s\" OR FILE IS IN USES BY OTHER SOFTWARE");
  EXPECT_EQ(Text(ERR_AS_3A_00), "KEIN MEDIUM=LEER");
  EXPECT_EQ(LoadTexts("/nonexistent/dir/texts.txt"), -1);
}

TEST_F(MessagesTest, SuccessFollowsTheCurrentTextOfErrNone) {
  EXPECT_TRUE(IsSuccess(""));
  EXPECT_FALSE(IsSuccess(Text(ERR_NOERROR)));
  EXPECT_TRUE(SetText(ERR_NONE, "OK"));
  EXPECT_TRUE(IsSuccess("OK"));
  EXPECT_FALSE(IsSuccess(""));
  ResetTexts();
  EXPECT_TRUE(IsSuccess(""));
}

TEST_F(MessagesTest, ConcurrentReadsAndReplacements) {
  std::thread writer([] {
    for (int i = 0; i < 2000; ++i) SetText(ERR_MAXDIRS, i % 2 ? "A %d" : "MAXIMUM DIRECTORIES CAN BE %d");
  });
  for (int i = 0; i < 2000; ++i) {
    std::string s = Format(ERR_MAXDIRS, 1);
    EXPECT_TRUE(s == "A 1" || s == "MAXIMUM DIRECTORIES CAN BE 1") << s;
  }
  writer.join();
}

}  // namespace
}  // namespace orlix
