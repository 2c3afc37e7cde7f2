// Helpers of the quick-message tests: a tree "shortcut_tree" in a manager without a window,
// a canned server with a private program and per-user folder, and a bounded wait that keeps
// the GUI thread's queue moving.
#pragma once

#include "platform/ui/window/MessageLoop.h"
#include "server/SignInValues.h"
#include "shortcut/ShortcutTree.h"
#include "tests/platform/ui/ui_test_util.h"
#include "tests/server/CannedServer.h"
#include "tests/support/GuiWait.h"

#include <QCoreApplication>

#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

class CShortcutTest : public CServerTest {
 protected:
  void SetUp() override {
    CServerTest::SetUp();
    TSignInValues values = InitialSignInValues();
    values.strLoginToken = "tok-1";
    SetSignInValues(values);
    ASSERT_TRUE(m_dialog.Build(R"(<Window><TreeView name="shortcut_tree"/></Window>)", 300, 600));
    m_pTree = m_dialog.Find<DuiLib::CTreeViewUI>("shortcut_tree");
    ASSERT_NE(m_pTree, nullptr);
  }

  // Names of the tree's list items in order ("-1" for the sentinel).
  std::vector<std::string> Names() const {
    std::vector<std::string> names;
    for (int i = 0; i < m_pTree->GetCount(); ++i)
      names.push_back(m_pTree->GetItemAt(i)->GetName().str());
    return names;
  }

  // Runs the GUI queue until `done` holds or 20 s have passed; returns `done()`.
  static bool PumpUntil(const std::function<bool()>& done) {
    return testing_support::PumpUntil(done, 20000, std::chrono::milliseconds(2));
  }

  std::string SnapshotPath() const { return UserFolder() + "mfls.xml"; }

  uitest::TDialog m_dialog;
  DuiLib::CTreeViewUI* m_pTree = nullptr;
};
