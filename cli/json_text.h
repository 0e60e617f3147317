// JSON string values for the commands' --json output.
#pragma once

#include <string>

namespace orlix::cli {

// `text` as a JSON string, quotes included; control characters escaped.
std::string Quoted(const std::string& text);

}  // namespace orlix::cli
