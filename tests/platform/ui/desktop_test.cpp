// Message boxes, file dialogs, the tray icon, shell open and screen metrics.
#include "platform/ui/desktop/Cursors.h"
#include "platform/ui/desktop/FileDialogs.h"
#include "platform/ui/desktop/MessageBoxes.h"
#include "platform/ui/desktop/Monitors.h"
#include "platform/ui/desktop/NotifyIcon.h"
#include "platform/ui/desktop/ShellExecute.h"
#include "tests/platform/ui/window_test_util.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMessageBox>
#include <QMouseEvent>
#include <QScreen>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

using uitest::Backend;
using uitest::CRecordingWnd;
using uitest::PumpUntil;

namespace {

class DesktopTest : public ::testing::Test {
 protected:
  void SetUp() override { DuiLib::InstallOwnWindowBackend(); }
  void TearDown() override {
    DuiLib::SetMessageBoxHook(nullptr);
    DuiLib::SetFileDialogHook(nullptr);
    DuiLib::SetShellExecuteHook(nullptr);
  }
};

// Answers the next real message box (once it is open) with the given button; NoButton
// closes it as Escape does.
void AnswerNextBox(QMessageBox::StandardButton button, std::string* text, std::string* caption) {
  auto* poll = new QTimer;
  QObject::connect(poll, &QTimer::timeout, [=] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (!box) return;
    poll->stop();
    poll->deleteLater();
    *text = box->text().toStdString();
    *caption = box->windowTitle().toStdString();
    if (button == QMessageBox::NoButton)
      box->reject();
    else
      box->button(button)->click();
  });
  poll->start(1);
}

TEST_F(DesktopTest, MessageBoxHookSeesTheCallAndAnswersIt) {
  CRecordingWnd owner;
  const HWND hwnd = owner.Create(nullptr, "o", WS_POPUP, 0);
  HWND seenOwner = nullptr;
  std::string seenText, seenCaption;
  UINT seenType = 0;
  DuiLib::SetMessageBoxHook(
      [&](HWND o, const std::string& text, const std::string& caption, UINT type) {
        seenOwner = o;
        seenText = text;
        seenCaption = caption;
        seenType = type;
        return IDCANCEL;
      });
  EXPECT_EQ(MessageBoxA(hwnd, "请确认是否退出？", "确认", MB_ICONQUESTION | MB_OKCANCEL), IDCANCEL);
  EXPECT_EQ(seenOwner, hwnd);
  EXPECT_EQ(seenText, "请确认是否退出？");
  EXPECT_EQ(seenCaption, "确认");
  EXPECT_EQ(seenType, static_cast<UINT>(MB_ICONQUESTION | MB_OKCANCEL));
}

TEST_F(DesktopTest, RealMessageBoxMapsButtonsAndIsModalToItsOwner) {
  CRecordingWnd owner;
  const HWND hwnd = owner.Create(nullptr, "o", WS_POPUP | WS_VISIBLE, 0);
  std::string text, caption;
  BOOL ownerEnabledDuring = TRUE;
  QTimer::singleShot(0, [&] { ownerEnabledDuring = Backend().IsEnabled(hwnd); });
  AnswerNextBox(QMessageBox::Cancel, &text, &caption);
  EXPECT_EQ(MessageBoxA(hwnd, "    a\r\nb", "版本更新", MB_OKCANCEL | MB_ICONINFORMATION),
            IDCANCEL);
  EXPECT_EQ(text, "    a\nb");
  EXPECT_EQ(caption, "版本更新");
  EXPECT_FALSE(ownerEnabledDuring);
  EXPECT_TRUE(Backend().IsEnabled(hwnd));

  AnswerNextBox(QMessageBox::Ok, &text, &caption);
  EXPECT_EQ(MessageBoxA(nullptr, "x", "y", MB_OK), IDOK);
  AnswerNextBox(QMessageBox::Yes, &text, &caption);
  EXPECT_EQ(MessageBoxA(nullptr, "x", "y", MB_YESNO), IDYES);
  AnswerNextBox(QMessageBox::NoButton, &text, &caption);  // closed with Escape
  EXPECT_EQ(MessageBoxA(nullptr, "x", "y", MB_OKCANCEL), IDCANCEL);
  AnswerNextBox(QMessageBox::NoButton, &text, &caption);
  EXPECT_EQ(MessageBoxA(nullptr, "x", nullptr, MB_OK), IDOK);
  EXPECT_EQ(caption, "Error");
}

