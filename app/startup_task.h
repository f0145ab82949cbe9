// Starting the program with Windows. The program asks for administrator
// rights, and Windows does not start such a program from the Run key at
// logon, so the start is a scheduled task: at the user's logon, with the
// highest rights, in the user's interactive session, about ten seconds late
// (the notification area is there by then), without a time limit and
// whether the computer runs on battery or not. The task starts the program
// with `--tray`. The tray menu and zlvctl (which the installer calls) share
// the one definition below and the one Windows implementation.
#pragma once

#include "base/text.h"

namespace zlv {

// The task's name in the root folder of the Task Scheduler.
inline constexpr char16_t kStartupTaskName[] = u"ZLV_GMouse";
// The argument the task starts the program with.
inline constexpr char16_t kTrayStartArgument[] = u"--tray";

struct StartupTaskDefinition {
  Text userId;   // the account whose logon starts it, "DOMAIN\user"
  Text program;  // the full path of the executable
};

// The task's definition in the Task Scheduler's XML (schema version 1.2).
Text StartupTaskXml(const StartupTaskDefinition& task);

// The text with &, < and > written as XML entities, for an element's text.
Text XmlEscaped(TextView text);

// The folder of a full path: everything before its last backslash (or slash);
// empty when it has none.
Text FolderOfPath(TextView path);

// The start-up task of this user on this computer.
class StartupTask {
 public:
  virtual ~StartupTask() = default;
  // Whether the task is registered.
  virtual bool Exists() = 0;
  // Registers the task, replacing one of the same name. True on success.
  virtual bool Enable() = 0;
  // Removes the task. True when it is gone afterwards (also when it was not there).
  virtual bool Disable() = 0;
};

// What the tray menu's "Start with Windows" does: removes the task when it
// exists, registers it otherwise.
enum class StartupToggleResult { kEnabled, kDisabled, kFailed };
StartupToggleResult ToggleStartupTask(StartupTask& task);

// The message shown when the toggle failed, in the interface language.
TextView StartupToggleFailedMessage(std::int32_t uiLanguage);

}  // namespace zlv
