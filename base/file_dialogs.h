// The system's open and save file dialogs, behind an interface of our own so
// portable code can ask for a file and tests can answer for the user.
#pragma once

#include <cstdint>
#include <optional>

#include "base/text.h"

namespace zlv {

enum class FileDialogKind { kOpen, kSave };

// Dialog flag values as the platform numbers them.
namespace file_dialog_flag {
inline constexpr std::uint32_t kReadOnly = 0x1;
inline constexpr std::uint32_t kOverwritePrompt = 0x2;
inline constexpr std::uint32_t kHideReadOnly = 0x4;
}  // namespace file_dialog_flag

// One of the program's dialogs. `filter` is in the platform's pair form: a
// display name, a bar, a pattern, and a closing double bar
// ("All Files(*.ini)|*.ini||"). `defaultExtension` (without the dot, empty
// for none) is appended to a name typed without one.
struct FileDialogSpec {
  FileDialogKind kind;
  const char16_t* filter;
  const char16_t* defaultExtension;
  std::uint32_t flags;
};

inline constexpr std::uint32_t kOpenDialogFlags =
    file_dialog_flag::kReadOnly | file_dialog_flag::kHideReadOnly;  // 5
inline constexpr std::uint32_t kSaveDialogFlags =
    file_dialog_flag::kHideReadOnly | file_dialog_flag::kOverwritePrompt;  // 6

inline constexpr FileDialogSpec kProfileImportDialog{FileDialogKind::kOpen,
                                                     u"All Files(*.ini)|*.ini||", u"",
                                                     kOpenDialogFlags};
inline constexpr FileDialogSpec kProfileExportDialog{FileDialogKind::kSave,
                                                     u"All Files(*.ini)|*.ini||", u"ini",
                                                     kSaveDialogFlags};
inline constexpr FileDialogSpec kMacroImportDialog{FileDialogKind::kOpen,
                                                   u"All Files(*.dat)|*.dat||", u"",
                                                   kOpenDialogFlags};
inline constexpr FileDialogSpec kMacroExportDialog{FileDialogKind::kSave,
                                                   u"All Files(*.dat)|*.dat||", u"dat",
                                                   kSaveDialogFlags};

// A dialog to show: what it is and the folder it opens in (no preset name).
struct FileDialogRequest {
  FileDialogKind kind = FileDialogKind::kOpen;
  Text filter;
  Text defaultExtension;
  std::uint32_t flags = 0;
  Text initialFolder;
};

FileDialogRequest MakeFileDialogRequest(const FileDialogSpec& dialog, TextView initialFolder);

// The filter in the form the system's dialogs read: every bar becomes a NUL,
// so the closing double bar gives the double NUL that ends the list.
Text NulSeparatedFilter(TextView barFilter);

class FileDialogs {
 public:
  virtual ~FileDialogs() = default;
  // Shows the dialog, owned by the main window, and returns once it closes:
  // the chosen path, or nothing when the user cancelled.
  virtual std::optional<Text> Choose(const FileDialogRequest& request) = 0;
};

}  // namespace zlv
