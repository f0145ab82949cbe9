#include "macro/macro_recorder.h"

#include <gtest/gtest.h>

#include <vector>

#include "macro/keyboard_hook.h"

namespace zlv {
namespace {

class FakeHook : public KeyboardHook {
 public:
  bool Install() override {
    ++installs;
    installed = install_succeeds;
    return installed;
  }
  bool Uninstall() override {
    ++uninstalls;
    const bool was = installed;
    installed = false;
    return was;
  }
  bool Renew() override {
    ++renewals;
    if (!install_succeeds) return false;
    installed = true;
    return true;
  }
  bool install_succeeds = true;
  bool installed = false;
  int installs = 0;
  int uninstalls = 0;
  int renewals = 0;
};

// UTC time of day set in milliseconds.
class FakeUtcClock : public UtcClock {
 public:
  UtcTimeOfDay Now() override {
    return {static_cast<int>(ms / 3'600'000), static_cast<int>(ms / 60'000 % 60),
            static_cast<int>(ms / 1000 % 60), static_cast<int>(ms % 1000)};
  }
  std::int64_t ms = 10 * 3'600'000;  // 10:00:00.000
};

constexpr std::uint8_t kVkA = 0x41;
constexpr std::uint8_t kVkB = 0x42;
constexpr std::uint8_t kUsageA = 0x04;
constexpr std::uint8_t kUsageB = 0x05;

class MacroRecorderTest : public ::testing::Test {
 protected:
  MacroRecorderTest() {
    macros.count = 3;
    for (int i = 0; i < 3; ++i) macros.slots[i].SetName(names[i]);
  }

  void Start(int selection = 1) { ASSERT_TRUE(recorder.Toggle(names, selection)); }
  void Stop() { ASSERT_TRUE(recorder.Toggle(names, 0)); }

  // Sends one key message `after_ms` milliseconds after the previous one.
  KeyStepResult Key(std::uint32_t message, std::uint32_t vk, int after_ms = 10) {
    clock.ms += after_ms;
    return recorder.OnKeyMessage(message, vk);
  }
  KeyStepResult Down(std::uint32_t vk, int after_ms = 10) { return Key(kWmKeyDown, vk, after_ms); }
  KeyStepResult Up(std::uint32_t vk, int after_ms = 10) { return Key(kWmKeyUp, vk, after_ms); }

  const MacroSlot& Recorded() const { return macros.slots[recorder.record_slot()]; }

  std::vector<MacroEvent> RecordedEvents() const {
    std::vector<MacroEvent> events;
    for (int k = 0; k < recorder.recorded_count(); ++k) events.push_back(Recorded().Event(k));
    return events;
  }

