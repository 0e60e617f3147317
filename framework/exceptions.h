// The few errors of the framework itself that travel as exceptions: list
// index out of range, conversion errors, failed file operations.
#pragma once

#include <stdexcept>
#include <string>

#include "framework/export.h"

namespace orlix {

class ORLIX_API EListError : public std::out_of_range {
 public:
  using std::out_of_range::out_of_range;
};

class ORLIX_API EConvertError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A file could not be opened, created, read or written; carries the OS error.
class ORLIX_API EFileError : public std::runtime_error {
 public:
  EFileError(const std::string& what, int os_error) : std::runtime_error(what), os_error_(os_error) {}
  int OsError() const { return os_error_; }

 private:
  int os_error_;
};

}  // namespace orlix
