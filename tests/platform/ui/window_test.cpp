// Windows: creation, Qt events as Win32 messages, closing and destruction, styles.
#include "tests/platform/ui/window_test_util.h"

#include <QApplication>
#include <QImage>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>
#include <QWidget>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

using uitest::Backend;
using uitest::CRecordingWnd;
using uitest::PumpUntil;
using uitest::TMessage;

namespace {

HWND MakeWindow(CRecordingWnd& wnd, HWND parent = nullptr, DWORD style = WS_POPUP | WS_VISIBLE,
                DWORD exStyle = 0) {
  return wnd.Create(parent, "test", style, exStyle, 30, 40, 300, 200);
}

void SendKey(QWidget* target, QEvent::Type type, int key, Qt::KeyboardModifiers mods,
             const QString& text) {
  QKeyEvent event(type, key, mods, text);
  QApplication::sendEvent(target, &event);
}

void SendMouse(QWidget* target, QEvent::Type type, QPoint pos, Qt::MouseButton button,
               Qt::MouseButtons buttons, Qt::KeyboardModifiers mods = Qt::NoModifier) {
  QMouseEvent event(type, QPointF(pos), QPointF(target->mapToGlobal(pos)), button, buttons, mods);
  QApplication::sendEvent(target, &event);
}

TEST(WindowCreate, SendsCreateOnceBeforeShowingAndRegistersTheHandle) {
  CRecordingWnd wnd("TandemChat");
  bool visibleAtCreate = true;
  wnd.handler = [&](CRecordingWnd& w, UINT msg, WPARAM, LPARAM, LRESULT*) {
    if (msg == WM_CREATE) visibleAtCreate = w.GetWidget()->isVisible();
    return false;
  };
  const HWND hwnd = MakeWindow(wnd);
  ASSERT_NE(hwnd, nullptr);
  EXPECT_EQ(wnd.GetHWND(), hwnd);
  EXPECT_EQ(static_cast<HWND>(wnd), hwnd);
  EXPECT_EQ(wnd.Count(WM_CREATE), 1);
  EXPECT_EQ(wnd.IndexOf(WM_CREATE), 0);
  EXPECT_FALSE(visibleAtCreate);
  EXPECT_TRUE(Backend().IsVisible(hwnd));
  EXPECT_GE(HandleToULong32(hwnd), 0x40000000u);  // offscreen: synthetic ids
  EXPECT_EQ(Backend().ClassName(hwnd), "TandemChat");
  EXPECT_EQ(DuiLib::CWindowWnd::FromHandle(hwnd), &wnd);
  RECT rc{};
  EXPECT_TRUE(Backend().GetWindowRect(hwnd, &rc));
  EXPECT_EQ(rc.left, 30);
  EXPECT_EQ(rc.top, 40);
  EXPECT_EQ(rc.right - rc.left, 300);
  EXPECT_EQ(rc.bottom - rc.top, 200);
  EXPECT_EQ(wnd.Create(nullptr, "again", WS_POPUP, 0), nullptr);  // one window per object
}

TEST(WindowCreate, RefusingCreateGivesNoWindow) {
  CRecordingWnd wnd;
  wnd.handler = [](CRecordingWnd&, UINT msg, WPARAM, LPARAM, LRESULT* r) {
    if (msg != WM_CREATE) return false;
    *r = -1;
    return true;
  };
  EXPECT_EQ(MakeWindow(wnd), nullptr);
  EXPECT_EQ(wnd.GetHWND(), nullptr);
  EXPECT_EQ(wnd.Count(WM_DESTROY), 1);
}

TEST(WindowCreate, ChildWindowNeedsAParentOfOurs) {
  CRecordingWnd child;
  EXPECT_EQ(MakeWindow(child, nullptr, WS_CHILD | WS_VISIBLE), nullptr);
  EXPECT_EQ(MakeWindow(child, reinterpret_cast<HWND>(0x1234), WS_CHILD), nullptr);
}

struct TKeyCase {
  int qtKey;
  Qt::KeyboardModifiers mods;
  const char* text;
  UINT vk;
  std::u16string chars;
};

TEST(WindowMessages, KeysBecomeVirtualKeysAndCharacters) {
  const TKeyCase cases[] = {
      {Qt::Key_Escape, Qt::NoModifier, "\x1b", VK_ESCAPE, u"\x1b"},
      {Qt::Key_Return, Qt::NoModifier, "\r", VK_RETURN, u"\r"},
      {Qt::Key_Enter, Qt::KeypadModifier, "\r", VK_RETURN, u"\r"},
      {Qt::Key_Tab, Qt::NoModifier, "\t", VK_TAB, u"\t"},
      {Qt::Key_Delete, Qt::NoModifier, "", VK_DELETE, u""},
      {Qt::Key_Left, Qt::NoModifier, "", VK_LEFT, u""},
      {Qt::Key_Up, Qt::NoModifier, "", VK_UP, u""},
      {Qt::Key_Right, Qt::NoModifier, "", VK_RIGHT, u""},
      {Qt::Key_Down, Qt::NoModifier, "", VK_DOWN, u""},
      {Qt::Key_A, Qt::NoModifier, "a", 'A', u"a"},
      {Qt::Key_S, Qt::ShiftModifier, "S", 'S', u"S"},
      {Qt::Key_7, Qt::NoModifier, "7", '7', u"7"},
      {Qt::Key_3, Qt::KeypadModifier, "3", VK_NUMPAD0 + 3, u"3"},
      {Qt::Key_F5, Qt::NoModifier, "", VK_F1 + 4, u""},
      {Qt::Key_Control, Qt::ControlModifier, "", VK_CONTROL, u""},
      {Qt::Key_unknown, Qt::NoModifier, "\xe4\xbd\xa0", 0, u"\u4f60"},  // typed by an input method
  };
  CRecordingWnd wnd;
  MakeWindow(wnd);
  for (const TKeyCase& c : cases) {
    wnd.messages.clear();
    SendKey(wnd.GetWidget(), QEvent::KeyPress, c.qtKey, c.mods, QString::fromUtf8(c.text));
    SendKey(wnd.GetWidget(), QEvent::KeyRelease, c.qtKey, c.mods, QString::fromUtf8(c.text));
    SCOPED_TRACE("Qt key " + std::to_string(c.qtKey));
    if (c.vk) {
      ASSERT_EQ(wnd.Count(WM_KEYDOWN), 1);
      EXPECT_EQ(wnd.Only(WM_KEYDOWN)[0].wParam, c.vk);
      ASSERT_EQ(wnd.Count(WM_KEYUP), 1);
      EXPECT_EQ(wnd.Only(WM_KEYUP)[0].wParam, c.vk);
      EXPECT_LT(wnd.IndexOf(WM_KEYDOWN), wnd.IndexOf(WM_KEYUP));
    } else {
      EXPECT_EQ(wnd.Count(WM_KEYDOWN), 0);
    }
    std::u16string chars;
    for (const TMessage& m : wnd.Only(WM_CHAR)) chars += static_cast<char16_t>(m.wParam);
    EXPECT_EQ(chars, c.chars);
  }
}

TEST(WindowMessages, AltF4ClosesTheWindowThroughTheDefaultHandling) {
  CRecordingWnd wnd;
  MakeWindow(wnd);
  SendKey(wnd.GetWidget(), QEvent::KeyPress, Qt::Key_F4, Qt::AltModifier, QString());
  EXPECT_EQ(wnd.Only(WM_SYSKEYDOWN).at(0).wParam, static_cast<WPARAM>(VK_F4));
  EXPECT_EQ(wnd.Only(WM_SYSCOMMAND).at(0).wParam, static_cast<WPARAM>(SC_CLOSE));
  EXPECT_EQ(wnd.Count(WM_CLOSE), 1);
  EXPECT_EQ(wnd.GetHWND(), nullptr);
}

TEST(WindowMessages, PreTranslateHookCanSwallowKeys) {
  static int seen = 0;
  DuiLib::SetPreTranslateHook([](const MSG* msg) {
    ++seen;
    return msg->message == WM_KEYDOWN && msg->wParam == VK_ESCAPE;
  });
  CRecordingWnd wnd;
  MakeWindow(wnd);
  SendKey(wnd.GetWidget(), QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier, QString());
  SendKey(wnd.GetWidget(), QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, QString());
  DuiLib::SetPreTranslateHook(nullptr);
  EXPECT_GE(seen, 2);
  ASSERT_EQ(wnd.Count(WM_KEYDOWN), 1);
  EXPECT_EQ(wnd.Only(WM_KEYDOWN)[0].wParam, static_cast<WPARAM>(VK_RETURN));
}

TEST(WindowMessages, AKeyAnEditorDeclinesReachesTheWindowsFiltersOnce) {
  static int returns = 0;
  returns = 0;
  DuiLib::SetPreTranslateHook([](const MSG* msg) {
    if (msg->message == WM_KEYDOWN && msg->wParam == VK_RETURN) ++returns;
    return false;
  });
  CRecordingWnd wnd;
  MakeWindow(wnd);
  auto* edit = new QLineEdit(wnd.GetWidget());  // declines Return, which goes on to the window
  edit->show();
  edit->setFocus();
  SendKey(edit, QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, QString());
  DuiLib::SetPreTranslateHook(nullptr);
  EXPECT_EQ(returns, 1);
}

TEST(WindowMessages, MouseMessagesCarryClientCoordinatesAndKeyFlags) {
  CRecordingWnd wnd;
  MakeWindow(wnd);
  QWidget* host = wnd.GetWidget();
  SendMouse(host, QEvent::MouseMove, {5, 6}, Qt::NoButton, Qt::NoButton);
  SendMouse(host, QEvent::MouseButtonPress, {10, 20}, Qt::LeftButton, Qt::LeftButton,
            Qt::ControlModifier);
  SendMouse(host, QEvent::MouseButtonRelease, {11, 21}, Qt::LeftButton, Qt::NoButton);
  SendMouse(host, QEvent::MouseButtonPress, {250, 150}, Qt::RightButton, Qt::RightButton);
  SendMouse(host, QEvent::MouseButtonRelease, {250, 150}, Qt::RightButton, Qt::NoButton);

  const TMessage move = wnd.Only(WM_MOUSEMOVE).at(0);
  EXPECT_EQ(GET_X_LPARAM(move.lParam), 5);
  EXPECT_EQ(GET_Y_LPARAM(move.lParam), 6);
  EXPECT_LT(wnd.IndexOf(WM_NCHITTEST), wnd.IndexOf(WM_SETCURSOR));
  EXPECT_LT(wnd.IndexOf(WM_SETCURSOR), wnd.IndexOf(WM_MOUSEMOVE));
  EXPECT_EQ(wnd.Only(WM_SETCURSOR).at(0).lParam, MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
  const TMessage down = wnd.Only(WM_LBUTTONDOWN).at(0);
  EXPECT_EQ(GET_X_LPARAM(down.lParam), 10);
  EXPECT_EQ(GET_Y_LPARAM(down.lParam), 20);
  EXPECT_EQ(down.wParam, static_cast<WPARAM>(MK_LBUTTON | MK_CONTROL));
  // The hit test comes first, with screen coordinates.
  const int press = wnd.IndexOf(WM_LBUTTONDOWN);
  ASSERT_GT(press, 0);
  const TMessage hit = wnd.messages[press - 1];
  EXPECT_EQ(hit.msg, static_cast<UINT>(WM_NCHITTEST));
  EXPECT_EQ(GET_X_LPARAM(hit.lParam), 30 + 10);
  EXPECT_EQ(GET_Y_LPARAM(hit.lParam), 40 + 20);
  const TMessage up = wnd.Only(WM_LBUTTONUP).at(0);
  EXPECT_EQ(GET_X_LPARAM(up.lParam), 11);
  EXPECT_EQ(up.wParam, 0u);
  EXPECT_EQ(GET_X_LPARAM(wnd.Only(WM_RBUTTONDOWN).at(0).lParam), 250);
  EXPECT_EQ(wnd.Only(WM_RBUTTONDOWN).at(0).wParam, static_cast<WPARAM>(MK_RBUTTON));
  EXPECT_EQ(GET_Y_LPARAM(wnd.Only(WM_RBUTTONUP).at(0).lParam), 150);
}

TEST(WindowMessages, DoubleClicksNeedTheClassStyle) {
  CRecordingWnd withDbl("A", CS_DBLCLKS), without("B", 0);
  MakeWindow(withDbl);
  MakeWindow(without);
  for (CRecordingWnd* wnd : {&withDbl, &without}) {
    SendMouse(wnd->GetWidget(), QEvent::MouseButtonDblClick, {3, 4}, Qt::LeftButton,
              Qt::LeftButton);
  }
  EXPECT_EQ(withDbl.Count(WM_LBUTTONDBLCLK), 1);
  EXPECT_EQ(without.Count(WM_LBUTTONDBLCLK), 0);
  EXPECT_EQ(without.Count(WM_LBUTTONDOWN), 1);
}

TEST(WindowMessages, WheelAndLeave) {
  CRecordingWnd wnd;
  MakeWindow(wnd);
  QWidget* host = wnd.GetWidget();
  QWheelEvent wheel(QPointF(7, 8), QPointF(host->mapToGlobal(QPoint(7, 8))), QPoint(),
                    QPoint(0, -120), Qt::NoButton, Qt::ShiftModifier, Qt::NoScrollPhase, false);
  QApplication::sendEvent(host, &wheel);
  QEvent leave(QEvent::Leave);
  QApplication::sendEvent(host, &leave);
  const TMessage w = wnd.Only(WM_MOUSEWHEEL).at(0);
  EXPECT_EQ(GET_WHEEL_DELTA_WPARAM(w.wParam), -120);
  EXPECT_EQ(GET_KEYSTATE_WPARAM(w.wParam), MK_SHIFT);
  EXPECT_EQ(GET_X_LPARAM(w.lParam), 37);  // screen coordinates, as on Windows
  EXPECT_EQ(wnd.Count(WM_MOUSELEAVE), 1);
}

TEST(WindowMessages, SizeAndMoveFollowTheWindow) {
  CRecordingWnd wnd;
  const HWND hwnd = MakeWindow(wnd);
  wnd.messages.clear();
  wnd.ResizeClient(320, -1);
  const TMessage size = wnd.Only(WM_SIZE).at(0);
  EXPECT_EQ(size.wParam, static_cast<WPARAM>(SIZE_RESTORED));
  EXPECT_EQ(LOWORD(size.lParam), 320);
  EXPECT_EQ(HIWORD(size.lParam), 200);
  RECT client{};
  EXPECT_TRUE(Backend().GetClientRect(hwnd, &client));
  EXPECT_EQ(client.right, 320);
  EXPECT_EQ(client.bottom, 200);
  EXPECT_TRUE(Backend().SetPos(hwnd, nullptr, 50, 60, 0, 0, SWP_NOSIZE | SWP_NOZORDER));
  const TMessage move = wnd.Only(WM_MOVE).at(0);
  EXPECT_EQ(GET_X_LPARAM(move.lParam), 50);
  EXPECT_EQ(GET_Y_LPARAM(move.lParam), 60);
  EXPECT_TRUE(Backend().Move(hwnd, 1, 2, 100, 90, TRUE));
  RECT rc{};
  Backend().GetWindowRect(hwnd, &rc);
  EXPECT_EQ(rc.left, 1);
  EXPECT_EQ(rc.bottom, 92);
}

TEST(WindowMessages, PaintGivesAPainterAndTheDirtyRectangle) {
  CRecordingWnd wnd;
  RECT dirty{};
  bool hadPainter = false;
  wnd.handler = [&](CRecordingWnd& w, UINT msg, WPARAM, LPARAM l, LRESULT*) {
    if (msg != WM_PAINT) return false;
    dirty = *reinterpret_cast<const RECT*>(l);
    hadPainter = w.GetPainter() != nullptr;
    if (hadPainter) w.GetPainter()->fillRect(0, 0, 10, 10, Qt::red);
    return true;
  };
  MakeWindow(wnd);
  const QImage shot = wnd.GetWidget()->grab().toImage();
  EXPECT_TRUE(hadPainter);
  EXPECT_EQ(dirty.right - dirty.left, 300);
  EXPECT_EQ(dirty.bottom - dirty.top, 200);
  EXPECT_EQ(wnd.GetPainter(), nullptr);
  EXPECT_EQ(shot.pixelColor(5, 5), QColor(Qt::red));
}

TEST(WindowMessages, FocusMessages) {
  CRecordingWnd wnd;
  MakeWindow(wnd);
  QFocusEvent in(QEvent::FocusIn), out(QEvent::FocusOut);
  QApplication::sendEvent(wnd.GetWidget(), &in);
  QApplication::sendEvent(wnd.GetWidget(), &out);
  EXPECT_EQ(wnd.Count(WM_SETFOCUS), 1);
  EXPECT_EQ(wnd.Count(WM_KILLFOCUS), 1);
  EXPECT_LT(wnd.IndexOf(WM_SETFOCUS), wnd.IndexOf(WM_KILLFOCUS));
}

TEST(WindowClose, CloseButtonSendsCloseAndTheDefaultDestroys) {
  CRecordingWnd wnd;
  HWND finalHandle = nullptr;
  wnd.onFinal = [&](HWND h) { finalHandle = h; };
  const HWND hwnd = MakeWindow(wnd);
  wnd.GetWidget()->close();
  EXPECT_EQ(wnd.Count(WM_CLOSE), 1);
  EXPECT_LT(wnd.IndexOf(WM_CLOSE), wnd.IndexOf(WM_DESTROY));
  EXPECT_LT(wnd.IndexOf(WM_DESTROY), wnd.IndexOf(WM_NCDESTROY));
  EXPECT_EQ(finalHandle, hwnd);
  EXPECT_EQ(wnd.GetHWND(), nullptr);
  EXPECT_EQ(wnd.GetWidget(), nullptr);
  EXPECT_FALSE(Backend().IsOwn(hwnd));
}

TEST(WindowClose, AHandledCloseKeepsTheWindow) {
  CRecordingWnd wnd;
  wnd.handler = [](CRecordingWnd&, UINT msg, WPARAM, LPARAM, LRESULT*) { return msg == WM_CLOSE; };
  const HWND hwnd = MakeWindow(wnd);
  wnd.GetWidget()->close();
  wnd.SendMessage(WM_SYSCOMMAND, SC_CLOSE);
  EXPECT_EQ(wnd.Count(WM_CLOSE), 2);
  EXPECT_TRUE(Backend().IsOwn(hwnd));
  EXPECT_EQ(wnd.Count(WM_DESTROY), 0);
}

TEST(WindowClose, DestroyingTheObjectRemovesItsWindowQuietly) {
  HWND hwnd = nullptr;
  {
    CRecordingWnd wnd;
    hwnd = MakeWindow(wnd);
    ASSERT_TRUE(Backend().IsOwn(hwnd));
  }
  EXPECT_FALSE(Backend().IsOwn(hwnd));
  DuiLib::PumpMessages();
}

TEST(WindowClose, OwnedWindowsGoFirstAndChildrenAfterTheirParentsDestroy) {
  std::vector<std::string> order;
  CRecordingWnd owner, owned, child;
  auto record = [&](const char* name) {
    return [&order, name](CRecordingWnd&, UINT msg, WPARAM, LPARAM, LRESULT*) {
      if (msg == WM_DESTROY) order.push_back(std::string(name) + " destroy");
      if (msg == WM_NCDESTROY) order.push_back(std::string(name) + " ncdestroy");
      return false;
    };
  };
  owner.handler = record("owner");
  owned.handler = record("owned");
  child.handler = record("child");
  const HWND hOwner = MakeWindow(owner);
  const HWND hOwned = MakeWindow(owned, hOwner);
  const HWND hChild = MakeWindow(child, hOwner, WS_CHILD | WS_VISIBLE);
  EXPECT_EQ(Backend().Owner(hOwned), hOwner);
  EXPECT_EQ(Backend().Parent(hOwned), nullptr);
  EXPECT_EQ(Backend().Parent(hChild), hOwner);
  EXPECT_EQ(Backend().Owner(hChild), nullptr);
  EXPECT_TRUE(Backend().GetLong(hChild, GWL_STYLE) & WS_CHILD);
  Backend().Destroy(hOwner);
  EXPECT_EQ(order,
            (std::vector<std::string>{"owned destroy", "owned ncdestroy", "owner destroy",
                                      "child destroy", "child ncdestroy", "owner ncdestroy"}));
  EXPECT_FALSE(Backend().IsOwn(hChild));
  DuiLib::PumpMessages();
}

TEST(WindowFrame, CaptionAreaDragsTheFramelessWindow) {
  CRecordingWnd wnd;
  wnd.handler = [](CRecordingWnd& w, UINT msg, WPARAM, LPARAM l, LRESULT* r) {
    if (msg != WM_NCHITTEST) return false;
    POINT p{GET_X_LPARAM(l), GET_Y_LPARAM(l)};
    RECT rc{};
    Backend().GetWindowRect(w.GetHWND(), &rc);
    *r = p.y - rc.top < 30 ? HTCAPTION : HTCLIENT;
    return true;
  };
  const HWND hwnd = MakeWindow(wnd);
  QWidget* host = wnd.GetWidget();
  SendMouse(host, QEvent::MouseButtonPress, {100, 10}, Qt::LeftButton, Qt::LeftButton);
  EXPECT_EQ(wnd.Only(WM_NCLBUTTONDOWN).at(0).wParam, static_cast<WPARAM>(HTCAPTION));
  EXPECT_EQ(wnd.Count(WM_LBUTTONDOWN), 0);
  // Offscreen there is no window manager: the window follows the mouse itself.
  // Pressed at screen (130, 50); the mouse goes 25 right and 15 down.
  QMouseEvent drag(QEvent::MouseMove, QPointF(100, 10), QPointF(130 + 25, 50 + 15), Qt::NoButton,
                   Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(host, &drag);
  SendMouse(host, QEvent::MouseButtonRelease, {100, 10}, Qt::LeftButton, Qt::NoButton);
  RECT rc{};
  Backend().GetWindowRect(hwnd, &rc);
  EXPECT_EQ(rc.left, 30 + 25);
  EXPECT_EQ(rc.top, 40 + 15);
  // Below the caption the press is a client click.
  SendMouse(host, QEvent::MouseButtonPress, {100, 100}, Qt::LeftButton, Qt::LeftButton);
  EXPECT_EQ(wnd.Count(WM_LBUTTONDOWN), 1);
}

TEST(WindowFrame, AClickOrAWobbleOnTheCaptionLeavesTheWindowWhereItIs) {
  CRecordingWnd wnd;
  wnd.handler = [](CRecordingWnd&, UINT msg, WPARAM, LPARAM, LRESULT* r) {
    if (msg != WM_NCHITTEST) return false;
    *r = HTCAPTION;
    return true;
  };
  const HWND hwnd = MakeWindow(wnd);  // 30,40
  QWidget* host = wnd.GetWidget();
  const int wobble = std::max(QApplication::startDragDistance() / 2 - 1, 0);
  SendMouse(host, QEvent::MouseButtonPress, {100, 10}, Qt::LeftButton, Qt::LeftButton);
  SendMouse(host, QEvent::MouseMove, {100 + wobble, 10}, Qt::NoButton, Qt::LeftButton);
  SendMouse(host, QEvent::MouseButtonRelease, {100 + wobble, 10}, Qt::LeftButton, Qt::NoButton);
  // With the button up the mouse moves freely again, and a client click is a client click.
  SendMouse(host, QEvent::MouseMove, {200, 150}, Qt::NoButton, Qt::NoButton);
  RECT rc{};
  Backend().GetWindowRect(hwnd, &rc);
  EXPECT_EQ(rc.left, 30);
  EXPECT_EQ(rc.top, 40);
  EXPECT_EQ(wnd.Count(WM_LBUTTONUP), 0);  // the caption click's release is not a client one
  EXPECT_GE(wnd.Count(WM_MOUSEMOVE), 1);
}

TEST(WindowFrame, SysCommandsMinimiseMaximiseAndRestore) {
  CRecordingWnd wnd;
  const HWND hwnd = MakeWindow(wnd);
  wnd.SendMessage(WM_SYSCOMMAND, SC_MAXIMIZE);
  EXPECT_TRUE(Backend().IsZoomed(hwnd));
  wnd.SendMessage(WM_SYSCOMMAND, SC_RESTORE);
  EXPECT_FALSE(Backend().IsZoomed(hwnd));
  wnd.SendMessage(WM_SYSCOMMAND, SC_MINIMIZE);
  EXPECT_TRUE(Backend().IsIconic(hwnd));
  wnd.SendMessage(WM_SYSCOMMAND, SC_RESTORE);
  EXPECT_FALSE(Backend().IsIconic(hwnd));
  EXPECT_TRUE(Backend().IsVisible(hwnd));
}

TEST(WindowStyles, ToolTopmostAndOpacity) {
  CRecordingWnd wnd;
  const HWND hwnd = MakeWindow(wnd, nullptr, WS_POPUP, WS_EX_TOOLWINDOW | WS_EX_TOPMOST);
  QWidget* host = wnd.GetWidget();
  EXPECT_EQ(host->windowType(), Qt::Tool);
  EXPECT_TRUE(host->windowFlags() & Qt::WindowStaysOnTopHint);
  EXPECT_TRUE(host->windowFlags() & Qt::FramelessWindowHint);
  EXPECT_FALSE(Backend().IsVisible(hwnd));
  // The main frame hides into the tray and comes back as an application window.
  Backend().SetLong(hwnd, GWL_EXSTYLE, WS_EX_APPWINDOW);
  EXPECT_EQ(host->windowType(), Qt::Window);
  EXPECT_FALSE(host->windowFlags() & Qt::WindowStaysOnTopHint);
  EXPECT_EQ(Backend().GetLong(hwnd, GWL_EXSTYLE), static_cast<LONG_PTR>(WS_EX_APPWINDOW));
  Backend().SetPos(hwnd, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
  EXPECT_TRUE(host->windowFlags() & Qt::WindowStaysOnTopHint);
  EXPECT_TRUE(Backend().IsVisible(hwnd));
  wnd.SetOpacity(100);
  EXPECT_EQ(wnd.GetOpacity(), 100);
  EXPECT_NEAR(host->windowOpacity(), 100 / 255.0, 0.01);
}

TEST(WindowStyles, ADisabledWindowGetsNoInput) {
  CRecordingWnd wnd;
  const HWND hwnd = MakeWindow(wnd, nullptr, WS_POPUP | WS_VISIBLE | WS_DISABLED);
  EXPECT_FALSE(Backend().IsEnabled(hwnd));
  SendMouse(wnd.GetWidget(), QEvent::MouseButtonPress, {1, 1}, Qt::LeftButton, Qt::LeftButton);
  SendKey(wnd.GetWidget(), QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, "a");
  EXPECT_EQ(wnd.Count(WM_LBUTTONDOWN), 0);
  EXPECT_EQ(wnd.Count(WM_KEYDOWN), 0);
  EXPECT_TRUE(Backend().Enable(hwnd, TRUE));  // was disabled
  SendMouse(wnd.GetWidget(), QEvent::MouseButtonPress, {1, 1}, Qt::LeftButton, Qt::LeftButton);
  EXPECT_EQ(wnd.Count(WM_LBUTTONDOWN), 1);
  EXPECT_EQ(wnd.Only(WM_ENABLE).at(0).wParam, static_cast<WPARAM>(TRUE));
}

TEST(WindowStyles, ShowCommandsAndWorkerThreadRequests) {
  CRecordingWnd wnd;
  const HWND hwnd = MakeWindow(wnd, nullptr, WS_POPUP);
  EXPECT_FALSE(Backend().Show(hwnd, SW_SHOW));  // was hidden
  EXPECT_TRUE(Backend().IsVisible(hwnd));
  EXPECT_TRUE(Backend().GetLong(hwnd, GWL_STYLE) & WS_VISIBLE);
  std::thread([hwnd] {
    EXPECT_TRUE(Backend().IsVisible(hwnd));  // read from the published state
    EXPECT_TRUE(Backend().Show(hwnd, SW_HIDE));
    RECT rc{};
    EXPECT_TRUE(Backend().GetWindowRect(hwnd, &rc));
    EXPECT_EQ(rc.right - rc.left, 300);
  }).join();
  EXPECT_TRUE(PumpUntil([&] { return !Backend().IsVisible(hwnd); }));
}

}  // namespace

namespace {

TEST(WindowFrame, SizingBorderResizesTheWindowWithoutAWindowManager) {
  CRecordingWnd wnd;
  wnd.handler = [](CRecordingWnd& w, UINT msg, WPARAM, LPARAM l, LRESULT* r) {
    if (msg != WM_NCHITTEST) return false;
    RECT rc{};
    Backend().GetWindowRect(w.GetHWND(), &rc);
    const int x = GET_X_LPARAM(l), y = GET_Y_LPARAM(l);
    if (x >= rc.right - 4 && y >= rc.bottom - 4)
      *r = HTBOTTOMRIGHT;
    else if (x < rc.left + 4)
      *r = HTLEFT;
    else
      *r = HTCLIENT;
    return true;
  };
  const HWND hwnd = MakeWindow(wnd);  // 30,40 300x200
  QWidget* host = wnd.GetWidget();
  SendMouse(host, QEvent::MouseMove, {298, 198}, Qt::NoButton, Qt::NoButton);
  EXPECT_EQ(host->cursor().shape(), Qt::SizeFDiagCursor);
  SendMouse(host, QEvent::MouseMove, {150, 100}, Qt::NoButton, Qt::NoButton);
  EXPECT_EQ(host->cursor().shape(), Qt::ArrowCursor);
  SendMouse(host, QEvent::MouseButtonPress, {298, 198}, Qt::LeftButton, Qt::LeftButton);
  QMouseEvent grow(QEvent::MouseMove, QPointF(298, 198), QPointF(30 + 298 + 20, 40 + 198 + 10),
                   Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(host, &grow);
  SendMouse(host, QEvent::MouseButtonRelease, {318, 208}, Qt::LeftButton, Qt::NoButton);
  RECT rc{};
  Backend().GetWindowRect(hwnd, &rc);
  EXPECT_EQ(rc.left, 30);
  EXPECT_EQ(rc.right - rc.left, 320);
  EXPECT_EQ(rc.bottom - rc.top, 210);
  EXPECT_EQ(wnd.Only(WM_SIZE).back().lParam, MAKELPARAM(320, 210));
  // The left border cannot pull the window below one pixel.
  SendMouse(host, QEvent::MouseButtonPress, {1, 100}, Qt::LeftButton, Qt::LeftButton);
  QMouseEvent shrink(QEvent::MouseMove, QPointF(1, 100), QPointF(31 + 1000, 140), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(host, &shrink);
  Backend().GetWindowRect(hwnd, &rc);
  EXPECT_EQ(rc.right - rc.left, 1);
  EXPECT_EQ(rc.right, 30 + 320);
}

}  // namespace

namespace {

TEST(WindowMessages, HiddenWindowsReportSizeAndMoveAtOnceAndOnlyOnce) {
  CRecordingWnd wnd;
  const HWND hwnd = wnd.Create(nullptr, "hidden", WS_POPUP, 0, 5, 6, 70, 80);
  // After WM_CREATE, as CreateWindow does.
  ASSERT_EQ(wnd.Count(WM_SIZE), 1);
  EXPECT_GT(wnd.IndexOf(WM_SIZE), wnd.IndexOf(WM_CREATE));
  EXPECT_EQ(wnd.Only(WM_SIZE)[0].lParam, MAKELPARAM(70, 80));
  EXPECT_EQ(wnd.Only(WM_MOVE).at(0).lParam, MAKELPARAM(5, 6));
  wnd.ResizeClient(90, 100);  // the skin's initial size, before the window is shown
  ASSERT_EQ(wnd.Count(WM_SIZE), 2);
  EXPECT_EQ(wnd.Only(WM_SIZE)[1].lParam, MAKELPARAM(90, 100));
  Backend().Show(hwnd, SW_SHOW);
  EXPECT_EQ(wnd.Count(WM_SIZE), 2);
  EXPECT_EQ(wnd.Count(WM_MOVE), 1);
}

}  // namespace
