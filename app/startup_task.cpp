#include "app/startup_task.h"

#include "app/window_title.h"

namespace zlv {

Text XmlEscaped(TextView text) {
  Text out;
  out.reserve(text.size());
  for (char16_t c : text) {
    switch (c) {
      case u'&': out += u"&amp;"; break;
      case u'<': out += u"&lt;"; break;
      case u'>': out += u"&gt;"; break;
      default: out += c;
    }
  }
  return out;
}

Text FolderOfPath(TextView path) {
  const std::size_t last = path.find_last_of(u"\\/");
  if (last == TextView::npos) return Text();
  return Text(path.substr(0, last));
}

Text StartupTaskXml(const StartupTaskDefinition& task) {
  const Text user = XmlEscaped(task.userId);
  // The command is quoted: the program normally lies below "Program Files".
  const Text command = XmlEscaped(u"\"" + task.program + u"\"");
  const Text folder = XmlEscaped(FolderOfPath(task.program));
  Text xml;
  xml += u"<?xml version=\"1.0\" encoding=\"UTF-16\"?>\r\n";
  xml += u"<Task version=\"1.2\" xmlns=\"http://schemas.microsoft.com/windows/2004/02/mit/task\">\r\n";
  xml += u"  <RegistrationInfo>\r\n";
  xml += u"    <Author>Zelvan</Author>\r\n";
  xml += u"    <Description>Starts Zelvan Gaming Mouse in the notification area when you log on.</Description>\r\n";
  xml += u"  </RegistrationInfo>\r\n";
  xml += u"  <Triggers>\r\n";
  xml += u"    <LogonTrigger>\r\n";
  xml += u"      <Enabled>true</Enabled>\r\n";
  xml += u"      <UserId>" + user + u"</UserId>\r\n";
  // The notification area is not there at the very moment of logon.
  xml += u"      <Delay>PT10S</Delay>\r\n";
  xml += u"    </LogonTrigger>\r\n";
  xml += u"  </Triggers>\r\n";
  xml += u"  <Principals>\r\n";
  xml += u"    <Principal id=\"Author\">\r\n";
  xml += u"      <UserId>" + user + u"</UserId>\r\n";
  xml += u"      <LogonType>InteractiveToken</LogonType>\r\n";
  xml += u"      <RunLevel>HighestAvailable</RunLevel>\r\n";
  xml += u"    </Principal>\r\n";
  xml += u"  </Principals>\r\n";
  xml += u"  <Settings>\r\n";
  xml += u"    <MultipleInstancesPolicy>IgnoreNew</MultipleInstancesPolicy>\r\n";
  xml += u"    <DisallowStartIfOnBatteries>false</DisallowStartIfOnBatteries>\r\n";
  xml += u"    <StopIfGoingOnBatteries>false</StopIfGoingOnBatteries>\r\n";
  xml += u"    <AllowHardTerminate>true</AllowHardTerminate>\r\n";
  xml += u"    <StartWhenAvailable>false</StartWhenAvailable>\r\n";
  xml += u"    <RunOnlyIfNetworkAvailable>false</RunOnlyIfNetworkAvailable>\r\n";
  xml += u"    <IdleSettings>\r\n";
  xml += u"      <StopOnIdleEnd>false</StopOnIdleEnd>\r\n";
  xml += u"      <RestartOnIdle>false</RestartOnIdle>\r\n";
  xml += u"    </IdleSettings>\r\n";
  xml += u"    <AllowStartOnDemand>true</AllowStartOnDemand>\r\n";
  xml += u"    <Enabled>true</Enabled>\r\n";
  xml += u"    <Hidden>false</Hidden>\r\n";
  xml += u"    <RunOnlyIfIdle>false</RunOnlyIfIdle>\r\n";
  xml += u"    <WakeToRun>false</WakeToRun>\r\n";
  // The program runs for the whole session: no time limit.
  xml += u"    <ExecutionTimeLimit>PT0S</ExecutionTimeLimit>\r\n";
  // The priority of a program the user starts (the default 7 is below normal).
  xml += u"    <Priority>4</Priority>\r\n";
  xml += u"  </Settings>\r\n";
  xml += u"  <Actions Context=\"Author\">\r\n";
  xml += u"    <Exec>\r\n";
  xml += u"      <Command>" + command + u"</Command>\r\n";
  xml += u"      <Arguments>" + Text(kTrayStartArgument) + u"</Arguments>\r\n";
  if (!folder.empty()) xml += u"      <WorkingDirectory>" + folder + u"</WorkingDirectory>\r\n";
  xml += u"    </Exec>\r\n";
  xml += u"  </Actions>\r\n";
  xml += u"</Task>\r\n";
  return xml;
}

StartupToggleResult ToggleStartupTask(StartupTask& task) {
  if (task.Exists()) {
    return task.Disable() ? StartupToggleResult::kDisabled : StartupToggleResult::kFailed;
  }
  return task.Enable() ? StartupToggleResult::kEnabled : StartupToggleResult::kFailed;
}

TextView StartupToggleFailedMessage(std::int32_t uiLanguage) {
  if (uiLanguage == kUiEnglish) return u"The start with Windows could not be changed.";
  return u"无法更改随Windows启动设置。";
}

}  // namespace zlv
