#include "burner/cd_reader.h"

#include "burner/burner.h"
#include "framework/component.h"

namespace orlix {

void RegisterCDReader() { RegisterComponents(kPalettePage, {"TCDReader"}); }

}  // namespace orlix