TEST_F(DesktopTest, MessageBoxFromAWorkerThreadRunsOnTheGuiThread) {
  DuiLib::SetMessageBoxHook(nullptr);
  std::string text, caption;
  AnswerNextBox(QMessageBox::Ok, &text, &caption);
  std::atomic<int> answer{0};
  std::thread worker([&] { answer = MessageBoxA(nullptr, "from worker", "w", MB_OK); });
  EXPECT_TRUE(PumpUntil([&] { return answer.load() != 0; }));
  worker.join();
  EXPECT_EQ(answer.load(), IDOK);
  EXPECT_EQ(text, "from worker");
}

OPENFILENAMEA TemplateDialog(char* buffer, DWORD size) {
  OPENFILENAMEA ofn{};
  ofn.lStructSize = 88;
  ofn.lpstrFilter = "Microsoft Excel WorkSheet(*.xls)\0*.xls\0\0";
  ofn.lpstrFile = buffer;
  ofn.nMaxFile = size;
  ofn.Flags = OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT;
  return ofn;
}

TEST_F(DesktopTest, FileDialogHookGetsTheRecordAndFillsTheBuffer) {
  char buffer[20800] = "快捷语导入模板.xls";
  OPENFILENAMEA ofn = TemplateDialog(buffer, sizeof(buffer));
  bool sawSave = false;
  std::string defaultName;
  DuiLib::SetFileDialogHook([&](bool save, const OPENFILENAMEA& record) {
    sawSave = save;
    defaultName = record.lpstrFile;
    return std::string("/tmp/导出/模板.xls");
  });
  EXPECT_TRUE(GetSaveFileNameA(&ofn));
  EXPECT_TRUE(sawSave);
  EXPECT_EQ(defaultName, "快捷语导入模板.xls");
  EXPECT_STREQ(buffer, "/tmp/导出/模板.xls");
  EXPECT_EQ(std::string(buffer + ofn.nFileOffset), "模板.xls");
  EXPECT_EQ(std::string(buffer + ofn.nFileExtension), "xls");
  EXPECT_EQ(CommDlgExtendedError(), 0u);
}

TEST_F(DesktopTest, FileDialogCancelAndTooSmallBufferLoseNothing) {
  char buffer[8] = "a.xls";
  OPENFILENAMEA ofn = TemplateDialog(buffer, sizeof(buffer));
  DuiLib::SetFileDialogHook([](bool, const OPENFILENAMEA&) { return std::string(); });
  EXPECT_FALSE(GetOpenFileNameA(&ofn));
  EXPECT_EQ(CommDlgExtendedError(), 0u);
  EXPECT_STREQ(buffer, "a.xls");
  DuiLib::SetFileDialogHook(
      [](bool, const OPENFILENAMEA&) { return std::string("/a/much/longer/name.xls"); });
  EXPECT_FALSE(GetOpenFileNameA(&ofn));
  EXPECT_EQ(CommDlgExtendedError(), static_cast<DWORD>(FNERR_BUFFERTOOSMALL));
  EXPECT_STREQ(buffer, "a.xls");
  OPENFILENAMEA noBuffer{};
  EXPECT_FALSE(GetOpenFileNameA(&noBuffer));
  EXPECT_FALSE(GetOpenFileNameA(nullptr));
}

TEST_F(DesktopTest, RealFileDialogUsesTheFilterAndReturnsTheChosenFile) {
  QTemporaryDir dir;
  const std::string path = dir.filePath("list.xls").toStdString();
  {
    FILE* f = std::fopen(path.c_str(), "w");
    ASSERT_NE(f, nullptr);
    std::fclose(f);
  }
  char buffer[512] = "";
  OPENFILENAMEA ofn = TemplateDialog(buffer, sizeof(buffer));
  const std::string initialDir = dir.path().toStdString();
  ofn.lpstrInitialDir = initialDir.c_str();
  QStringList filters;
  QTimer::singleShot(0, [&] {
    auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(dialog, nullptr);
    filters = dialog->nameFilters();
    dialog->selectFile(QString::fromStdString(path));
    QMetaObject::invokeMethod(dialog, "accept");
  });
  EXPECT_TRUE(GetOpenFileNameA(&ofn));
  EXPECT_EQ(filters, QStringList{"Microsoft Excel WorkSheet(*.xls) (*.xls)"});
  EXPECT_EQ(QFileInfo(buffer).canonicalFilePath(),
            QFileInfo(QString::fromStdString(path)).canonicalFilePath());
  EXPECT_EQ(ofn.nFilterIndex, 1u);
}

