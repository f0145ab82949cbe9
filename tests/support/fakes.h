// Plain test doubles of the program's service interfaces. No test framework
// here: the benchmarks use them too.
#pragma once

#include <functional>
#include <optional>
#include <vector>

#include "app/startup_task.h"
#include "base/file_dialogs.h"
#include "base/message_box.h"
#include "base/text.h"
#include "macro/program_launcher.h"

namespace zlv::testing {

// Keeps the text of every message box instead of showing it.
class RecordingMessages final : public MessageBoxes {
 public:
  void Show(TextView text) override {
    shown.emplace_back(text);
    // What else may happen while a real box waits for the user.
    if (while_shown) while_shown();
  }
  std::vector<Text> shown;
  std::function<void()> while_shown;
};

// Starts nothing and says so.
class NoLauncher final : public ProgramLauncher {
 public:
  bool Launch(TextView) override { return false; }
};

// Answers each file dialog with the next queued choice (nothing: cancelled)
// and keeps the requests it was shown.
class QueuedFileDialogs final : public FileDialogs {
 public:
  std::optional<Text> Choose(const FileDialogRequest& request) override {
    requests.push_back(request);
    if (answers.empty()) return std::nullopt;
    std::optional<Text> answer = answers.front();
    answers.erase(answers.begin());
    return answer;
  }
  std::vector<std::optional<Text>> answers;
  std::vector<FileDialogRequest> requests;
};

// A start-up task that is only a flag; `fail` makes enabling and disabling
// fail and leave the flag alone.
class FakeStartupTask final : public StartupTask {
 public:
  bool Exists() override { return exists; }
  bool Enable() override {
    ++enables;
    if (fail) return false;
    exists = true;
    return true;
  }
  bool Disable() override {
    ++disables;
    if (fail) return false;
    exists = false;
    return true;
  }
  bool exists = false;
  bool fail = false;
  int enables = 0;
  int disables = 0;
};

}  // namespace zlv::testing
