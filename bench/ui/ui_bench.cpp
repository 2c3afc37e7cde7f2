// Figures of the UI library (goals: a window from a 500-control skin under 100 ms, a tree of
// 10,000 nodes under 300 ms). Runs offscreen unless QT_QPA_PLATFORM says otherwise:
//   QT_QPA_PLATFORM=offscreen ./ui_bench
#include "platform/ui/UIlib.h"

#include <QCoreApplication>
#include <QDir>
#include <QImage>
#include <QPainter>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

using namespace DuiLib;

namespace {

using Clock = std::chrono::steady_clock;

double msSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// 50 rows of 9 controls in 2 columns of layouts: 500 controls with the layouts.
std::string makeSkin() {
  std::string xml = R"(<?xml version="1.0" encoding="utf-8"?><Window size="900,2000">)"
                    R"(<Font id="0" name="Noto Sans CJK SC" size="13" default="true"/>)"
                    R"(<VerticalLayout name="root" bkcolor="#FFFFFFFF">)";
  int controls = 1;
  for (int row = 0; controls < 500; ++row) {
    const std::string n = std::to_string(row);
    xml += "<HorizontalLayout height=\"36\" childpadding=\"4\" inset=\"4,4,4,4\">";
    xml += "<Label name=\"label" + n + "\" text=\"标签 " + n + "\" width=\"80\"/>";
    xml += "<Button name=\"button" + n + "\" text=\"按钮\" width=\"60\" bkcolor=\"#FF2F7CF6\"/>";
    xml += "<Option name=\"option" + n + "\" group=\"g" + std::to_string(row % 5) +
           "\" text=\"选项\" width=\"60\"/>";
    xml += "<Edit name=\"edit" + n + "\" text=\"text\" width=\"120\"/>";
    xml += "<Text name=\"text" + n + "\" text=\"{a}link{/a} 文本\" width=\"120\"/>";
    xml += "<Progress name=\"progress" + n + "\" value=\"" + std::to_string(row % 100) +
           "\" width=\"80\"/>";
    xml += "<CheckBox name=\"check" + n + "\" width=\"20\"/>";
    xml += "<Control/></HorizontalLayout>";
    controls += 9;
  }
  xml += "</VerticalLayout></Window>";
  return xml;
}

class CBenchWnd : public WindowImplBase {
 public:
  explicit CBenchWnd(std::string folder) : m_folder(std::move(folder)) {}
  CPaintManagerUI& Pm() { return m_PaintManager; }

 protected:
  CDuiString GetSkinFolder() override { return m_folder.c_str(); }
  CDuiString GetSkinFile() override { return "bench.xml"; }
  LPCTSTR GetWindowClassName() const override { return "UIBenchWnd"; }

 private:
  std::string m_folder;
};

double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

double buildWindowOnce(const std::string& folder) {
  const auto start = Clock::now();
  auto* wnd = new CBenchWnd(folder);
  wnd->Create(nullptr, "bench", UI_WNDSTYLE_FRAME, 0, 0, 0, 0, 0);
  wnd->Pm().UpdateLayout();
  // The first paint of the whole client area, as the window's WM_PAINT would do it.
  QImage canvas(900, 2000, QImage::Format_ARGB32_Premultiplied);
  QPainter painter(&canvas);
  wnd->Pm().Paint(&painter, RECT{0, 0, 900, 2000});
  painter.end();
  const double ms = msSince(start);
  if (!wnd->Pm().FindControl("label54") || !wnd->Pm().FindControl("check0")) {
    std::fprintf(stderr, "the bench skin did not build\n");
    std::exit(1);
  }
  ::DestroyWindow(wnd->GetHWND());
  delete wnd;
  QCoreApplication::processEvents();
  return ms;
}

double buildTreeOnce(int groups, int perGroup) {
  CPaintManagerUI pm;
  auto* tree = new CTreeViewUI;
  tree->EnableScrollBar(true, false);
  pm.AttachDialog(tree);
  pm.SetClientSize(300, 800);
  const auto start = Clock::now();
  auto* last = new CTreeNodeUI;
  last->SetName("-1");
  tree->Add(last);
  last->SetVisible(false);
  for (int g = 0; g < groups; ++g) {
    auto* group = new CTreeNodeUI;
    group->SetName(std::to_string(g + 1).c_str());
    group->SetItemText("分组");
    group->SetAttribute("folderattr", "padding=\"10, 2, 10, 0\" width=\"13\" height=\"13\" ");
    tree->AddAt(group, last);
    for (int m = 0; m < perGroup; ++m) {
      auto* node = new CTreeNodeUI;
      node->SetName(std::to_string(100000 + g * perGroup + m).c_str());
      node->SetItemText("快捷语 message");
      node->SetUserData(R"({"contentTitle":"t","msgDetailList":[]})");
      group->AddChildNode(node);
    }
  }
  pm.UpdateLayout();
  return msSince(start);
}

}  // namespace

int main() {
  if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  CPaintManagerUI::SetInstance(nullptr);
  const std::string folder = QDir::tempPath().toStdString() + "/tc_ui_bench/";
  QDir().mkpath(QString::fromStdString(folder));
  std::ofstream(folder + "bench.xml") << makeSkin();

  std::vector<double> windows, trees;
  buildWindowOnce(folder);  // warm up fonts and caches
  for (int i = 0; i < 7; ++i) windows.push_back(buildWindowOnce(folder));
  for (int i = 0; i < 5; ++i) trees.push_back(buildTreeOnce(100, 99));  // 100 + 9,900 nodes

  std::printf(
      "window from a 500-control skin, laid out and painted: median %.1f ms (goal < 100 ms)\n",
      median(windows));
  std::printf(
      "tree of 10,000 nodes, built and laid out:            median %.1f ms (goal < 300 ms)\n",
      median(trees));
  CPaintManagerUI::Term();
  return 0;
}
