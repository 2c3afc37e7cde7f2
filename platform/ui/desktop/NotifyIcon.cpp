// Own
#include "platform/ui/desktop/NotifyIcon.h"

// Project
#include "platform/log/Log.h"
#include "platform/ui/desktop/GuiThread_p.h"
#include "platform/win32/Window.h"

// Qt
#include <QColor>
#include <QFileInfo>
#include <QIcon>
#include <QPixmap>
#include <QSystemTrayIcon>

// Standard
#include <cstdint>
#include <cstring>
#include <map>
#include <utility>

namespace DuiLib {
namespace {

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
  WindowSystem().Post(hwnd, it->second.callbackMessage, id, static_cast<LPARAM>(mouseMessage));
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

}  // namespace

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

BOOL Shell_NotifyIconA(DWORD dwMessage, PNOTIFYICONDATAA lpData) {
  if (!lpData) return FALSE;
  WindowSystem().Install();
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
