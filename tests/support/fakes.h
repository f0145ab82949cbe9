// Plain test doubles of the program's service interfaces. No test framework
// here: the benchmarks use them too.
#pragma once

#include <vector>

#include "base/message_box.h"
#include "base/text.h"
#include "macro/program_launcher.h"

namespace zlv::testing {

// Keeps the text of every message box instead of showing it.
class RecordingMessages final : public MessageBoxes {
 public:
  void Show(TextView text) override { shown.emplace_back(text); }
  std::vector<Text> shown;
};

// Starts nothing and says so.
class NoLauncher final : public ProgramLauncher {
 public:
  bool Launch(TextView) override { return false; }
};

}  // namespace zlv::testing
