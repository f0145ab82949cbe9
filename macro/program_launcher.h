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
};

// True for a bare file name: not empty, no drive, no folder, no "..".
bool IsBareProgramName(TextView program);

}  // namespace zlv
