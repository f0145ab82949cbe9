// The settings push (window thread) and key reports (macro player thread)
// share one report buffer; each fill-and-send must stay whole.
#include <gtest/gtest.h>

#include <thread>

#include "app/settings_push.h"
#include "sim/memory_file_store.h"
#include "device/mouse_protocol.h"
#include "sim/virtual_mouse.h"

namespace zlv {
namespace {

TEST(ReportBufferThreads, PushAndKeyReportsNeverMixBytes) {
  SteadyClock clock;
  VirtualMouse mouse(clock);
  VirtualMouseLink link(mouse);
  MouseProtocol protocol(link, clock);
  MemoryFileStore files;
  IniStore ini(files);
  SettingsModel settings(ini);
  settings.ConfigPath = u"config.ini";
  ApplyBuiltInDefaults(settings.profile);
  RecordingSystemSettings system;

  std::thread player([&] {
    for (int i = 0; i < 300; ++i) {
      protocol.SendKeyEvent(0x04, 1);
      protocol.SendKeyEvent(0xF0, 1);
      protocol.SendKeyEvent(0xF0, 2);
      protocol.SendKeyEvent(0x04, 2);
    }
  });
  for (int i = 0; i < 30; ++i) PushAllSettings(settings, protocol, system, nullptr);
  player.join();

  // A mixed report would decode wrongly (for example a key report whose
  // command byte was overwritten mid-fill) or carry a foreign command byte.
  EXPECT_TRUE(mouse.ProtocolErrors().empty()) << mouse.ProtocolErrors().front();
  int keyReports = 0;
  int buttonReports = 0;
  for (const auto& r : mouse.Log()) {
    if (r.bytes[1] == 0x15) {
      ++keyReports;
      EXPECT_TRUE(r.bytes[2] == 0x00 || r.bytes[2] == 0x04);
    }
    if (r.bytes[1] == 0x16) {
      ++buttonReports;
      EXPECT_TRUE(r.bytes[3] == 0xFE || r.bytes[3] == 0xFF);
    }
  }
  EXPECT_EQ(keyReports, 600);
  EXPECT_EQ(buttonReports, 600);
  EXPECT_EQ(mouse.Log().size(), 600u + 600u + 30u * 13u);
}

}  // namespace
}  // namespace zlv
