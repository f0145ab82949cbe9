// The start-up task through the Task Scheduler (its 2.0 COM interface): the
// definition of app/startup_task.h registered in the root folder under
// kStartupTaskName for the user this process runs as.
#pragma once

#include <optional>

#include "app/startup_task.h"
#include "base/text.h"

namespace zlv {

class TaskSchedulerStartupTask final : public StartupTask {
 public:
  // `program`: the full path of the executable the task starts.
  explicit TaskSchedulerStartupTask(Text program);

  bool Exists() override;
  bool Enable() override;
  bool Disable() override;

  // The definition as the Task Scheduler holds it, when the task exists.
  std::optional<Text> RegisteredXml();
  // The definition Enable registers.
  Text Definition() const;

 private:
  Text program_;
};

// The account this process runs as, "DOMAIN\user" (empty when unknown).
Text CurrentUserId();

// The full path of this process's executable.
Text ModulePath();

}  // namespace zlv
