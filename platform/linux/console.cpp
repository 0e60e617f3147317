#include "platform/console.h"

#include <unistd.h>

namespace orlix {

bool IsTerminal(int stream) { return isatty(stream == 1 ? STDOUT_FILENO : STDERR_FILENO) == 1; }

}  // namespace orlix
