// The disc outlives the drive: another instance of the library (as another
// process would) finds the medium as it was left; configuration errors.
#include <cstdlib>
#include <fstream>
#include <thread>

#include "tests/vrecorder/vrecorder_fixture.h"

namespace orlix::vrec_test {
namespace {

using Persistence = RecorderTest;

TEST_F(Persistence, AnotherInstanceFindsSessionsAndData) {
  Load("profile=cd-r,blocks=30000");
  ASSERT_TRUE(drive_.SetWriteParameters(0x01, 0xC4, 0x08).ok());
  ASSERT_TRUE(drive_.Write(0, 20, 0x3C).ok());
  ASSERT_TRUE(drive_.CloseSession().ok());
  ASSERT_TRUE(drive_.Write(11420, 5, 0x4D).ok());  // the second session stays open
  ASSERT_TRUE(drive_.Sync().ok());

  Library other(true);
  Drive second(other);
  ASSERT_EQ(other.configure((Path("disc") + ",op-ms=0").c_str()), 0) << other.last_error();
  Bytes info = second.DiscInformation();
  EXPECT_EQ(info[2], 0x05);  // appendable, last session incomplete
  EXPECT_EQ(info[4], 2);
  EXPECT_EQ(second.NextWritableAddress(), 11425u);
  Bytes data;
  ASSERT_TRUE(second.Read(19, 1, data).ok());
  EXPECT_EQ(data[0], 0x3C);
  ASSERT_TRUE(second.Read(11424, 1, data).ok());
  EXPECT_EQ(data[2047], 0x4D);

  // And back: what the other instance writes, a new configuration here sees.
  ASSERT_TRUE(second.SetWriteParameters(0x01, 0x04, 0x08).ok());
  ASSERT_TRUE(second.CloseSession().ok());
  Load("", "disc");
  EXPECT_EQ(drive_.DiscInformation()[2], 0x0E);  // complete
}

TEST_F(Persistence, WritesSinceTheLastSyncAreSavedWhenTheLibraryIsUnloaded) {
  Load("profile=dvd-r,blocks=30000");
  {
    Library other(true);
    Drive second(other);
    ASSERT_EQ(other.configure((Path("disc") + ",op-ms=0").c_str()), 0) << other.last_error();
    ASSERT_TRUE(second.WriteStamped(0, 64).ok());  // no SYNCHRONIZE CACHE
  }
  Load("", "disc");
  EXPECT_EQ(drive_.NextWritableAddress(), 64u);
  EXPECT_TRUE(drive_.ReadsBackStamped(0, 64));
}

TEST_F(Persistence, LongOperationOutlivesTheInstanceThatStartedIt) {
  Load("profile=dvd+rw,blocks=10000,op-ms=600000");
  ASSERT_TRUE(drive_.Format(0x26, 0, 0, true).ok());
  Library other(true);
  Drive second(other);
  ASSERT_EQ(other.configure(Path("disc").c_str()), 0) << other.last_error();
  EXPECT_EQ(second.TestUnitReady().Text(), "02/04/04");
  other.advance_clock(24LL * 3600 * 1000);  // past the end, whatever earlier tests moved this clock by
  EXPECT_TRUE(second.TestUnitReady().ok());
  EXPECT_EQ(second.DiscInformation()[2] & 0x03, 2);
}

TEST_F(Persistence, EnvironmentPointsAPlainAspiClientAtADisc) {
  ASSERT_EQ(lib_.create(Path("env").c_str(), "dvd-ram", 0), 0) << lib_.last_error();
#ifdef _WIN32
  _putenv_s("ORLIX_VRECORDER", Path("env").c_str());
#else
  setenv("ORLIX_VRECORDER", Path("env").c_str(), 1);
#endif
  Library other(true);
  EXPECT_EQ(other.support_info(), 0x0101u);  // the first call reads the variable
#ifdef _WIN32
  _putenv_s("ORLIX_VRECORDER", "");
#else
  unsetenv("ORLIX_VRECORDER");
#endif
  EXPECT_EQ(Drive(other).CurrentProfile(), 0x12);
  EXPECT_EQ(other.create(Path("env").c_str(), "cd-r", 0), -1);  // unloaded holding an error text
}

TEST_F(Persistence, ConfigurationAndCreationErrors) {
  // The reason is kept for the whole process, whichever thread failed.
  std::thread([&] { EXPECT_EQ(Configure(Path("x") + ",profile=dvd-zz"), -1); }).join();
  EXPECT_NE(std::string(lib_.last_error()).find("dvd+rw"), std::string::npos) << "names the profiles";
  EXPECT_EQ(Configure(Path("x") + ",speed=4x"), -1);
  EXPECT_EQ(Configure(Path("x") + ",speed=-1"), -1);

  Load("profile=cd-r");
  EXPECT_EQ(Configure(Path("disc") + ",profile=dvd+r"), -1);
  EXPECT_NE(std::string(lib_.last_error()).find("CD-R"), std::string::npos);

  EXPECT_EQ(lib_.create(Path("disc").c_str(), "cd-r", 0), -1) << "already a disc";
  EXPECT_EQ(lib_.create(Path("new").c_str(), "blu-ray", 0), -1);
  ASSERT_EQ(lib_.create(Path("rw").c_str(), "dvd-rw", 0), 0);
  ASSERT_EQ(Configure(Path("rw") + ",profile=dvd-rw-ro"), 0) << "both DVD-RW modes are one medium";

  { std::ofstream(Path("plain")) << "data"; }
  EXPECT_EQ(lib_.create(Path("plain").c_str(), "cd-r", 0), -1) << "an unrelated file is not overwritten";

  { std::ofstream(Path("disc.desc"), std::ios::app) << "track 1 0 99999999 0 0 1\n"; }
  EXPECT_EQ(Configure(Path("disc")), -1);
  EXPECT_NE(std::string(lib_.last_error()).find("damaged"), std::string::npos);
}

TEST_F(Persistence, DescriptionForPeople) {
  Load("profile=dvd-r,blocks=100000");
  ASSERT_TRUE(drive_.ReserveTrack(50).ok());
  char text[512];
  int n = lib_.describe(Path("disc").c_str(), text, sizeof text);
  ASSERT_GT(n, 0);
  std::string s(text);
  EXPECT_NE(s.find("DVD-R"), std::string::npos);
  EXPECT_NE(s.find("appendable"), std::string::npos) << "a reservation starts the session";
  EXPECT_NE(s.find("track 1: session 1, start 0, size 64"), std::string::npos) << s;

  char tiny[5];  // the answer is cut to the caller's buffer
  EXPECT_EQ(lib_.describe(Path("disc").c_str(), tiny, sizeof tiny), n);
  EXPECT_EQ(std::string(tiny), "disc");
  EXPECT_EQ(lib_.describe(Path("none").c_str(), tiny, sizeof tiny), -1);
}

}  // namespace
}  // namespace orlix::vrec_test
