// Facts about the process's standard streams.
#pragma once

namespace orlix {

// True when standard output (1) or standard error (2) is a terminal.
bool IsTerminal(int stream);

}  // namespace orlix
