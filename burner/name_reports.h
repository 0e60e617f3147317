// Reporting a name written differently from the one it was given: the
// burner's OnNameChanged and the line on the debug channel.
#pragma once

#include <string>

#include "burner/burner.h"

namespace orlix {

// Raises OnNameChanged and writes ">>> " + the message of `why` as a
// type-4 debug line. `image_path` names the entry ("\DOCS\a.txt") or, for a
// volume text, the property.
void ReportNameChange(TOrlixBurner& burner, const std::string& image_path, const std::string& given,
                      const std::string& written, TNameChange why);

// The image builder's sink for the names it settles at preparation.
TNameSink NameSinkOf(TOrlixBurner& burner);

}  // namespace orlix
