#include "vrecorder/cdb_rules.h"

#include "transport/srb.h"

namespace orlix::vrec {

namespace {

enum class Data : uint8_t { kNone, kIn, kOut };

struct Rule {
  uint8_t opcode;
  uint8_t size;  // 6, 10 or 12 bytes
  Data data;
  // The field that sizes the data phase: its first byte and width, and the
  // bytes one unit of it stands for. Width 0: a fixed answer of `unit` bytes,
  // or (unit 0 too) no field the drive checks here.
  uint8_t length_at, length_width;
  uint32_t unit;
  // Bits that must be zero, by byte (byte 0 is the operation code).
  uint8_t reserved[12];
};

// The last byte is the control byte: its vendor bits are free, the rest
// (NACA, link) are not supported.
constexpr uint8_t C = 0x3F;
constexpr uint32_t kBlock = 2048;

// One operation a line.
// clang-format off
constexpr Rule kRules[] = {
    {0x00, 6, Data::kNone, 0, 0, 0, {0, 0xFF, 0xFF, 0xFF, 0xFF, C}},                             // TEST UNIT READY
    {0x01, 6, Data::kNone, 0, 0, 0, {0, 0xFF, 0xFF, 0xFF, 0xFF, C}},                             // REZERO UNIT
    {0x03, 6, Data::kIn, 4, 1, 1, {0, 0xFE, 0xFF, 0xFF, 0, C}},                                  // REQUEST SENSE
    {0x04, 6, Data::kOut, 0, 0, 0, {0, 0xE0, 0, 0xFF, 0xFF, C}},                                 // FORMAT UNIT
    {0x12, 6, Data::kIn, 3, 2, 1, {0, 0xFE, 0, 0, 0, C}},                                        // INQUIRY
    {0x1B, 6, Data::kNone, 0, 0, 0, {0, 0xFE, 0xFF, 0xFC, 0x0C, C}},                             // START STOP UNIT
    {0x1E, 6, Data::kNone, 0, 0, 0, {0, 0xFF, 0xFF, 0xFF, 0xFC, C}},                             // PREVENT ALLOW
    {0x23, 10, Data::kIn, 7, 2, 1, {0, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, C}},            // READ FORMAT CAPACITIES
    {0x25, 10, Data::kIn, 0, 0, 8, {0, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, C}},      // READ CAPACITY
    {0x28, 10, Data::kIn, 7, 2, kBlock, {0, 0xE5, 0, 0, 0, 0, 0xFF, 0, 0, C}},                   // READ (10)
    {0x2A, 10, Data::kOut, 7, 2, kBlock, {0, 0xE5, 0, 0, 0, 0, 0xFF, 0, 0, C}},                  // WRITE (10)
    {0x35, 10, Data::kNone, 0, 0, 0, {0, 0xFD, 0, 0, 0, 0, 0xFF, 0, 0, C}},                      // SYNCHRONIZE CACHE
    {0x43, 10, Data::kIn, 7, 2, 1, {0, 0xFD, 0xF0, 0xFF, 0xFF, 0xFF, 0, 0, 0, C}},               // READ TOC/PMA/ATIP
    {0x46, 10, Data::kIn, 7, 2, 1, {0, 0xFC, 0, 0, 0xFF, 0xFF, 0xFF, 0, 0, C}},                  // GET CONFIGURATION
    {0x51, 10, Data::kIn, 7, 2, 1, {0, 0xF8, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, C}},            // READ DISC INFORMATION
    {0x52, 10, Data::kIn, 7, 2, 1, {0, 0xF8, 0, 0, 0, 0, 0xFF, 0, 0, C}},                        // READ TRACK INFORMATION
    {0x53, 10, Data::kNone, 0, 0, 0, {0, 0xFE, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0, C}},                // RESERVE TRACK
    {0x54, 10, Data::kOut, 7, 2, 1, {0, 0xFE, 0xFC, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, C}},           // SEND OPC INFORMATION
    {0x55, 10, Data::kOut, 7, 2, 1, {0, 0xEE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, C}},           // MODE SELECT (10)
    {0x5A, 10, Data::kIn, 7, 2, 1, {0, 0xE7, 0, 0, 0xFF, 0xFF, 0xFF, 0, 0, C}},                  // MODE SENSE (10)
    {0x5B, 10, Data::kNone, 0, 0, 0, {0, 0xFE, 0xF8, 0xFF, 0, 0, 0xFF, 0xFF, 0xFF, C}},          // CLOSE TRACK/SESSION
    {0x5C, 10, Data::kIn, 7, 2, 1, {0, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, C}},            // READ BUFFER CAPACITY
    {0x5D, 10, Data::kOut, 6, 3, 1, {0, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, C}},              // SEND CUE SHEET
    {0xA1, 12, Data::kNone, 0, 0, 0, {0, 0xE8, 0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, C}},    // BLANK
    {0xAD, 12, Data::kIn, 8, 2, 1, {0, 0xF0, 0, 0, 0, 0, 0, 0, 0, 0, 0x3F, C}},                  // READ DVD STRUCTURE
    {0xB6, 12, Data::kOut, 9, 2, 1, {0, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, C}},  // SET STREAMING
    {0xBB, 12, Data::kNone, 0, 0, 0, {0, 0xFC, 0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, C}},    // SET CD SPEED
    // READ CD: how many bytes a block brings depends on byte 9; the handler
    // checks the transfer.
    {0xBE, 12, Data::kIn, 0, 0, 0, {0, 0xE1, 0, 0, 0, 0, 0, 0, 0, 0x01, 0xF8, C}},
    {0xBF, 12, Data::kOut, 8, 2, 1, {0, 0xF0, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0x3F, C}},  // SEND DVD STRUCTURE
};
// clang-format on

const Rule* FindRule(uint8_t opcode) {
  for (const Rule& r : kRules)
    if (r.opcode == opcode) return &r;
  return nullptr;
}

uint32_t Field(const uint8_t* p, int width) {
  uint32_t v = 0;
  for (int i = 0; i < width; ++i) v = v << 8 | p[i];
  return v;
}

CdbCheck BadField(Sense& sense, int byte) {
  sense = InvalidFieldAt(byte);
  return CdbCheck::kBadField;
}

}  // namespace

CdbCheck CheckCdb(const uint8_t* cdb, uint8_t cdb_length, uint8_t flags, uint32_t buffer_length,
                  Sense& sense) {
  const Rule* rule = FindRule(cdb[0]);
  if (!rule) return CdbCheck::kGood;
  if (cdb_length < rule->size) return CdbCheck::kBadRequest;
  // The host may say which way the data goes; it must be the operation's way.
  const bool in = flags & SRB_DIR_IN, out = flags & SRB_DIR_OUT;
  if (buffer_length > 0 &&
      (rule->data == Data::kNone || (in && rule->data != Data::kIn) || (out && rule->data != Data::kOut)))
    return CdbCheck::kBadRequest;

  for (int i = 1; i < rule->size; ++i)
    if (cdb[i] & rule->reserved[i]) return BadField(sense, i);
  for (int i = rule->size; i < cdb_length; ++i)
    if (cdb[i] != 0) return BadField(sense, i);

  if (rule->length_width > 0) {
    const uint64_t announced = uint64_t{Field(cdb + rule->length_at, rule->length_width)} * rule->unit;
    if (announced != buffer_length) return BadField(sense, rule->length_at);
  } else if (rule->unit > 0 && buffer_length != rule->unit) {
    return CdbCheck::kBadRequest;
  }
  return CdbCheck::kGood;
}

}  // namespace orlix::vrec
