// Paths the Windows file calls accept at any length, and the temporary files
// a write goes through. No OS calls here: the Windows file store uses these.
#pragma once

#include <cstdint>

#include "base/text.h"

namespace zlv {

// The extended-length form of a full path, which the file calls take beyond
// MAX_PATH: "C:\a\b.ini" gives "\\?\C:\a\b.ini", "\\server\share\b.ini" gives
// "\\?\UNC\server\share\b.ini". A path already in that form, a device path
// ("\\.\...") and anything that is not a full path come back as they are.
// Forward slashes must already be backslashes (the full-path call does it).
Text ExtendedLengthPath(TextView fullPath);

// The folder of a file's path, without a trailing backslash except at a
// drive's root ("C:\", "\\?\C:\"). Empty when the path has no folder part.
Text FolderOfFile(TextView path);
// The file name: what follows the last backslash or slash.
TextView FileNameOfPath(TextView path);

// The temporary file a write of `target` goes through: beside it, its name
// the target's name + ".zlvtmp" + the writer's process id and a serial in hex.
Text TemporaryPathFor(TextView target, std::uint32_t processId, std::uint32_t serial);
// The pattern of the folder listing that finds such files ("config.ini.zlvtmp*").
Text TemporaryPattern(TextView targetName);
// Whether `name` is such a temporary of the file named `targetName` (letter
// case ignored, as the file system does), so a leftover of a write that was cut
// off can be told from the user's own files.
bool IsTemporaryOf(TextView targetName, TextView name);

}  // namespace zlv