// Every text of a box and of a file dialog is Chinese; a dialog without a folder of its own
// opens in the documents folder, then where the last file was chosen.
TEST_F(DesktopTest, BoxesAndFileDialogsSpeakChineseAndOpenInTheUsersFolders) {
  std::vector<std::string> labels;
  QTimer::singleShot(0, [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    ASSERT_NE(box, nullptr);
    for (QAbstractButton* button : box->buttons()) labels.push_back(button->text().toStdString());
    box->reject();
  });
  MessageBoxA(nullptr, "x", "y", MB_OKCANCEL);
  std::sort(labels.begin(), labels.end());
  EXPECT_EQ(labels, (std::vector<std::string>{"取消", "确定"}));

  QTemporaryDir home;
  const QByteArray oldHome = qgetenv("HOME");
  qputenv("HOME", home.path().toUtf8());
  ASSERT_TRUE(QDir(home.path()).mkpath("Documents/sub"));
  const std::string chosen = (home.path() + "/Documents/sub/a.xlsx").toStdString();
  std::FILE* f = std::fopen(chosen.c_str(), "w");
  ASSERT_NE(f, nullptr);
  std::fclose(f);
  std::vector<std::string> seen;
  const auto look = [&](bool choose) {
    QTimer::singleShot(0, [&, choose] {
      auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
      ASSERT_NE(dialog, nullptr);
      seen.push_back(dialog->windowTitle().toStdString() + "|" +
                     dialog->labelText(QFileDialog::LookIn).toStdString() + "|" +
                     dialog->labelText(QFileDialog::FileName).toStdString() + "|" +
                     dialog->labelText(QFileDialog::Accept).toStdString() + "|" +
                     dialog->labelText(QFileDialog::Reject).toStdString() + "|" +
                     QFileInfo(dialog->directory().absolutePath()).fileName().toStdString());
      if (choose) {
        dialog->selectFile(QString::fromStdString(chosen));
        QMetaObject::invokeMethod(dialog, "accept");
      } else {
        dialog->reject();
      }
    });
  };
  char buffer[512] = "";
  OPENFILENAMEA ofn = TemplateDialog(buffer, sizeof(buffer));
  look(true);
  EXPECT_TRUE(GetOpenFileNameA(&ofn));
  buffer[0] = '\0';
  look(false);
  EXPECT_FALSE(GetSaveFileNameA(&ofn));
  qputenv("HOME", oldHome);
  EXPECT_EQ(seen, (std::vector<std::string>{"打开|查找范围:|文件名:|打开|取消|Documents",
                                            "另存为|保存在:|文件名:|保存|取消|sub"}));
}

TEST_F(DesktopTest, TrayIconAddModifyDeleteAndItsCallbackMessage) {
  CRecordingWnd frame;
  const HWND hwnd = frame.Create(nullptr, "frame", WS_POPUP, 0);
  const UINT trayMessage = RegisterWindowMessageA("WM_TRAYICON");
  NOTIFYICONDATAA nid{};
  nid.cbSize = 508;
  nid.hWnd = hwnd;
  nid.uID = 107;
  nid.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  nid.uCallbackMessage = trayMessage;
  nid.hIcon = LoadIconA(nullptr, MAKEINTRESOURCEA(107));
  std::strcpy(nid.szTip, "Orvo客服-电商版");
  Shell_NotifyIconA(NIM_ADD, &nid);  // FALSE offscreen (no notification area), still recorded
  std::string tip;
  EXPECT_TRUE(DuiLib::HasTrayIcon(hwnd, 107, &tip));
  EXPECT_EQ(tip, "Orvo客服-电商版");
  EXPECT_FALSE(Shell_NotifyIconA(NIM_ADD, &nid));  // already there

  std::strcpy(nid.szTip, "new tip");
  nid.uFlags = NIF_TIP;
  EXPECT_TRUE(Shell_NotifyIconA(NIM_MODIFY, &nid));
  DuiLib::HasTrayIcon(hwnd, 107, &tip);
  EXPECT_EQ(tip, "new tip");

  EXPECT_TRUE(DuiLib::ClickTrayIcon(hwnd, 107, WM_RBUTTONUP));
  EXPECT_TRUE(PumpUntil([&] { return frame.Count(trayMessage) == 1; }));
  EXPECT_EQ(frame.Only(trayMessage)[0].wParam, 107u);
  EXPECT_EQ(LOWORD(frame.Only(trayMessage)[0].lParam), WM_RBUTTONUP);

  nid.uFlags = 0;
  EXPECT_TRUE(Shell_NotifyIconA(NIM_DELETE, &nid));
  EXPECT_FALSE(DuiLib::HasTrayIcon(hwnd, 107));
  EXPECT_FALSE(Shell_NotifyIconA(NIM_DELETE, &nid));
  EXPECT_FALSE(Shell_NotifyIconA(NIM_MODIFY, &nid));
  EXPECT_FALSE(DuiLib::ClickTrayIcon(hwnd, 107, WM_LBUTTONDOWN));
  EXPECT_FALSE(Shell_NotifyIconA(NIM_ADD, nullptr));
}

