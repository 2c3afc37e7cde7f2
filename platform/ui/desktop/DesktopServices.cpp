// Own
#include "platform/ui/desktop/DesktopServices.h"

// Project
#include "platform/log/Log.h"
#include "platform/ui/window/MessageLoop_p.h"
#include "platform/ui/window/OwnWindows_p.h"
#include "platform/ui/window/WindowHost_p.h"

// Qt
#include <QApplication>
#include <QCursor>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QIcon>
#include <QMessageBox>
#include <QPainter>
#include <QPixmap>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QSystemTrayIcon>
#include <QUrl>

// Standard
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <mutex>

namespace DuiLib {
namespace {

std::mutex s_hookMutex;
MessageBoxHook s_messageBoxHook;
FileDialogHook s_fileDialogHook;
ShellExecuteHook s_shellExecuteHook;
thread_local DWORD s_commDlgError = 0;

template <typename Hook>
Hook CopyHook(const Hook& hook) {
  std::lock_guard<std::mutex> lock(s_hookMutex);
  return hook;
}

std::string Safe(const char* text) {
  return text ? text : "";
}

QString FromUtf8(const std::string& text) {
  return QString::fromUtf8(text.data(), static_cast<int>(text.size()));
}

// Runs fn on the GUI thread and waits for it (the calling thread may be any thread).
template <typename Fn>
auto OnGuiThreadAndWait(Fn fn) -> decltype(fn()) {
  if (!QCoreApplication::instance()) InstallOwnWindowBackend();
  if (IsGuiThread()) return fn();
  decltype(fn()) result{};
  QMetaObject::invokeMethod(
      qApp, [&] { result = fn(); }, Qt::BlockingQueuedConnection);
  return result;
}

QWidget* OwnerWidget(HWND hwnd) {
  return IsGuiThread() ? COwnWindows::Instance().Host(hwnd) : nullptr;
}

// ---- message boxes

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
  InstallOwnWindowBackend();
  CWindowHost* ownerHost = COwnWindows::Instance().Host(owner);
  QString body = FromUtf8(text);
  body.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  QMessageBox box(IconOf(type), FromUtf8(caption), body, QMessageBox::NoButton, ownerHost);
  const TBoxButtons buttons = ButtonsOf(type);
  std::map<QAbstractButton*, int> results;
  for (const auto& [standard, result] : buttons.buttons) results[box.addButton(standard)] = result;
  if (type & MB_TOPMOST) box.setWindowFlag(Qt::WindowStaysOnTopHint);
  // Modal to its owner, as on Windows: the owner takes no input while the box is open.
  const bool disableOwner = ownerHost && ownerHost->IsInputEnabled();
  if (disableOwner) ownerHost->SetEnabledState(false);
  box.exec();
  if (disableOwner && (ownerHost = COwnWindows::Instance().Host(owner)))
    ownerHost->SetEnabledState(true);
  auto it = results.find(box.clickedButton());
  return it == results.end() ? buttons.escapeResult : it->second;
}

// ---- file dialogs

// "Excel (*.xls)\0*.xls\0All\0*.*\0\0" -> "Excel (*.xls) (*.xls);;All (*.*)"
QStringList QtFilters(LPCSTR filter) {
  QStringList result;
  if (!filter) return result;
  for (const char* p = filter; *p;) {
    const std::string name = p;
    p += name.size() + 1;
    if (!*p) break;
    std::string patterns = p;
    p += patterns.size() + 1;
    QString qtPatterns = FromUtf8(patterns);
    qtPatterns.replace(QLatin1Char(';'), QLatin1Char(' '));
    result << FromUtf8(name) + QStringLiteral(" (") + qtPatterns + QLatin1Char(')');
  }
  return result;
}

std::string RunFileDialog(bool save, const OPENFILENAMEA& ofn, DWORD* filterIndex) {
  InstallOwnWindowBackend();
  QFileDialog dialog(OwnerWidget(ofn.hwndOwner));
  dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
  if (ofn.lpstrTitle) dialog.setWindowTitle(QString::fromUtf8(ofn.lpstrTitle));
  const QStringList filters = QtFilters(ofn.lpstrFilter);
  if (!filters.isEmpty()) {
    dialog.setNameFilters(filters);
    const int index = ofn.nFilterIndex > 0 ? static_cast<int>(ofn.nFilterIndex) - 1 : 0;
    if (index < filters.size()) dialog.selectNameFilter(filters[index]);
  }
  if (ofn.lpstrInitialDir && *ofn.lpstrInitialDir)
    dialog.setDirectory(QString::fromUtf8(ofn.lpstrInitialDir));
  if (ofn.lpstrFile && *ofn.lpstrFile) dialog.selectFile(QString::fromUtf8(ofn.lpstrFile));
  if (ofn.lpstrDefExt) dialog.setDefaultSuffix(QString::fromUtf8(ofn.lpstrDefExt));
  if (save && !(ofn.Flags & OFN_OVERWRITEPROMPT))
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  *filterIndex = static_cast<DWORD>(filters.indexOf(dialog.selectedNameFilter()) + 1);
  return dialog.selectedFiles().first().toStdString();
}

BOOL FileDialog(bool save, LPOPENFILENAMEA ofn) {
  s_commDlgError = 0;
  if (!ofn || !ofn->lpstrFile || ofn->nMaxFile == 0) {
    TC_LOG(TC_LOG_ERROR, "file dialog without a file buffer");
    return FALSE;
  }
  DWORD filterIndex = ofn->nFilterIndex;
  std::string path;
  if (FileDialogHook hook = CopyHook(s_fileDialogHook)) {
    path = hook(save, *ofn);
  } else {
    path = OnGuiThreadAndWait([&] { return RunFileDialog(save, *ofn, &filterIndex); });
  }
  if (path.empty()) return FALSE;
  if (path.size() + 1 > ofn->nMaxFile) {
    TC_LOG(TC_LOG_WARN, "chosen path longer than the buffer of " << ofn->nMaxFile << " bytes");
    s_commDlgError = FNERR_BUFFERTOOSMALL;
    return FALSE;
  }
  std::memcpy(ofn->lpstrFile, path.c_str(), path.size() + 1);
  const size_t slash = path.rfind('/');
  const size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
  const size_t dot = path.rfind('.');
  ofn->nFileOffset = static_cast<WORD>(nameStart);
  ofn->nFileExtension =
      static_cast<WORD>(dot != std::string::npos && dot >= nameStart ? dot + 1 : 0);
  ofn->nFilterIndex = filterIndex;
  if (ofn->lpstrFileTitle && ofn->nMaxFileTitle > 0) {
    const std::string title = path.substr(nameStart);
    const size_t n = std::min<size_t>(title.size(), ofn->nMaxFileTitle - 1);
    std::memcpy(ofn->lpstrFileTitle, title.data(), n);
    ofn->lpstrFileTitle[n] = '\0';
  }
  return TRUE;
}

// ---- icons

QString IconPath(HICON icon) {
  const auto id = reinterpret_cast<std::uintptr_t>(icon);
  return QCoreApplication::applicationDirPath() + QStringLiteral("/skin/icon_%1.png").arg(id);
}

// The tray needs some picture: the icon file, or a plain square when there is none.
QIcon TrayIcon(HICON icon) {
  const QString path = IconPath(icon);
  if (icon && QFileInfo::exists(path)) return QIcon(path);
  QPixmap square(16, 16);
  square.fill(QColor(0x2D, 0x8C, 0xF0));
  return QIcon(square);
}

// ---- notification-area icons

struct TTrayRecord {
  UINT callbackMessage = 0;
  std::string tip;
  HICON icon = nullptr;
  QSystemTrayIcon* trayIcon = nullptr;  // null where the desktop has no notification area
};

std::map<std::pair<HWND, UINT>, TTrayRecord> s_trayIcons;  // GUI thread only

void PostTrayMouse(HWND hwnd, UINT id, UINT mouseMessage) {
  auto it = s_trayIcons.find({hwnd, id});
  if (it == s_trayIcons.end() || it->second.callbackMessage == 0) return;
  QueueMessage(hwnd, it->second.callbackMessage, id, static_cast<LPARAM>(mouseMessage));
}

void ConnectTrayIcon(QSystemTrayIcon* trayIcon, HWND hwnd, UINT id) {
  QObject::connect(trayIcon, &QSystemTrayIcon::activated, trayIcon,
                   [hwnd, id](QSystemTrayIcon::ActivationReason reason) {
                     switch (reason) {
                       case QSystemTrayIcon::Trigger:
                         PostTrayMouse(hwnd, id, WM_LBUTTONDOWN);
                         PostTrayMouse(hwnd, id, WM_LBUTTONUP);
                         break;
                       case QSystemTrayIcon::Context:
                         PostTrayMouse(hwnd, id, WM_RBUTTONDOWN);
                         PostTrayMouse(hwnd, id, WM_RBUTTONUP);
                         break;
                       case QSystemTrayIcon::DoubleClick:
                         PostTrayMouse(hwnd, id, WM_LBUTTONDBLCLK);
                         break;
                       case QSystemTrayIcon::MiddleClick:
                         PostTrayMouse(hwnd, id, WM_MBUTTONDOWN);
                         PostTrayMouse(hwnd, id, WM_MBUTTONUP);
                         break;
                       default:
                         break;
                     }
                   });
}

void ApplyTrayFields(TTrayRecord& record, const NOTIFYICONDATAA& data) {
  if (data.uFlags & NIF_MESSAGE) record.callbackMessage = data.uCallbackMessage;
  if (data.uFlags & NIF_TIP) record.tip.assign(data.szTip, strnlen(data.szTip, sizeof(data.szTip)));
  if (data.uFlags & NIF_ICON) record.icon = data.hIcon;
  if (record.trayIcon) {
    record.trayIcon->setToolTip(FromUtf8(record.tip));
    record.trayIcon->setIcon(TrayIcon(record.icon));
  }
}

BOOL TrayAdd(const NOTIFYICONDATAA& data) {
  const auto key = std::make_pair(data.hWnd, data.uID);
  if (s_trayIcons.count(key)) return FALSE;
  TTrayRecord& record = s_trayIcons[key];
  if (QSystemTrayIcon::isSystemTrayAvailable()) {
    record.trayIcon = new QSystemTrayIcon;
    ConnectTrayIcon(record.trayIcon, data.hWnd, data.uID);
  }
  ApplyTrayFields(record, data);
  if (!record.trayIcon) {
    TC_LOG(TC_LOG_INFO, "no notification area on this desktop; tray icon kept hidden");
    return FALSE;
  }
  record.trayIcon->show();
  return TRUE;
}

BOOL TrayDelete(const NOTIFYICONDATAA& data) {
  auto it = s_trayIcons.find({data.hWnd, data.uID});
  if (it == s_trayIcons.end()) return FALSE;
  delete it->second.trayIcon;
  s_trayIcons.erase(it);
  return TRUE;
}

BOOL TrayModify(const NOTIFYICONDATAA& data) {
  auto it = s_trayIcons.find({data.hWnd, data.uID});
  if (it == s_trayIcons.end()) return FALSE;
  ApplyTrayFields(it->second, data);
  return TRUE;
}

// ---- cursors

Qt::CursorShape ShapeOf(HCURSOR cursor) {
  switch (reinterpret_cast<std::uintptr_t>(cursor)) {
    case 32513:
      return Qt::IBeamCursor;
    case 32514:
      return Qt::WaitCursor;
    case 32515:
      return Qt::CrossCursor;
    case 32642:
      return Qt::SizeFDiagCursor;
    case 32643:
      return Qt::SizeBDiagCursor;
    case 32644:
      return Qt::SizeHorCursor;
    case 32645:
      return Qt::SizeVerCursor;
    case 32646:
      return Qt::SizeAllCursor;
    case 32648:
      return Qt::ForbiddenCursor;
    case 32649:
      return Qt::PointingHandCursor;
    default:
      return Qt::ArrowCursor;
  }
}

HCURSOR CursorOf(Qt::CursorShape shape) {
  for (std::uintptr_t id :
       {32513u, 32514u, 32515u, 32642u, 32643u, 32644u, 32645u, 32646u, 32648u, 32649u})
    if (ShapeOf(reinterpret_cast<HCURSOR>(id)) == shape) return reinterpret_cast<HCURSOR>(id);
  return reinterpret_cast<HCURSOR>(static_cast<std::uintptr_t>(32512));
}

QRect PrimaryScreen(bool workArea) {
  QScreen* screen = QCoreApplication::instance() ? QGuiApplication::primaryScreen() : nullptr;
  if (!screen) return QRect(0, 0, 1024, 768);
  return workArea ? screen->availableGeometry() : screen->geometry();
}

}  // namespace

