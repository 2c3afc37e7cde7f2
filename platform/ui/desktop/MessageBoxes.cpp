// Own
#include "platform/ui/desktop/MessageBoxes.h"

// Project
#include "platform/log/Log.h"
#include "platform/ui/desktop/GuiThread_p.h"
#include "platform/win32/TaskbarEntry.h"

// Qt
#include <QAbstractButton>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

// Standard
#include <cstdlib>
#include <fstream>
#include <map>
#include <mutex>
#include <utility>
#include <vector>

namespace DuiLib {
namespace {

std::mutex s_hookMutex;
MessageBoxHook s_messageBoxHook;

MessageBoxHook CopyHook() {
  std::lock_guard<std::mutex> lock(s_hookMutex);
  return s_messageBoxHook;
}

QMessageBox::Icon IconOf(UINT type) {
  switch (type & MB_ICONMASK) {
    case MB_ICONERROR:
      return QMessageBox::Critical;
    case MB_ICONQUESTION:
      return QMessageBox::Question;
    case MB_ICONWARNING:
      return QMessageBox::Warning;
    case MB_ICONINFORMATION:
      return QMessageBox::Information;
    default:
      return QMessageBox::NoIcon;
  }
}

// The labels a Chinese Windows gives its message box buttons: the program speaks Chinese
// whatever the desktop's language.
QString ButtonText(QMessageBox::StandardButton button) {
  switch (button) {
    case QMessageBox::Ok:
      return QStringLiteral("确定");
    case QMessageBox::Cancel:
      return QStringLiteral("取消");
    case QMessageBox::Yes:
      return QStringLiteral("是");
    case QMessageBox::No:
      return QStringLiteral("否");
    case QMessageBox::Abort:
      return QStringLiteral("中止");
    case QMessageBox::Retry:
      return QStringLiteral("重试");
    case QMessageBox::Ignore:
      return QStringLiteral("忽略");
    default:
      return {};
  }
}

// Buttons of each MB_ type with their results; the escape result is the one a closed box
// gives.
struct TBoxButtons {
  std::vector<std::pair<QMessageBox::StandardButton, int>> buttons;
  int escapeResult;
};

TBoxButtons ButtonsOf(UINT type) {
  using B = QMessageBox;
  switch (type & MB_TYPEMASK) {
    case MB_OKCANCEL:
      return {{{B::Ok, IDOK}, {B::Cancel, IDCANCEL}}, IDCANCEL};
    case MB_ABORTRETRYIGNORE:
      return {{{B::Abort, IDABORT}, {B::Retry, IDRETRY}, {B::Ignore, IDIGNORE}}, IDABORT};
    case MB_YESNOCANCEL:
      return {{{B::Yes, IDYES}, {B::No, IDNO}, {B::Cancel, IDCANCEL}}, IDCANCEL};
    case MB_YESNO:
      return {{{B::Yes, IDYES}, {B::No, IDNO}}, IDNO};
    case MB_RETRYCANCEL:
      return {{{B::Retry, IDRETRY}, {B::Cancel, IDCANCEL}}, IDCANCEL};
    default:
      return {{{B::Ok, IDOK}}, IDOK};
  }
}

// The answers file of TC_MESSAGEBOX_ANSWERS (tests that drive the real program): each box
// takes and removes the file's first line, "ok", "cancel", "yes", "no", "abort", "retry" or
// "ignore", as if the operator had pressed that button; 0 (show the box) when the variable
// is unset or the file holds no answer.
int ScriptedAnswer() {
  const char* path = std::getenv("TC_MESSAGEBOX_ANSWERS");
  if (!path || !*path) return 0;
  std::ifstream in(path);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);)
    if (!line.empty()) lines.push_back(line);
  if (lines.empty()) return 0;
  static const std::map<std::string, int> kAnswers = {
      {"ok", IDOK},       {"cancel", IDCANCEL}, {"yes", IDYES},      {"no", IDNO},
      {"abort", IDABORT}, {"retry", IDRETRY},   {"ignore", IDIGNORE}};
  const auto it = kAnswers.find(lines.front());
  lines.erase(lines.begin());
  std::ofstream out(path, std::ios::trunc);
  for (const std::string& line : lines) out << line << "\n";
  return it == kAnswers.end() ? 0 : it->second;
}

int ShowMessageBox(HWND owner, const std::string& text, const std::string& caption, UINT type) {
  IWindowSystem& windows = WindowSystem();
  windows.Install();
  QWidget* ownerHost = windows.HostWidget(owner);
  QString body = FromUtf8(text);
  body.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  QMessageBox box(IconOf(type), FromUtf8(caption), body, QMessageBox::NoButton, ownerHost);
  const TBoxButtons buttons = ButtonsOf(type);
  std::map<QAbstractButton*, int> results;
  for (const auto& [standard, result] : buttons.buttons) {
    QPushButton* button = box.addButton(standard);
    button->setText(ButtonText(standard));
    results[button] = result;
  }
  if (type & MB_TOPMOST) box.setWindowFlag(Qt::WindowStaysOnTopHint);
  // An owned box belongs to its owner's taskbar entry (written before it is mapped).
  if (ownerHost && QGuiApplication::platformName() == QStringLiteral("xcb"))
    win32::SetSkipTaskbar(static_cast<unsigned long>(box.winId()), true);
  // Modal to its owner, as on Windows: the owner takes no input while the box is open.
  const bool disableOwner = ownerHost && windows.IsInputEnabled(owner);
  if (disableOwner) windows.SetInputEnabled(owner, false);
  // A box whose owner is destroyed meanwhile (a signal closing the frame) ends as closed,
  // as its owned windows do: otherwise the program could only end once someone answers it.
  QTimer ownerWatch;
  if (ownerHost) {
    QObject::connect(&ownerWatch, &QTimer::timeout, &box, [&windows, &box, owner] {
      if (!windows.HostWidget(owner)) box.reject();
    });
    ownerWatch.start(100);
  }
  box.exec();
  ownerWatch.stop();
  if (disableOwner) windows.SetInputEnabled(owner, true);  // unless the owner has gone
  auto it = results.find(box.clickedButton());
  return it == results.end() ? buttons.escapeResult : it->second;
}

}  // namespace

void SetMessageBoxHook(MessageBoxHook hook) {
  std::lock_guard<std::mutex> lock(s_hookMutex);
  s_messageBoxHook = std::move(hook);
}

}  // namespace DuiLib

using namespace DuiLib;

int MessageBoxA(HWND hWnd, LPCSTR lpText, LPCSTR lpCaption, UINT uType) {
  const std::string text = Safe(lpText);
  const std::string caption = lpCaption ? lpCaption : "Error";
  // What the operator was told, for support and for tests that answer the box from outside.
  TC_LOG(TC_LOG_INFO, "message box \"" << caption << "\": " << text);
  if (const int answer = ScriptedAnswer()) {
    TC_LOG(TC_LOG_INFO, "message box answered " << answer << " from TC_MESSAGEBOX_ANSWERS");
    return answer;
  }
  if (MessageBoxHook hook = CopyHook()) return hook(hWnd, text, caption, uType);
  return OnGuiThreadAndWait([&] { return ShowMessageBox(hWnd, text, caption, uType); });
}
