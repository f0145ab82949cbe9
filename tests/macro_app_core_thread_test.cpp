// The macro side of the program's start-up (AppCore::Initialise) with the
// shipped data in memory and the virtual mouse: the worker threads run the
// platform's start hook, and the macro files are read with the macro lock
// free, so a message box about a missing file never keeps the player waiting.
#include <gtest/gtest.h>

#include <filesystem>
#include <future>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

#include "app/app_core.h"
#include "sim/memory_file_store.h"
#include "sim/virtual_hid_system.h"
#include "sim/virtual_mouse.h"
#include "tests/support/fakes.h"
#include "tests/support/test_support.h"

namespace zlv {
namespace {

namespace fs = std::filesystem;

constexpr char16_t kExeDir[] = u"C:\\ZLV";

class QuietHost final : public MainWindowHost {
 public:
  void AddAboutMenuItem() override {}
  void SetBigIcon() override {}
  void SetTitle(TextView) override {}
  void AllocateAdvancedControls() override {}
  void ApplyWindowShape(TextView) override {}
  void LoadMenus(std::int32_t) override {}
  NotifyTarget NotificationTarget() override { return 0x1234; }
  void AddTrayIcon() override {}
  void RemoveTrayIcon() override {}
  void UpdateTrayTip() override {}
  void DestroyWindow() override {}
  void Invalidate() override {}
  void UserMacrosReplaced() override {}
};

// Records each message box and whether another thread (the player) could
// have taken the macro lock while it was shown.
class LockProbingMessages final : public MessageBoxes {
 public:
  void Show(TextView text) override {
    shown.emplace_back(text);
    std::mutex* lock = macro_lock;
    lock_free.push_back(lock != nullptr && std::async(std::launch::async, [lock] {
                                             if (!lock->try_lock()) return false;
                                             lock->unlock();
                                             return true;
                                           }).get());
  }
  std::mutex* macro_lock = nullptr;
  std::vector<Text> shown;
  std::vector<bool> lock_free;
};

class MacroStartUpTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const fs::path data = fs::path(ToUtf8(testing::SourceFile("data")));
    for (const auto& entry : fs::recursive_directory_iterator(data)) {
      if (!entry.is_regular_file()) continue;
      const Text relative = fs::relative(entry.path(), data).u16string();
      files.Put(Text(kExeDir) + u"\\" + relative, testing::ReadBytes(entry.path()));
    }
  }
  void TearDown() override {
    if (core) core->StopThreads();
  }

  void MakeCore(MessageBoxes& messages, std::function<void()> workerThreadStart = {}) {
    services = std::make_unique<PlatformServices>(PlatformServices{
        files, messages, system, hid, clock, launcher, timer,
        [this](const DeviceLink& link) { return std::make_unique<VirtualHidTransport>(link, hid); },
        std::move(workerThreadStart)});
    core = std::make_unique<AppCore>(*services, kExeDir);
  }

  SteadyClock clock;
  VirtualMouse mouse{clock};
  VirtualHidSystem hid{mouse};
  MemoryFileStore files;
  RecordingSystemSettings system;
  testing::NoLauncher launcher;
  NoTimerResolution timer;
  QuietHost host;
  std::unique_ptr<PlatformServices> services;
  std::unique_ptr<AppCore> core;
};

TEST_F(MacroStartUpTest, MissingMacroFilesAreReportedWithTheMacroLockFree) {
  files.Remove(u"C:\\ZLV\\Macro_EN.dat");
  files.Remove(u"C:\\ZLV\\constMacro.dat");
  LockProbingMessages messages;
  MakeCore(messages);
  messages.macro_lock = &core->macros.mutex;

  ASSERT_TRUE(core->Initialise(host));

  EXPECT_EQ(messages.shown, (std::vector<Text>{u"找不到配置文件", u"找不到配置文件"}));
  EXPECT_EQ(messages.lock_free, (std::vector<bool>{true, true}));
  EXPECT_EQ(core->macros.user.count.load(), 0);
  EXPECT_EQ(core->macros.constant.count.load(), 0);
}

TEST_F(MacroStartUpTest, BothWorkerThreadsRunTheStartHook) {
  std::mutex mutex;
  std::set<std::thread::id> started;
  testing::RecordingMessages messages;
  MakeCore(messages, [&] {
    std::lock_guard lock(mutex);
    started.insert(std::this_thread::get_id());
  });
  ASSERT_TRUE(core->Initialise(host));
  core->StopThreads();

  // Two threads of their own, neither of them the window's.
  std::lock_guard lock(mutex);
  EXPECT_EQ(started.size(), 2u);
  EXPECT_EQ(started.count(std::this_thread::get_id()), 0u);
}

}  // namespace
}  // namespace zlv
