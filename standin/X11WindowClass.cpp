// WM_CLASS on X11: Qt writes the same class for every window of a program, so the stand-in
// rewrites it for each window right after the native window exists (before it is mapped).
#include "standin/StandinClient.h"

#include <QGuiApplication>
#include <QWidget>

#include <cstring>
#include <string>

#include <xcb/xcb.h>

namespace standin {

void SetWindowClass(QWidget* window, const char* className) {
  if (QGuiApplication::platformName() != QLatin1String("xcb")) return;
  auto* x11 = qApp->nativeInterface<QNativeInterface::QX11Application>();
  if (!x11 || !x11->connection()) return;
  const auto id = static_cast<xcb_window_t>(window->winId());
  std::string value = "standin";
  value += '\0';
  value += className;
  value += '\0';
  xcb_change_property(x11->connection(), XCB_PROP_MODE_REPLACE, id, XCB_ATOM_WM_CLASS,
                      XCB_ATOM_STRING, 8, static_cast<std::uint32_t>(value.size()), value.data());
  xcb_flush(x11->connection());
}

}  // namespace standin