TEST_F(DesktopTest, ShellExecuteOpenGoesThroughTheHookOrChecksTheFile) {
  std::string verb, file;
  DuiLib::SetShellExecuteHook([&](const std::string& v, const std::string& f, const std::string&) {
    verb = v;
    file = f;
    return true;
  });
  const auto ok = ShellExecuteA(nullptr, "open", "http://127.0.0.1:1/setup.exe", nullptr, nullptr,
                                SW_SHOWNORMAL);
  EXPECT_GT(reinterpret_cast<std::uintptr_t>(ok), 32u);
  EXPECT_EQ(verb, "open");
  EXPECT_EQ(file, "http://127.0.0.1:1/setup.exe");
  DuiLib::SetShellExecuteHook(nullptr);
  const auto missing =
      ShellExecuteA(nullptr, "open", "/no/such/file.txt", nullptr, nullptr, SW_SHOWNORMAL);
  EXPECT_EQ(reinterpret_cast<std::uintptr_t>(missing),
            static_cast<std::uintptr_t>(ERROR_FILE_NOT_FOUND));
  const auto verbless = ShellExecuteA(nullptr, "print", "/tmp", nullptr, nullptr, SW_SHOWNORMAL);
  EXPECT_EQ(reinterpret_cast<std::uintptr_t>(verbless),
            static_cast<std::uintptr_t>(SE_ERR_NOASSOC));
  const auto empty = ShellExecuteA(nullptr, "open", nullptr, nullptr, nullptr, SW_SHOWNORMAL);
  EXPECT_LE(reinterpret_cast<std::uintptr_t>(empty), 32u);
}

TEST_F(DesktopTest, ScreenMetricsAndWorkArea) {
  const QRect screen = QGuiApplication::primaryScreen()->geometry();
  const QRect work = QGuiApplication::primaryScreen()->availableGeometry();
  EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), screen.width());
  EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN), screen.height());
  EXPECT_EQ(GetSystemMetrics(SM_CXFULLSCREEN), work.width());
  EXPECT_EQ(GetSystemMetrics(SM_CXSMICON), 16);
  EXPECT_EQ(GetSystemMetrics(SM_SERVERR2), 0);
  RECT area{};
  EXPECT_TRUE(SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0));
  EXPECT_EQ(area.right - area.left, work.width());
  EXPECT_FALSE(SystemParametersInfoA(0x1234, 0, &area, 0));
  POINT cursor{};
  EXPECT_TRUE(GetCursorPos(&cursor));
  EXPECT_FALSE(GetCursorPos(nullptr));
}

TEST_F(DesktopTest, CenterWindowCentresOnTheWorkAreaOrTheOwner) {
  const QRect work = QGuiApplication::primaryScreen()->availableGeometry();
  CRecordingWnd owner, dialog;
  const HWND hOwner = owner.Create(nullptr, "o", WS_POPUP | WS_VISIBLE, 0, 0, 0, 400, 300);
  owner.CenterWindow();
  RECT rc{};
  Backend().GetWindowRect(hOwner, &rc);
  EXPECT_EQ(rc.left, work.left() + (work.width() - 400) / 2);
  EXPECT_EQ(rc.top, work.top() + (work.height() - 300) / 2);
  const HWND hDialog = dialog.Create(hOwner, "d", WS_POPUP | WS_VISIBLE, 0, 0, 0, 100, 50);
  dialog.CenterWindow();
  RECT inner{};
  Backend().GetWindowRect(hDialog, &inner);
  EXPECT_EQ(inner.left, rc.left + 150);
  EXPECT_EQ(inner.top, rc.top + 125);
}

TEST_F(DesktopTest, CursorsCanBeSetWhileTheWindowHandlesTheMouse) {
  CRecordingWnd wnd;
  wnd.handler = [](CRecordingWnd&, UINT msg, WPARAM, LPARAM, LRESULT* r) {
    if (msg != WM_SETCURSOR) return false;
    SetCursor(LoadCursorA(nullptr, IDC_HAND));
    *r = TRUE;
    return true;
  };
  wnd.Create(nullptr, "c", WS_POPUP | WS_VISIBLE, 0, 0, 0, 50, 50);
  QMouseEvent move(QEvent::MouseMove, QPointF(5, 5), QPointF(5, 5), Qt::NoButton, Qt::NoButton,
                   Qt::NoModifier);
  QApplication::sendEvent(wnd.GetWidget(), &move);
  EXPECT_EQ(wnd.GetWidget()->cursor().shape(), Qt::PointingHandCursor);
  EXPECT_EQ(LoadCursorA(nullptr, "named"), nullptr);
}

}  // namespace
