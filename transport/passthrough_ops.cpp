#include "transport/transport_state.h"

namespace orlix {

TPassThroughOps SystemPassThrough() {
  TPassThroughOps ops;
  ops.is_cd_drive = &IsCdDrive;
  ops.open = &OpenDrive;
  ops.close = &CloseDrive;
  ops.send = &SendPassThrough;
  ops.get_address = &GetScsiAddress;
  return ops;
}

}  // namespace orlix
