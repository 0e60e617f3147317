// The image folder a --dest names, read one way by every command that takes
// it: "/" and "\" both separate folders, a separator may lead and end it.
#pragma once

#include <string>

namespace orlix::cli {

// Sets `path` to the image path ("\" joined, "\" for the root) and returns
// true; or false with `error` telling what is wrong: an empty --dest, an
// empty component (two separators in a row), "." or "..", none of which an
// image folder can be named.
bool ParseImageFolder(const std::string& text, std::string& path, std::string& error);

}  // namespace orlix::cli