  std::vector<Text> names{u"first", u"second", u"third"};
  MacroTables tables;
  MacroTable& macros = tables.user;
  MacroEditState state;
  EventListModel list;
  FakeHook hook;
  FakeUtcClock clock;
  MacroRecorder recorder{tables, state, list, hook, clock};
};

TEST_F(MacroRecorderTest, StartEmptiesTheSelectedMacroAndTheEventList) {
  MacroSlot& old = macros.slots[1];
  old.SetMode(1);
  old.SetRepeat(7);
  old.SetCount(50);
  for (int k = 0; k < 50; ++k) {
    old.SetEvent(k, {kUsageA, kEventPress});
    old.SetDelay(k, 500);
  }
  list.lines = {u"[\u2193]A", u"    500ms", u"[\u2191]A"};
  list.repeat_text = u"7";
  list.repeat_enabled = true;
  state.down_lines = 25;
  state.up_lines = 25;
  state.current_macro = 2;

  Start(1);

  EXPECT_TRUE(state.recording);
  EXPECT_EQ(recorder.record_slot(), 1);
  EXPECT_EQ(state.current_macro, 1);
  MacroSlot expected{};
  expected.SetName(u"second");
  expected.SetRepeat(1);
  EXPECT_EQ(macros.slots[1].ToBytes(), expected.ToBytes());
  EXPECT_TRUE(list.lines.empty());
  EXPECT_EQ(list.selected_line, EventListModel::kNoLine);
  EXPECT_EQ(list.repeat_text, u"1");
  EXPECT_FALSE(list.repeat_enabled);
  EXPECT_EQ(state.down_lines, 0);
  EXPECT_EQ(state.up_lines, 0);
  EXPECT_TRUE(hook.installed);
  EXPECT_TRUE(recorder.hook_installed());
  EXPECT_EQ(macros.slots[0].Name(), u"first");

  Stop();

  EXPECT_FALSE(state.recording);
  EXPECT_EQ(macros.slots[1].Count(), 0);
  EXPECT_EQ(macros.slots[1].Mode(), 0);
  EXPECT_EQ(macros.slots[1].Repeat(), 1);
  EXPECT_FALSE(hook.installed);
  EXPECT_FALSE(recorder.hook_installed());
  EXPECT_EQ(hook.uninstalls, 1);
}

TEST_F(MacroRecorderTest, StartRecordsIntoTheSelectedUserMacroOnly) {
  struct Case {
    int lines;
    int selection;
    int expected_slot;
  };
  const Case cases[] = {
      {3, -1, 0},   // no selection
      {3, 2, 2},    //
      {3, 3, 0},    // past the last line
      {13, 12, 0},  // would be the blank template
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.selection);
    MacroTables own_tables;
    MacroTable& table = own_tables.user;
    MacroEditState edit;
    EventListModel events;
    FakeHook fake_hook;
    MacroRecorder rec(own_tables, edit, events, fake_hook, clock);
    std::vector<Text> lines;
    for (int i = 0; i < c.lines; ++i) lines.push_back(u"m" + DecimalText(i));

    ASSERT_TRUE(rec.Toggle(lines, c.selection));
    rec.OnKeyMessage(kWmKeyDown, kVkA);
    ASSERT_TRUE(rec.Toggle(lines, c.selection));

    EXPECT_EQ(rec.record_slot(), c.expected_slot);
    EXPECT_EQ(table.slots[c.expected_slot].Name(), lines[c.expected_slot]);
    EXPECT_EQ(table.slots[c.expected_slot].Count(), 1);
    EXPECT_EQ(table.slots[kBlankMacroSlot].ToBytes(), MacroSlot{}.ToBytes());
  }
}

TEST_F(MacroRecorderTest, StartWithoutMacrosDoesNothing) {
  EXPECT_FALSE(recorder.Toggle({}, 0));
  EXPECT_FALSE(state.recording);
  EXPECT_EQ(hook.installs, 0);
  EXPECT_EQ(recorder.OnKeyMessage(kWmKeyDown, kVkA), KeyStepResult::kContinue);
  EXPECT_EQ(macros.slots[0].Event(0), MacroEvent{});
}

TEST_F(MacroRecorderTest, LongNameIsCutToTheNameField) {
  names[0] = u"a name far longer than nineteen";
  Start(0);
  EXPECT_EQ(macros.slots[0].Name(), u"a name far longer t");
}

TEST_F(MacroRecorderTest, FailedHookInstallStillCountsAsRecording) {
  hook.install_succeeds = false;
  Start();
  EXPECT_TRUE(state.recording);
  EXPECT_FALSE(recorder.hook_installed());
  Stop();
  EXPECT_FALSE(state.recording);
  EXPECT_FALSE(hook.installed);

  // The next start tries again.
  hook.install_succeeds = true;
  Start();
  EXPECT_TRUE(recorder.hook_installed());
  EXPECT_EQ(hook.installs, 2);
}

TEST_F(MacroRecorderTest, StopRemovesAHookThatCameAfterAFailedInstall) {
  // The window's renew timer puts the hook in place a second later; left
  // behind, it would swallow every keystroke of the desktop.
  struct Case {
    const char* name;
    bool through_recorder;
  };
  for (const Case c : {Case{"renewed by the recorder", true}, Case{"renewed behind its back", false}}) {
    SCOPED_TRACE(c.name);
    hook.install_succeeds = false;
    Start();
    ASSERT_FALSE(hook.installed);
    hook.install_succeeds = true;
    if (c.through_recorder) {
      EXPECT_TRUE(recorder.RenewHook());
      EXPECT_TRUE(recorder.hook_installed());
    } else {
      hook.Renew();
    }
    ASSERT_TRUE(hook.installed);
    Stop();
    EXPECT_FALSE(hook.installed);
    EXPECT_FALSE(recorder.hook_installed());
  }
}

TEST_F(MacroRecorderTest, HookIsRenewedOnlyWhileRecording) {
  EXPECT_FALSE(recorder.RenewHook());
  Start();
  EXPECT_TRUE(recorder.RenewHook());
  EXPECT_EQ(hook.renewals, 1);
  Stop();
  EXPECT_FALSE(recorder.RenewHook());
  EXPECT_EQ(hook.renewals, 1);
  EXPECT_FALSE(hook.installed);
}

TEST_F(MacroRecorderTest, TypingAKeyRecordsPressAndReleaseWithTheirDelay) {
  Start();
  EXPECT_EQ(Down(kVkA, 5000), KeyStepResult::kContinue);

  // A single event keeps delay 0 and shows one line.
  EXPECT_EQ(RecordedEvents(), (std::vector<MacroEvent>{{kUsageA, kEventPress}}));
  EXPECT_EQ(Recorded().Delay(0), 0);
  EXPECT_EQ(list.lines, (std::vector<Text>{u"[\u2193]A"}));

  EXPECT_EQ(Up(kVkA, 120), KeyStepResult::kContinue);

  EXPECT_EQ(RecordedEvents(),
            (std::vector<MacroEvent>{{kUsageA, kEventPress}, {kUsageA, kEventRelease}}));
  EXPECT_EQ(Recorded().Delay(0), 120);
  EXPECT_EQ(Recorded().Delay(1), kDefaultEventDelay);
  EXPECT_EQ(list.lines, (std::vector<Text>{u"[\u2193]A", u"    120ms", u"[\u2191]A"}));
  EXPECT_EQ(list.selected_line, 2);
  EXPECT_EQ(state.down_lines, 1);
  EXPECT_EQ(state.up_lines, 1);

  // The player finds no events in the record until the recording stops.
  EXPECT_EQ(Recorded().Count(), 0);
  Stop();
  EXPECT_EQ(Recorded().Count(), 2);
}

TEST_F(MacroRecorderTest, EachDelayIsTheTimeToTheNextEvent) {
  Start();
  Down(kVkA, 1);
  Down(kVkB, 40);
  Up(kVkA, 250);
  Up(kVkB, 7);
  Stop();

  EXPECT_EQ(RecordedEvents(), (std::vector<MacroEvent>{{kUsageA, kEventPress},
                                                       {kUsageB, kEventPress},
                                                       {kUsageA, kEventRelease},
                                                       {kUsageB, kEventRelease}}));
  EXPECT_EQ(Recorded().Delay(0), 40);
  EXPECT_EQ(Recorded().Delay(1), 250);
  EXPECT_EQ(Recorded().Delay(2), 7);
  EXPECT_EQ(Recorded().Delay(3), kDefaultEventDelay);
  EXPECT_EQ(list.lines[1], u"    40ms");
  EXPECT_EQ(list.lines[3], u"    250ms");
  EXPECT_EQ(list.lines[5], u"    7ms");
  EXPECT_TRUE(recorder.held_keys().empty());
}

TEST_F(MacroRecorderTest, AutoRepeatOfAHeldKeyIsDropped) {
  Start();
  Down(kVkA);
  Down(kVkA);
  Down(kVkA);
  Up(kVkA);
  // Pressing again after the release is a new press.
  Down(kVkA);
  Up(kVkA);
  EXPECT_EQ(RecordedEvents(),
            (std::vector<MacroEvent>{{kUsageA, kEventPress}, {kUsageA, kEventRelease},
                                     {kUsageA, kEventPress}, {kUsageA, kEventRelease}}));
}

TEST_F(MacroRecorderTest, ReleaseOfAKeyNotHeldIsNotRecorded) {
  Start();
  EXPECT_EQ(Up(kVkB), KeyStepResult::kDefaultPreTranslate);
  Down(kVkA);
  EXPECT_EQ(Up(kVkB), KeyStepResult::kDefaultPreTranslate);
  EXPECT_EQ(Key(kWmSysKeyUp, kVkB), KeyStepResult::kDefaultPreTranslate);
  Up(kVkA);

  EXPECT_EQ(RecordedEvents(),
            (std::vector<MacroEvent>{{kUsageA, kEventPress}, {kUsageA, kEventRelease}}));
  EXPECT_EQ(list.lines.size(), 3u);
}

TEST_F(MacroRecorderTest, SystemKeyMessagesPairLikeOrdinaryOnes) {
  Start();
  Key(kWmSysKeyDown, 0xA4);  // left Alt
  Down(kVkA);
  Up(kVkA);
  Key(kWmSysKeyUp, 0xA4);
  EXPECT_EQ(RecordedEvents(), (std::vector<MacroEvent>{{0xE2, kEventPress},
                                                       {kUsageA, kEventPress},
                                                       {kUsageA, kEventRelease},
                                                       {0xE2, kEventRelease}}));
}

TEST_F(MacroRecorderTest, KeysAreStoredAsKeyboardUsages) {
  struct Case {
    std::uint32_t message;
    std::uint8_t vk;
    std::uint8_t usage;
    const char16_t* line;
  };
  const Case cases[] = {
      {kWmKeyDown, 0xA0, 0xE1, u"[\u2193]LSHIFT"},
      {kWmSysKeyDown, 0xA5, 0xE6, u"[\u2193]RMENU"},
      {kWmKeyDown, 0xC0, 0x32, u"[\u2193]`~"},
      {kWmKeyDown, 0xAD, 0xAD, u"[\u2193]NON-AVAILABLE"},  // volume mute passes through
  };
  Start();
  int event = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.vk);
    Key(c.message, c.vk);
    EXPECT_EQ(Recorded().Event(event), (MacroEvent{c.usage, kEventPress}));
    EXPECT_EQ(list.lines.back(), c.line);
    ++event;
  }
}

