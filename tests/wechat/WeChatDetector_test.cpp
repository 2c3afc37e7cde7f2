#include "wechat/WeChatDetector.h"

#include <gtest/gtest.h>

namespace {

// A process table as the snapshot lists it; the first entry is never examined.
std::vector<TProcessInfo> Table(std::initializer_list<TProcessInfo> rows) {
  std::vector<TProcessInfo> table = {{1, 0, "systemd"}};
  table.insert(table.end(), rows);
  return table;
}

TEST(Detector, TwoOutsideCopiesOnlyTheFirstIsReported) {
  CWeChatDetector detector;
  auto table = Table({{100, 1, "bash"},
                      {200, 1, "explorer.exe"},
                      {301, 200, "WeChat.exe"},
                      {302, 200, "WeChat.exe"}});
  EXPECT_EQ(detector.FindIndependent(table, {}), 301u);
}

TEST(Detector, AnAdoptedCopyIsNotReportedAgain) {
  CWeChatDetector detector;
  auto table =
      Table({{200, 1, "explorer.exe"}, {301, 200, "WeChat.exe"}, {302, 200, "WeChat.exe"}});
  EXPECT_EQ(detector.FindIndependent(table, {301}), 302u);
  EXPECT_EQ(detector.FindIndependent(table, {301, 302}), 0u);
}

TEST(Detector, NamesMatchInAnyLetterCase) {
  CWeChatDetector detector;
  auto table = Table({{200, 1, "EXPLORER.EXE"}, {301, 200, "wechat.EXE"}});
  EXPECT_EQ(detector.FindIndependent(table, {}), 301u);
  auto desktop = Table({{200, 1, "Gnome-Shell"}, {301, 200, "WECHAT.exe"}});
  EXPECT_EQ(detector.FindIndependent(desktop, {}), 301u);
}

TEST(Detector, AReusedParentIdStillCounts) {
  // The copy's original parent exited; its id now belongs to an unrelated shell process.
  CWeChatDetector detector;
  auto table = Table({{301, 250, "WeChat.exe"}, {250, 1, "360desktoplite64.exe"}});
  EXPECT_EQ(detector.FindIndependent(table, {}), 301u);
}

TEST(Detector, ACopyStartedByTheWorkbenchIsNeverIndependent) {
  CWeChatDetector detector("/opt/bin/standin");
  auto table = Table({{200, 1, "xfdesktop"},
                      {50, 1, "tandem_chats"},
                      {301, 50, "standin"},
                      {302, 50, "WeChat.exe"}});
  EXPECT_EQ(detector.FindIndependent(table, {}), 0u);
}

TEST(Detector, TheClientsOwnExecutableNameCounts) {
  CWeChatDetector detector("/opt/bin/standin");
  auto table = Table({{200, 1, "lxpanel"}, {301, 200, "StandIn"}});
  EXPECT_EQ(detector.FindIndependent(table, {}), 301u);
}

TEST(Detector, LongExecutableNamesMatchTheirTruncatedProcessName) {
  CWeChatDetector detector("/opt/bin/wechat-standin-client");
  auto table = Table({{200, 1, "plasmashell"}, {301, 200, "wechat-standin-"}});
  EXPECT_EQ(detector.FindIndependent(table, {}), 301u);
  EXPECT_FALSE(detector.IsClientName("wechat-standin"));
}

TEST(Detector, EveryDesktopShellAndLauncherCounts) {
  CWeChatDetector detector;
  for (const char* shell : {"explorer.exe", "360desktoplite64.exe", "gnome-shell", "plasmashell",
                            "xfdesktop", "xfce4-panel", "lxpanel", "dde-desktop", "ukui-panel"}) {
    auto table = Table({{200, 1, shell}, {301, 200, "WeChat.exe"}});
    EXPECT_EQ(detector.FindIndependent(table, {}), 301u) << shell;
  }
}

TEST(Detector, TheUserSystemdCounts) {
  CWeChatDetector detector;
  EXPECT_EQ(detector.FindIndependent(Table({{900, 1, "systemd"}, {301, 900, "WeChat.exe"}}), {}),
            301u);
}

// A copy left by a workbench that was killed without its exit: init adopted it. The next
// start must find it (and ask), not leave it running unseen.
TEST(Detector, AnOrphanCountsAsStartedOutsideUnlessAdopted) {
  CWeChatDetector detector;
  const std::vector<TProcessInfo> table = {
      {5, 0, "init"}, {1, 0, "systemd"}, {300, 1, "bash"}, {301, 1, "WeChat.exe"}};
  EXPECT_EQ(detector.FindIndependent(table, {}), 301u);
  EXPECT_EQ(detector.FindIndependent(table, {301}), 0u);
  // Its workbench still runs: a child of the workbench is never independent.
  EXPECT_EQ(
      detector.FindIndependent(Table({{400, 1, "tandem_chats"}, {301, 400, "WeChat.exe"}}), {}),
      0u);
}

TEST(Detector, TheFirstEntryIsNotExamined) {
  CWeChatDetector detector;
  EXPECT_EQ(detector.FindIndependent({{301, 200, "WeChat.exe"}, {200, 1, "explorer.exe"}}, {}), 0u);
  EXPECT_EQ(detector.FindIndependent({}, {}), 0u);
}

TEST(Detector, ShellsThatAreNotParentsDoNotCount) {
  CWeChatDetector detector;
  auto table = Table({{200, 1, "explorer.exe"}, {300, 1, "bash"}, {301, 300, "WeChat.exe"}});
  EXPECT_EQ(detector.FindIndependent(table, {}), 0u);
}

}  // namespace
