#include "platform/console.h"

#include <io.h>
#include <stdio.h>

namespace orlix {

bool IsTerminal(int stream) { return _isatty(_fileno(stream == 1 ? stdout : stderr)) != 0; }

}  // namespace orlix
