// Starting the programs that a button can launch.
#pragma once

#include "base/text.h"

namespace zlv {

class ProgramLauncher {
 public:
  virtual ~ProgramLauncher() = default;
  // Starts `program` (a bare file name such as "calc.exe") shown normally.
  // Returns whether it started; callers ignore a failure.
  virtual bool Launch(TextView program) = 0;
  // Opens a web address ("http://" or "https://" only) with the system
  // shell's "open" verb, shown normally. Returns whether it was handed over.
  virtual bool OpenAddress(TextView address) {
    (void)address;
    return false;
  }
};

// True for a bare file name: not empty, no drive, no folder, no "..".
bool IsBareProgramName(TextView program);

// True for an address that starts with "http://" or "https://" (any case)
// and holds no control characters.
bool IsWebAddress(TextView address);

}  // namespace zlv
