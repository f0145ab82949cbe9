// zlvctl run, the daemon, on its real threads: it applies the profile when
// the mouse is there, plays a host macro when its button is pressed, waits
// when the mouse is unplugged and applies again when it comes back, and
// stops with every thread joined.
#include <gtest/gtest.h>

#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "device/protocol.h"
#include "macro/macro_file.h"
#include "macro/macro_slot.h"
#include "settings/ini_file.h"
#include "sim/memory_file_store.h"
#include "sim/mouse_descriptors.h"
#include "sim/virtual_hidraw.h"
#include "sim/virtual_mouse.h"
#include "tests/support/macro_records.h"
#include "tests/support/test_support.h"
#include "tools/zlvctl/host_mouse.h"
#include "tools/zlvctl/zlvctl.h"

namespace zlv {
namespace {

namespace md = mouse_descriptors;

// Profile 2 puts user macro 0 (code 41) on button slot 3, hardware button 5.
const char kConfig[] =
    "[Init]\r\nCurConfig=2\r\nVER_SEL=1\r\n"
    "[Config2]\r\nK0=1\r\nK1=2\r\nK2=3\r\nK3=41\r\nK4=4\r\nK5=6\r\n";
constexpr int kMacroButton = 5;

// Device events and the stop request as the test gives them.
class ScriptedWatch final : public DeviceWatch {
 public:
  Event Wait(std::chrono::milliseconds timeout) override {
    std::unique_lock<std::mutex> lock(mutex_);
    if (!ready_.wait_for(lock, timeout, [&] { return !events_.empty(); })) return Event::kTimeout;
    const Event e = events_.front();
    events_.pop_front();
    return e;
  }
  void Give(Event e) {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      events_.push_back(e);
    }
    ready_.notify_all();
  }

 private:
  std::mutex mutex_;
  std::condition_variable ready_;
  std::deque<Event> events_;
};

// A thread-safe stream for the daemon's lines.
class Lines : public std::stringbuf {
 public:
  std::string Text() {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    return str();
  }

 protected:
  std::streamsize xsputn(const char* s, std::streamsize n) override {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    return std::stringbuf::xsputn(s, n);
  }
  int_type overflow(int_type c) override {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    return std::stringbuf::overflow(c);
  }

 private:
  std::recursive_mutex mutex_;  // the base class's xsputn calls overflow
};

class ZlvctlRunTest : public ::testing::Test {
 protected:
  void SetUp() override {
    files.Put(u"mouse/config.ini", kConfig);
    UserMacroTable table;
    MacroSlot& tap = table.slots[0];
    tap.SetName(u"Tap");
    tap.SetRepeat(1);
    testing::Fill(tap, {testing::kPressA, testing::kReleaseA});
    table.count = 1;
    IniStore ini(files);
    ASSERT_TRUE(SaveMacroFile(ini, u"mouse/Macro_EN.dat", table));

    Plug();
    host.sysRoot = tree.path();
    host.devRoot = "/dev";
    host.clock = &clock;
    host.watch = &watch;
    host.openIo = [this]() -> std::unique_ptr<HidrawIo> {
      std::lock_guard<std::mutex> lock(mice_mutex);
      return std::make_unique<VirtualHidrawIo>(*mice.back(), "/dev/hidraw2", "/dev/hidraw3");
    };
  }

  // A mouse (a fresh one: a re-plugged mouse starts from its factory state).
  void Plug() {
    {
      std::lock_guard<std::mutex> lock(mice_mutex);
      mice.push_back(std::make_unique<VirtualMouse>(clock));
    }
    WriteFakeHidrawNode(tree.path(), "hidraw2", protocol::kVendorId, protocol::kProductId, md::kVendorFeature);
    WriteFakeHidrawNode(tree.path(), "hidraw3", protocol::kVendorId, protocol::kProductId, md::kVendorInput);
  }
  void Unplug() {
    RemoveFakeHidrawNode(tree.path(), "hidraw2");
    RemoveFakeHidrawNode(tree.path(), "hidraw3");
  }
  VirtualMouse& Mouse(std::size_t n) {
    std::lock_guard<std::mutex> lock(mice_mutex);
    return *mice.at(n);
  }
  static std::vector<std::string> Received(const VirtualMouse& mouse) {
    std::vector<std::string> out;
    for (const LoggedReport& r : mouse.Log()) out.push_back(HexBytes(r.bytes));
    return out;
  }
  static std::size_t Count(const std::vector<std::string>& v, const std::string& line) {
    return static_cast<std::size_t>(std::count(v.begin(), v.end(), line));
  }