void SetMessageBoxHook(MessageBoxHook hook) {
  std::lock_guard<std::mutex> lock(s_hookMutex);
  s_messageBoxHook = std::move(hook);
}

void SetFileDialogHook(FileDialogHook hook) {
  std::lock_guard<std::mutex> lock(s_hookMutex);
  s_fileDialogHook = std::move(hook);
}

void SetShellExecuteHook(ShellExecuteHook hook) {
  std::lock_guard<std::mutex> lock(s_hookMutex);
  s_shellExecuteHook = std::move(hook);
}

bool HasTrayIcon(HWND hWnd, UINT uID, std::string* tip) {
  auto it = s_trayIcons.find({hWnd, uID});
  if (it == s_trayIcons.end()) return false;
  if (tip) *tip = it->second.tip;
  return true;
}

bool ClickTrayIcon(HWND hWnd, UINT uID, UINT mouseMessage) {
  if (!s_trayIcons.count({hWnd, uID})) return false;
  PostTrayMouse(hWnd, uID, mouseMessage);
  return true;
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
  if (MessageBoxHook hook = CopyHook(s_messageBoxHook)) return hook(hWnd, text, caption, uType);
  return OnGuiThreadAndWait([&] { return ShowMessageBox(hWnd, text, caption, uType); });
}

