// What a drive can read and write, and the write methods it accepts.
#pragma once

#include <cstdint>
#include <initializer_list>

namespace orlix {

enum TScsiDeviceCapabilities : uint8_t {
  dcReadCDR,
  dcReadCDRW,
  dcReadMethod2,
  dcReadDVD,
  dcReadDVDR,
  dcReadDVDRW,
  dcReadDVDRAM,
  dcReadDVDPLUSR,
  dcReadDVDPLUSRW,
  dcWriteCDR,
  dcWriteCDRW,
  dcWriteTest,
  dcWriteDVDR,
  dcWriteDVDRW,
  dcWriteDVDRAM,
  dcWriteDVDPLUSR,
  dcWriteDVDPLUSRW,
  dcWriteISRC,
  dcUnderrunProtection
};
constexpr int kCapabilityCount = 19;

enum TWriteMethod : uint8_t { wmDAO, wmSAO, wmTAO };
constexpr int kWriteMethodCount = 3;

// A set of members of a small enumeration: bit n stands for the member of
// ordinal n.
template <typename E>
class TEnumSet {
 public:
  constexpr TEnumSet() = default;
  constexpr TEnumSet(std::initializer_list<E> members) {
    for (E m : members) Include(m);
  }
  constexpr bool Contains(E m) const { return (bits_ >> m) & 1u; }
  constexpr void Include(E m) { bits_ |= 1u << m; }
  constexpr void Exclude(E m) { bits_ &= ~(1u << m); }
  constexpr bool Empty() const { return bits_ == 0; }
  constexpr uint32_t Bits() const { return bits_; }
  friend constexpr bool operator==(TEnumSet, TEnumSet) = default;

 private:
  uint32_t bits_ = 0;
};

using TDeviceCapabilities = TEnumSet<TScsiDeviceCapabilities>;
using TWriteMethods = TEnumSet<TWriteMethod>;

}  // namespace orlix
