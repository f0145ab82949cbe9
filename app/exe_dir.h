// The folder of the running executable, from which every file path is built.
#pragma once

#include "base/text.h"

namespace zlv {

// The module path cut before its last backslash, so the result has no
// trailing backslash: "C:\Games\ZLV\ZLV_GMouse.exe" gives "C:\Games\ZLV".
// A path without any backslash gives empty text; file names such as
// "\config.ini" are then used without a folder in front.
Text ExeDirFromModulePath(TextView modulePath);

}  // namespace zlv