BOOL GetOpenFileNameA(LPOPENFILENAMEA ofn) {
  return FileDialog(false, ofn);
}
BOOL GetSaveFileNameA(LPOPENFILENAMEA ofn) {
  return FileDialog(true, ofn);
}
DWORD CommDlgExtendedError() {
  return s_commDlgError;
}

BOOL Shell_NotifyIconA(DWORD dwMessage, PNOTIFYICONDATAA lpData) {
  if (!lpData) return FALSE;
  InstallOwnWindowBackend();
  const NOTIFYICONDATAA data = *lpData;
  return OnGuiThreadAndWait([&]() -> BOOL {
    switch (dwMessage) {
      case NIM_ADD:
        return TrayAdd(data);
      case NIM_MODIFY:
        return TrayModify(data);
      case NIM_DELETE:
        return TrayDelete(data);
      default:
        return FALSE;
    }
  });
}

HICON LoadIconA(HINSTANCE /*hInstance*/, LPCSTR lpIconName) {
  const auto id = reinterpret_cast<std::uintptr_t>(lpIconName);
  if (id == 0 || id > 0xFFFF) return nullptr;  // named icon resources do not exist here
  return reinterpret_cast<HICON>(id);
}

BOOL DestroyIcon(HICON hIcon) {
  return hIcon ? TRUE : FALSE;
}

