// The ASPI side: adapter inquiry, device types, the scan of 64 addresses,
// refused commands, sense copies, and the strict reading of command blocks
// against the caller's buffers.
#include <cstdio>
#include <cstring>
#include <memory>

#include "platform/event.h"
#include "tests/vrecorder/vrecorder_fixture.h"

namespace orlix::vrec_test {
namespace {

using RequestBlocks = RecorderTest;

TEST_F(RequestBlocks, OneAdapterWithTheDriveAtItsAddress) {
  Load("profile=cd-r");
  TSRB_HAInquiry ha{};
  ha.SRB_Cmd = SC_HA_INQUIRY;
  EXPECT_EQ(lib_.send(&ha), SS_COMP);
  EXPECT_EQ(ha.HA_Count, 1);
  EXPECT_EQ(std::string(ha.HA_ManagerId, 16), "ORLIX VRECORDER ");
  ha.SRB_HaId = 1;
  EXPECT_EQ(lib_.send(&ha), SS_INVALID_HA);
  TSRB_GDEVBlock dev{};
  dev.SRB_Cmd = SC_GET_DEV_TYPE;
  EXPECT_EQ(lib_.send(&dev), SS_COMP);
  EXPECT_EQ(dev.SRB_DeviceType, 5);
  EXPECT_EQ(lib_.send(nullptr), SS_INVALID_SRB);

  // A scan of every target and LUN finds the drive once, where configured.
  Load("profile=dvd+rw,target=2", "plus");
  for (drive_.target = 0; drive_.target < 8; ++drive_.target)
    for (drive_.lun = 0; drive_.lun < 8; ++drive_.lun) {
      const bool here = drive_.target == 2 && drive_.lun == 0;
      Bytes inquiry;
      EXPECT_EQ(drive_.In(Cdb(0x12, 6).Set(4, 0x80), inquiry, 128).status, here ? SS_COMP : SS_NO_DEVICE);
      if (here) {
        EXPECT_EQ(std::string(inquiry.begin() + 8, inquiry.begin() + 36), "ORLIX   VIRTUAL RECORDER1.00");
      }
    }
}

TEST_F(RequestBlocks, UnknownOperationIsIllegalRequestWithSenseCutToTheAskedLength) {
  Load("profile=cd-r");
  const Cdb read12(0xA8, 12);  // not among the drive's commands
  Result r = drive_.Exec(read12, 0, nullptr, 0);
  EXPECT_EQ(r.status, SS_ERR);
  EXPECT_EQ(r.targ_stat, STATUS_CHKCOND);
  EXPECT_EQ(r.sense[0], 0x70);
  EXPECT_EQ(r.sense[7], 10);
  EXPECT_EQ(r.Text(), "05/20/00");
  r = drive_.Exec(read12, 0, nullptr, 0, 3);
  EXPECT_EQ(r.sense[2], 0x05);
  EXPECT_EQ(r.sense[7], 0) << "sense written past SRB_SenseLen";
  r = drive_.Exec(read12, 0, nullptr, 0, 255);  // more than the area holds: never past its end
  EXPECT_EQ(r.sense[12], 0x20);
}

// A block whose length field disagrees with the buffer the host gave is
// refused before anything moves, pointing at that field; nothing is ever
// written past the buffer.
TEST_F(RequestBlocks, LengthFieldsMustBeTheBuffersLength) {
  Load("profile=dvd-r");
  // Exactly sized heap buffers: a byte too many is an overflow for ASan.
  const struct {
    Cdb cdb;
    uint32_t length;
    int field;
  } cases[] = {
      {Cdb(0x12, 6).Set(4, 0x80), 5, 3},
      {Cdb(0x03, 6).Set(4, 0xFF), 7, 4},
      {Cdb(0x03, 6), 40, 4},  // no sense at all would read as "ready"
      {Cdb(0x46, 10).Put16(7, 0xFFFF), 9, 7},
      {Cdb(0x5A, 10).Set(2, 0x3F).Put16(7, 0xFFFF), 11, 7},
      {Cdb(0x51, 10).Set(8, 34), 0x2200, 7},  // the length in the wrong byte
      {Cdb(0x52, 10).Set(1, 1).Put32(2, 1).Put16(7, 0xFFFF), 13, 7},
      {Cdb(0x23, 10).Put16(7, 0xFFFF), 6, 7},
      {Cdb(0xAD, 12).Put16(8, 0xFFFF), 100, 8},
      {Cdb(0x5C, 10).Put16(7, 0xFFFF), 1, 7},
      {Cdb(0x28, 10).Put16(7, 2), 2048, 7},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE("operation " + std::to_string(c.cdb.b[0]));
    auto buffer = std::make_unique<uint8_t[]>(c.length);
    std::memset(buffer.get(), 0x77, c.length);
    const Result r = drive_.Exec(c.cdb, SRB_DIR_IN, buffer.get(), c.length);
    EXPECT_EQ(r.Text(), "05/24/00");
    EXPECT_EQ(r.sense[15], 0xC0) << "field pointer into the command block";
    EXPECT_EQ(Get16(&r.sense[16]), static_cast<uint32_t>(c.field));
    EXPECT_EQ(buffer[0], 0x77);
  }
  // READ CAPACITY answers eight bytes, no more and no fewer.
  Bytes capacity;
  EXPECT_EQ(drive_.In(Cdb(0x25, 10), capacity, 4).status, SS_INVALID_SRB);
  EXPECT_TRUE(drive_.In(Cdb(0x25, 10), capacity, 8).ok());

  // A WRITE whose blocks do not fit the buffer moves no data.
  Result r = drive_.Out(Cdb(0x2A, 10).Put32(2, 0).Put16(7, 2), Bytes(2048, 0x77));
  EXPECT_EQ(r.Text(), "05/24/00");
  EXPECT_EQ(drive_.NextWritableAddress(), 0u);
  EXPECT_EQ(drive_.Exec(Cdb(0x12, 6).Set(4, 36), SRB_DIR_IN, nullptr, 36).status, SS_INVALID_SRB);
}

// What else a strict drive finds wrong in a command block: reserved bits,
// bytes past the operation's length, a block too short for the operation,
// data going the wrong way or where the operation has none.
TEST_F(RequestBlocks, ReservedBitsLengthsAndDirections) {
  Load("profile=dvd-r");
  const struct {
    Cdb cdb;
    int field;
  } reserved[] = {
      {Cdb(0x00, 6).Set(3, 1), 3},
      {Cdb(0x53, 12).Put32(4, 20000000), 4},          // a reservation size a byte too early
      {Cdb(0x53, 12).Put32(5, 1000).Set(10, 1), 10},  // past the 10 bytes of the operation
      {Cdb(0x5B, 10).Set(2, 0x12), 2},
      {Cdb(0x35, 10).Set(9, 0x01), 9},  // linked commands
      {Cdb(0xBB, 12).Set(8, 1), 8},
      {Cdb(0xA1, 12).Set(1, 0x21), 1},
  };
  for (const auto& c : reserved) {
    SCOPED_TRACE("operation " + std::to_string(c.cdb.b[0]));
    const Result r = drive_.None(c.cdb);
    EXPECT_EQ(r.Text(), "05/24/00");
    EXPECT_EQ(Get16(&r.sense[16]), static_cast<uint32_t>(c.field));
  }
  EXPECT_TRUE(drive_.ReserveTrack(1000).ok());
  EXPECT_TRUE(drive_.None(Cdb(0x35, 10).Set(9, 0xC0)).ok()) << "vendor bits of the control byte are free";

  Bytes d(8, 0);
  EXPECT_EQ(drive_.Exec(Cdb(0x25, 6), SRB_DIR_IN, d.data(), 8).status, SS_INVALID_SRB);  // 6 of 10 bytes
  EXPECT_EQ(drive_.Exec(Cdb(0x25, 10), SRB_DIR_OUT, d.data(), 8).status, SS_INVALID_SRB);
  EXPECT_EQ(drive_.Exec(Cdb(0x00, 6), SRB_DIR_IN, d.data(), 8).status, SS_INVALID_SRB);
  EXPECT_TRUE(drive_.Exec(Cdb(0x25, 10), 0, d.data(), 8).ok()) << "direction left to the operation";
}

TEST_F(RequestBlocks, CompletionEventIsSignalledAndNothingElse) {
  Load("profile=cd-r");
  TSRB_ExecSCSICmd srb{};
  srb.SRB_Cmd = SC_EXEC_SCSI_CMD;
  srb.SRB_Flags = SRB_EVENT_NOTIFY;
  srb.SRB_CDBLen = 6;
  TEventHandle event = CreateEventObject();
  ASSERT_NE(event, nullptr);
  srb.SRB_PostProc = event;
  EXPECT_EQ(lib_.send(&srb), SS_COMP);
  EXPECT_TRUE(WaitForEventObject(event, 0));
  CloseEventObject(event);

  // A handle that is no event (here a file the caller has open) is left alone.
  const std::string path = Path("not-an-event");
  std::FILE* file = std::fopen(path.c_str(), "w+");
  ASSERT_NE(file, nullptr);
  srb.SRB_PostProc = reinterpret_cast<void*>(static_cast<intptr_t>(fileno(file)));
  EXPECT_EQ(lib_.send(&srb), SS_COMP);
  std::fclose(file);
  EXPECT_EQ(std::filesystem::file_size(path), 0u);
}

TEST_F(RequestBlocks, EmptyDriveAndTray) {
  ASSERT_EQ(Configure(""), 0);
  EXPECT_EQ(drive_.TestUnitReady().Text(), "02/3A/01");
  EXPECT_EQ(drive_.CurrentProfile(), 0);
  Load("profile=cd-rw");
  EXPECT_TRUE(drive_.None(Cdb(0x1E, 6).Set(4, 1)).ok());  // prevent removal
  EXPECT_EQ(drive_.None(Cdb(0x1B, 6).Set(4, 2)).Text(), "05/53/02");
  EXPECT_TRUE(drive_.None(Cdb(0x1E, 6)).ok());
  EXPECT_TRUE(drive_.None(Cdb(0x1B, 6).Set(4, 2)).ok());  // eject
  EXPECT_EQ(drive_.TestUnitReady().Text(), "02/3A/02");
  EXPECT_TRUE(drive_.None(Cdb(0x1B, 6).Set(4, 3)).ok());  // load
  EXPECT_EQ(drive_.CurrentProfile(), 0x0A);
}

}  // namespace
}  // namespace orlix::vrec_test