TEST_F(MacroRecorderTest, ElapsedMsWrapsAtMidnightAndIsCapped) {
  struct Case {
    std::int64_t previous;
    std::int64_t now;
    std::uint16_t expected;
  };
  const std::int64_t day = kMillisecondsPerDay;
  const Case cases[] = {
      {36'000'000, 36'000'120, 120},
      {36'000'000, 36'070'000, 65535},   // 70 s
      {36'000'000, 36'065'535, 65535},
      {36'000'000, 36'065'534, 65534},
      {day - 100, 100, 200},             // across midnight
      {day - 1, 0, 1},
      {day - 30'000, 50'000, 65535},     // across midnight, too long
      {36'000'000, 36'000'000, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.now);
    clock.ms = c.previous;
    recorder.ElapsedMs();
    clock.ms = c.now;
    EXPECT_EQ(recorder.ElapsedMs(), c.expected);
  }
}

TEST_F(MacroRecorderTest, DelayAcrossMidnightAndLongPausesInTheRecord) {
  Start();
  clock.ms = kMillisecondsPerDay - 150;
  Down(kVkA, 0);
  Up(kVkA, 200);      // 00:00:00.050
  Down(kVkB, 70'000);
  Up(kVkB, 10);
  EXPECT_EQ(Recorded().Delay(0), 200);
  EXPECT_EQ(Recorded().Delay(1), 65535);
  EXPECT_EQ(Recorded().Delay(2), 10);
  EXPECT_EQ(list.lines[3], u"    65535ms");
}

TEST_F(MacroRecorderTest, PressesStopAt108SoEveryPressKeepsRoomForItsRelease) {
  Start();
  for (int i = 0; i < 107; ++i) {
    Down(kVkA);
    Up(kVkA);
  }
  Down(kVkB);  // the 108th press
  EXPECT_EQ(recorder.recorded_presses(), 108);
  EXPECT_EQ(recorder.recorded_count(), 215);

  EXPECT_EQ(Down(kVkA), KeyStepResult::kDefaultPreTranslate);
  EXPECT_EQ(recorder.recorded_count(), 215);
  EXPECT_EQ(Up(kVkA), KeyStepResult::kDefaultPreTranslate);

  EXPECT_EQ(Up(kVkB), KeyStepResult::kContinue);
  EXPECT_EQ(recorder.recorded_count(), 216);
  EXPECT_EQ(Recorded().Event(215), (MacroEvent{kUsageB, kEventRelease}));
  EXPECT_TRUE(recorder.held_keys().empty());

  // A full recording takes nothing more, and the messages go on as usual.
  EXPECT_EQ(Down(kVkA), KeyStepResult::kContinue);
  EXPECT_EQ(Up(kVkA), KeyStepResult::kContinue);
  EXPECT_EQ(recorder.recorded_count(), 216);
  EXPECT_EQ(Recorded().Event(216), MacroEvent{});
  EXPECT_EQ(list.lines.size(), 2u * 216 - 1);
  EXPECT_EQ(state.down_lines, 108);
  EXPECT_EQ(state.up_lines, 108);
  EXPECT_EQ(list.selected_line, 2 * 216 - 2);

  Stop();
  EXPECT_EQ(Recorded().Count(), 216);
}

TEST_F(MacroRecorderTest, TenthHeldKeyIsNeitherRecordedNorTracked) {
  Start();
  for (std::uint8_t vk = 0x41; vk < 0x41 + kMaxHeldKeys; ++vk) Down(vk);
  ASSERT_EQ(recorder.held_keys().size(), static_cast<std::size_t>(kMaxHeldKeys));

  const std::uint8_t tenth = 0x41 + kMaxHeldKeys;
  EXPECT_EQ(Down(tenth), KeyStepResult::kDefaultPreTranslate);
  EXPECT_EQ(Key(kWmSysKeyDown, 0x5A), KeyStepResult::kDefaultPreTranslate);
  EXPECT_EQ(recorder.recorded_count(), kMaxHeldKeys);
  EXPECT_EQ(Up(tenth), KeyStepResult::kDefaultPreTranslate);

  for (std::uint8_t vk = 0x41; vk < 0x41 + kMaxHeldKeys; ++vk) Up(vk);
  EXPECT_TRUE(recorder.held_keys().empty());
  Stop();

  // Every recorded press has its release, and nothing else was recorded.
  ASSERT_EQ(Recorded().Count(), 2 * kMaxHeldKeys);
  for (int k = 0; k < kMaxHeldKeys; ++k) {
    const auto usage = static_cast<std::uint8_t>(kUsageA + k);
    EXPECT_EQ(Recorded().Event(k), (MacroEvent{usage, kEventPress}));
    EXPECT_EQ(Recorded().Event(kMaxHeldKeys + k), (MacroEvent{usage, kEventRelease}));
  }
}

TEST_F(MacroRecorderTest, HeldKeysKeepTheOrderOfPressing) {
  Start();
  Down(0x41);
  Down(0x42);
  Down(0x43);
  Up(0x42);
  Down(0x44);
  EXPECT_EQ(std::vector<std::uint8_t>(recorder.held_keys().begin(), recorder.held_keys().end()),
            (std::vector<std::uint8_t>{0x41, 0x43, 0x44}));
}

TEST_F(MacroRecorderTest, NewRecordingStartsWithoutTheLastKeysOfTheOldOne) {
  Start();
  Down(kVkA);
  Down(kVkB);
  Stop();  // A and B still held

  Start(2);
  EXPECT_TRUE(recorder.held_keys().empty());
  EXPECT_EQ(Up(kVkA), KeyStepResult::kDefaultPreTranslate);
  // The same key message that ended the previous recording is a new press.
  Down(kVkB);
  Up(kVkB);
  Stop();
  EXPECT_EQ(RecordedEvents(),
            (std::vector<MacroEvent>{{kUsageB, kEventPress}, {kUsageB, kEventRelease}}));
}

TEST_F(MacroRecorderTest, OnlyKeyMessagesWhileRecordingAreRecorded) {
  EXPECT_EQ(Down(kVkA), KeyStepResult::kContinue);
  Start();
  EXPECT_EQ(recorder.recorded_count(), 0);
  EXPECT_EQ(Key(0x0102, kVkA), KeyStepResult::kContinue);  // a character message
  EXPECT_EQ(recorder.recorded_count(), 0);
  Stop();
  EXPECT_EQ(Down(kVkA), KeyStepResult::kContinue);
  EXPECT_EQ(Recorded().Count(), 0);
  EXPECT_TRUE(list.lines.empty());
}

TEST(RecordControlCaption, FollowsRecordingAndLanguage) {
  EXPECT_EQ(RecordControlCaption(false, 1), u"Record");
  EXPECT_EQ(RecordControlCaption(true, 1), u"Stop");
  EXPECT_EQ(RecordControlCaption(false, 0), u"\u5F55\u5236");
  EXPECT_EQ(RecordControlCaption(true, 0), u"\u505C\u6B62");
}

class RecordingSink : public KeyMessageSink {
 public:
  void PostKeyMessage(std::uint32_t message, std::uint32_t virtual_key) override {
    posted.push_back({message, virtual_key});
  }
  std::vector<std::pair<std::uint32_t, std::uint32_t>> posted;
};

TEST(ForwardHookedKey, PostsKeyMessagesAndSwallowsTheEvent) {
  RecordingSink sink;
  EXPECT_EQ(ForwardHookedKey(0, kWmKeyDown, kVkA, sink), HookVerdict::kSwallow);
  EXPECT_EQ(ForwardHookedKey(0, kWmSysKeyUp, 0xA5, sink), HookVerdict::kSwallow);
  EXPECT_EQ(ForwardHookedKey(-1, kWmKeyUp, kVkA, sink), HookVerdict::kPassOn);
  EXPECT_EQ(sink.posted, (std::vector<std::pair<std::uint32_t, std::uint32_t>>{
                             {kWmKeyDown, kVkA}, {kWmSysKeyUp, 0xA5}}));
}

}  // namespace
}  // namespace zlv