HINSTANCE ShellExecuteA(HWND /*hwnd*/, LPCSTR lpOperation, LPCSTR lpFile, LPCSTR lpParameters,
                        LPCSTR lpDirectory, INT /*nShowCmd*/) {
  const auto failure = [](std::uintptr_t code) { return reinterpret_cast<HINSTANCE>(code); };
  const auto success = reinterpret_cast<HINSTANCE>(static_cast<std::uintptr_t>(42));
  const std::string verb = lpOperation ? lpOperation : "open";
  const std::string file = Safe(lpFile);
  const std::string params = Safe(lpParameters);
  if (file.empty()) return failure(ERROR_FILE_NOT_FOUND);
  if (ShellExecuteHook hook = CopyHook(s_shellExecuteHook))
    return hook(verb, file, params) ? success : failure(SE_ERR_NOASSOC);
  if (strcasecmp(verb.c_str(), "open") != 0) {
    TC_LOG(TC_LOG_WARN, "ShellExecute verb \"" << verb << "\" is not supported");
    return failure(SE_ERR_NOASSOC);
  }
  const QString target = FromUtf8(file);
  QUrl url(target);
  if (url.scheme().size() < 2) {  // a path (a one-letter scheme would be a drive letter)
    QDir base(lpDirectory && *lpDirectory ? QString::fromUtf8(lpDirectory) : QDir::currentPath());
    const QString path = base.absoluteFilePath(target);
    const QFileInfo info(path);
    if (!info.exists()) return failure(ERROR_FILE_NOT_FOUND);
    if (info.isFile() && info.isExecutable())
      return QProcess::startDetached(path, QProcess::splitCommand(FromUtf8(params)))
                 ? success
                 : failure(SE_ERR_NOASSOC);
    url = QUrl::fromLocalFile(path);
  }
  return QDesktopServices::openUrl(url) ? success : failure(SE_ERR_NOASSOC);
}

