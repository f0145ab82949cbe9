#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/tray_keeper.h"

namespace zlv {
namespace {

// A notification area that is there or not; it holds at most our one icon.
class FakeShell final : public TrayShell {
 public:
  bool Add(TextView tip) override {
    calls.push_back("add");
    if (!area || icon) return false;
    icon = true;
    shown_tip = Text(tip);
    return true;
  }
  bool Modify(TextView tip) override {
    calls.push_back("modify");
    if (!area || !icon) return false;
    shown_tip = Text(tip);
    return true;
  }
  bool Remove() override {
    calls.push_back("remove");
    const bool was = icon;
    icon = false;
    return was;
  }
  void StartRetryTimer() override { timer = true; }
  void StopRetryTimer() override { timer = false; }

  // Explorer ends and comes back: every icon is gone.
  void Restart() { icon = false; }

  bool area = true;
  bool icon = false;
  bool timer = false;
  Text shown_tip;
  std::vector<std::string> calls;
};

TEST(TrayKeeper, AddsOnceAndAnAddWhileThereChangesNothing) {
  FakeShell shell;
  TrayIconKeeper keeper(shell);
  keeper.Show(u"Zelvan Gaming Mouse");
  keeper.Show(u"other");  // hiding the window adds again: no effect
  EXPECT_TRUE(shell.icon);
  EXPECT_EQ(shell.shown_tip, u"Zelvan Gaming Mouse");
  EXPECT_EQ(shell.calls, (std::vector<std::string>{"add"}));
  EXPECT_FALSE(shell.timer);
  keeper.Hide();
  EXPECT_FALSE(shell.icon);
  EXPECT_FALSE(keeper.Shown());
}

TEST(TrayKeeper, ANotificationAreaNotThereYetIsRetriedUntilItIs) {
  FakeShell shell;
  shell.area = false;
  TrayIconKeeper keeper(shell);
  keeper.Show(u"tip");
  EXPECT_FALSE(keeper.Shown());
  EXPECT_TRUE(shell.timer);
  keeper.OnRetryTimer();
  EXPECT_TRUE(shell.timer);
  shell.area = true;
  keeper.OnRetryTimer();
  EXPECT_TRUE(keeper.Shown());
  EXPECT_TRUE(shell.icon);
  EXPECT_FALSE(shell.timer);
  // A stray tick afterwards adds nothing.
  const std::size_t calls = shell.calls.size();
  keeper.OnRetryTimer();
  EXPECT_EQ(shell.calls.size(), calls);
}

TEST(TrayKeeper, ARemovalStopsTheRetries) {
  FakeShell shell;
  shell.area = false;
  TrayIconKeeper keeper(shell);
  keeper.Show(u"tip");
  keeper.Hide();
  EXPECT_FALSE(shell.timer);
  shell.area = true;
  keeper.OnRetryTimer();
  EXPECT_FALSE(shell.icon);
}

TEST(TrayKeeper, ExplorerRestartingBringsAWantedIconBackWithItsLastTip) {
  FakeShell shell;
  TrayIconKeeper keeper(shell);
  keeper.Show(u"first");
  keeper.SetTip(u"second");
  shell.Restart();
  keeper.OnTaskbarCreated();
  EXPECT_TRUE(shell.icon);
  EXPECT_EQ(shell.shown_tip, u"second");
  EXPECT_TRUE(keeper.Shown());

  // An icon the program removed stays away.
  keeper.Hide();
  shell.Restart();
  keeper.OnTaskbarCreated();
  EXPECT_FALSE(shell.icon);
}

TEST(TrayKeeper, AnIconTheShellKeptCountsAsThere) {
  // The shell restarted but kept the icon (or its add fails because it is
  // there): the modify finds it, and no timer runs.
  FakeShell shell;
  TrayIconKeeper keeper(shell);
  keeper.Show(u"tip");
  keeper.OnTaskbarCreated();
  EXPECT_TRUE(keeper.Shown());
  EXPECT_FALSE(shell.timer);
  EXPECT_EQ(shell.calls, (std::vector<std::string>{"add", "add", "modify"}));
}

TEST(TrayKeeper, ATipChangeWhileTheIconIsMissingAddsIt) {
  FakeShell shell;
  TrayIconKeeper keeper(shell);
  keeper.Show(u"waiting");
  shell.Restart();  // and no TaskbarCreated came
  keeper.SetTip(u"found");
  EXPECT_TRUE(shell.icon);
  EXPECT_EQ(shell.shown_tip, u"found");
  // Without the program wanting it, a tip change adds nothing.
  keeper.Hide();
  keeper.SetTip(u"again");
  EXPECT_FALSE(shell.icon);
}

}  // namespace
}  // namespace zlv
