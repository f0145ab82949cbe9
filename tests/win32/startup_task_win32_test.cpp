// The start-up task in Wine's Task Scheduler: registered, found, read back,
// replaced and removed through the same calls the program and zlvctl make.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "app/startup_task_win32.h"
#include "base/text.h"

namespace zlv {
namespace {

using ::testing::HasSubstr;

TEST(TaskSchedulerStartupTaskTest, EnableRegistersTheDefinitionAndDisableRemovesIt) {
  const Text program = u"C:\\Program Files\\Zelvan Gaming Mouse\\ZLV_GMouse.exe";
  TaskSchedulerStartupTask task(program);
  ASSERT_TRUE(task.Disable());  // a task left by an earlier run goes
  EXPECT_FALSE(task.Exists());
  EXPECT_FALSE(task.RegisteredXml().has_value());

  ASSERT_TRUE(task.Enable());
  EXPECT_TRUE(task.Exists());
  const std::optional<Text> xml = task.RegisteredXml();
  ASSERT_TRUE(xml.has_value());
  // What is read back is the scheduler's own rendering of the definition.
  // Wine 8 keeps the registration info and the settings but drops the
  // trigger, the principal's fields and the command (it starts no task at
  // logon anyway); the definition itself is checked natively.
  const std::string text = ToUtf8(*xml);
  EXPECT_THAT(text, HasSubstr("<Author>Zelvan</Author>"));
  EXPECT_THAT(text, HasSubstr("<ExecutionTimeLimit>PT0S</ExecutionTimeLimit>"));
  EXPECT_THAT(text, HasSubstr("<DisallowStartIfOnBatteries>false</DisallowStartIfOnBatteries>"));
  EXPECT_THAT(text, HasSubstr("<StopIfGoingOnBatteries>false</StopIfGoingOnBatteries>"));

  // Enabling again replaces the task.
  EXPECT_TRUE(task.Enable());
  EXPECT_TRUE(task.Exists());

  EXPECT_TRUE(task.Disable());
  EXPECT_FALSE(task.Exists());
  EXPECT_TRUE(task.Disable());
}

TEST(TaskSchedulerStartupTaskTest, TheDefinitionNamesThisUser) {
  const Text user = CurrentUserId();
  ASSERT_FALSE(user.empty());
  TaskSchedulerStartupTask task(u"C:\\x\\ZLV_GMouse.exe");
  EXPECT_THAT(ToUtf8(task.Definition()), HasSubstr("<UserId>" + ToUtf8(XmlEscaped(user)) + "</UserId>"));
}

}  // namespace
}  // namespace zlv