BOOL GetCursorPos(LPPOINT lpPoint) {
  if (!lpPoint || !QCoreApplication::instance()) return FALSE;
  const QPoint p = QCursor::pos();
  *lpPoint = POINT{p.x(), p.y()};
  return TRUE;
}

BOOL SetCursorPos(int x, int y) {
  if (!QCoreApplication::instance()) return FALSE;
  QCursor::setPos(x, y);
  return TRUE;
}

HCURSOR LoadCursorA(HINSTANCE /*hInstance*/, LPCSTR lpCursorName) {
  const auto id = reinterpret_cast<std::uintptr_t>(lpCursorName);
  return id >= 32512 && id <= 32649 ? reinterpret_cast<HCURSOR>(id) : nullptr;
}

HCURSOR SetCursor(HCURSOR hCursor) {
  if (!IsGuiThread()) return nullptr;
  CWindowHost* host = CurrentMouseHost();
  if (!host) host = HostOf(QApplication::widgetAt(QCursor::pos()));
  if (!host) return nullptr;
  const HCURSOR previous = CursorOf(host->cursor().shape());
  host->setCursor(ShapeOf(hCursor));
  return previous;
}

int GetSystemMetrics(int nIndex) {
  switch (nIndex) {
    case SM_CXSCREEN:
      return PrimaryScreen(false).width();
    case SM_CYSCREEN:
      return PrimaryScreen(false).height();
    case SM_CXFULLSCREEN:
      return PrimaryScreen(true).width();
    case SM_CYFULLSCREEN:
      return PrimaryScreen(true).height();
    case SM_CXVSCROLL:
    case SM_CYHSCROLL:
      return 17;
    case SM_CYCAPTION:
      return 23;
    case SM_CXICON:
    case SM_CYICON:
      return 32;
    case SM_CXSMICON:
    case SM_CYSMICON:
      return 16;
    default:
      return 0;
  }
}