  // The daemon on a thread of its own; stopped and joined at the latest when
  // the test ends, whatever failed.
  class Daemon {
   public:
    explicit Daemon(ZlvctlRunTest& t) : t_(t), out_(&t.out), err_(&t.err) {
      thread_ = std::thread([this] {
        status_ = RunZlvctl({"run", "--config", "mouse/config.ini"}, out_, err_, t_.files, &t_.host);
      });
    }
    ~Daemon() { Stop(); }
    int Stop() {
      if (thread_.joinable()) {
        t_.watch.Give(DeviceWatch::Event::kStop);
        thread_.join();
      }
      return status_;
    }

   private:
    ZlvctlRunTest& t_;
    std::ostream out_;
    std::ostream err_;
    int status_ = -1;
    std::thread thread_;
  };
  std::string Said() { return "out: " + out.Text() + "\nerr: " + err.Text(); }

  MemoryFileStore files;
  testing::TempDir tree;
  SteadyClock clock;
  ScriptedWatch watch;
  std::mutex mice_mutex;
  std::vector<std::unique_ptr<VirtualMouse>> mice;
  HostMouse host;
  Lines out, err;
};

TEST_F(ZlvctlRunTest, AppliesPlaysFollowsTheUnplugAndStops) {
  Daemon daemon(*this);

  // The push, as at any start of the program.
  ASSERT_TRUE(testing::WaitUntil([&] { return Mouse(0).Log().size() >= 13; })) << Said();
  EXPECT_EQ(Received(Mouse(0))[3], "07 10 05 00 00 00 00 00");  // the macro button is host-served
  ASSERT_TRUE(testing::WaitUntil([&] { return out.Text().find("serving its buttons") != std::string::npos; }));

  // The macro's button: its key goes down and up through the mouse.
  Mouse(0).PressButton(kMacroButton);
  Mouse(0).ReleaseButton(kMacroButton);
  ASSERT_TRUE(testing::WaitUntil([&] {
    const auto r = Received(Mouse(0));
    return Count(r, "07 15 04 00 00 00 00 00") == 1 && Count(r, "07 15 00 00 00 00 00 00") >= 1;
  })) << ::testing::PrintToString(Received(Mouse(0)));
  {
    // The key is held for the event's delay (the macro records give 100 ms).
    const auto log = Mouse(0).Log();
    const auto down = std::find_if(log.begin(), log.end(), [](const LoggedReport& r) { return HexBytes(r.bytes) == "07 15 04 00 00 00 00 00"; });
    const auto up = std::find_if(down, log.end(), [](const LoggedReport& r) { return HexBytes(r.bytes) == "07 15 00 00 00 00 00 00"; });
    ASSERT_NE(up, log.end());
    EXPECT_GE(up->time - down->time, Millis(100));
  }
  EXPECT_TRUE(Mouse(0).ProtocolErrors().empty());

  // Unplugged: the daemon lets the mouse go and waits.
  Unplug();
  watch.Give(DeviceWatch::Event::kDevicesChanged);
  ASSERT_TRUE(testing::WaitUntil([&] { return out.Text().find("the mouse was unplugged: waiting for it") != std::string::npos; }));

  // Plugged in again: the profile goes to the mouse again.
  Plug();
  watch.Give(DeviceWatch::Event::kDevicesChanged);
  ASSERT_TRUE(testing::WaitUntil([&] { return Mouse(1).Log().size() >= 13; }));
  const std::vector<std::string> first = Received(Mouse(0));
  EXPECT_EQ(Received(Mouse(1)), std::vector<std::string>(first.begin(), first.begin() + 13));

  EXPECT_EQ(daemon.Stop(), 0) << Said();
  EXPECT_NE(out.Text().find("stopped"), std::string::npos);
}

TEST_F(ZlvctlRunTest, WaitsForAMouseThatIsNotThereYet) {
  Unplug();
  Daemon daemon(*this);
  ASSERT_TRUE(testing::WaitUntil([&] { return err.Text().find("waiting for the mouse: no Zelvan mouse found") != std::string::npos; })) << Said();
  Plug();
  watch.Give(DeviceWatch::Event::kDevicesChanged);
  EXPECT_TRUE(testing::WaitUntil([&] { return Mouse(1).Log().size() >= 13; })) << Said();
  EXPECT_EQ(daemon.Stop(), 0);
  EXPECT_TRUE(Mouse(0).Log().empty());
}

}  // namespace
}  // namespace zlv