BOOL SystemParametersInfoA(UINT uiAction, UINT /*uiParam*/, LPVOID pvParam, UINT /*fWinIni*/) {
  if (uiAction != SPI_GETWORKAREA || !pvParam) return FALSE;
  const QRect area = PrimaryScreen(true);
  *static_cast<RECT*>(pvParam) =
      RECT{area.left(), area.top(), area.left() + area.width(), area.top() + area.height()};
  return TRUE;
}

namespace {

QList<QScreen*> Screens() {
  return QCoreApplication::instance() ? QGuiApplication::screens() : QList<QScreen*>();
}

RECT MonitorRect(const QRect& r) {
  return RECT{r.left(), r.top(), r.left() + r.width(), r.top() + r.height()};
}

// Squared distance from a point to a rectangle (0 inside).
long long DistanceSquared(const QRect& r, const QPoint& p) {
  const long long dx =
      p.x() < r.left() ? r.left() - p.x() : (p.x() > r.right() ? p.x() - r.right() : 0);
  const long long dy =
      p.y() < r.top() ? r.top() - p.y() : (p.y() > r.bottom() ? p.y() - r.bottom() : 0);
  return dx * dx + dy * dy;
}

}  // namespace

HMONITOR MonitorFromPoint(POINT pt, DWORD dwFlags) {
  const QList<QScreen*> screens = Screens();
  const QPoint point(pt.x, pt.y);
  int nearest = -1;
  long long best = -1;
  for (int i = 0; i < screens.size(); ++i) {
    const long long d = DistanceSquared(screens[i]->geometry(), point);
    if (d == 0) return reinterpret_cast<HMONITOR>(static_cast<std::uintptr_t>(i + 1));
    if (best < 0 || d < best) {
      best = d;
      nearest = i;
    }
  }
  if (dwFlags == MONITOR_DEFAULTTONEAREST && nearest >= 0)
    return reinterpret_cast<HMONITOR>(static_cast<std::uintptr_t>(nearest + 1));
  if (dwFlags == MONITOR_DEFAULTTOPRIMARY && !screens.isEmpty()) {
    const int primary = static_cast<int>(screens.indexOf(QGuiApplication::primaryScreen()));
    return reinterpret_cast<HMONITOR>(static_cast<std::uintptr_t>(primary + 1));
  }
  return nullptr;
}

BOOL GetMonitorInfoA(HMONITOR hMonitor, LPMONITORINFO lpmi) {
  const QList<QScreen*> screens = Screens();
  const auto index = static_cast<long long>(reinterpret_cast<std::uintptr_t>(hMonitor)) - 1;
  if (!lpmi || index < 0 || index >= screens.size()) return FALSE;
  QScreen* screen = screens[static_cast<int>(index)];
  lpmi->rcMonitor = MonitorRect(screen->geometry());
  lpmi->rcWork = MonitorRect(screen->availableGeometry());
  lpmi->dwFlags = screen == QGuiApplication::primaryScreen() ? MONITORINFOF_PRIMARY : 0;
  return TRUE;
}

HRESULT SetProcessDpiAwareness(int /*value*/) {
  return 0;
}

HRESULT GetDpiForMonitor(HMONITOR hMonitor, int /*dpiType*/, UINT* dpiX, UINT* dpiY) {
  const QList<QScreen*> screens = Screens();
  const auto index = static_cast<long long>(reinterpret_cast<std::uintptr_t>(hMonitor)) - 1;
  if (!dpiX || !dpiY || index < 0 || index >= screens.size())
    return static_cast<HRESULT>(0x80070057L);  // E_INVALIDARG
  QScreen* screen = screens[static_cast<int>(index)];
  const double dpi = screen->logicalDotsPerInch() * screen->devicePixelRatio();
  *dpiX = *dpiY = static_cast<UINT>(dpi + 0.5);
  return 0;
}
