// A foreign X window embedded in one of ours at QT_SCALE_FACTOR=2 (run bare and under
// openbox by scripts/xvfb-run-wm.sh): the window functions take and give logical points, the
// X window is placed in device pixels, so an embedded copy fills the area it is given.
#include "tests/platform/ui/window_test_util.h"

#include <QGuiApplication>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <memory>

#include <xcb/xcb.h>

using uitest::CRecordingWnd;
using uitest::PumpUntil;

namespace {

constexpr double kRatio = 2.0;

// A plain client of its own X connection: foreign to our window table.
class CForeignWindow {
 public:
  CForeignWindow() : m_pConnection(xcb_connect(nullptr, nullptr), xcb_disconnect) {
    xcb_connection_t* c = m_pConnection.get();
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    m_window = xcb_generate_id(c);
    // Override-redirect: a window manager never takes it over half-way through the test
    // (embedding managed windows is the desktop tests' subject; the scale is this one's).
    const std::uint32_t values[] = {screen->white_pixel, 1};
    xcb_create_window(c, XCB_COPY_FROM_PARENT, m_window, screen->root, 0, 0, 120, 90, 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual,
                      XCB_CW_BACK_PIXEL | XCB_CW_OVERRIDE_REDIRECT, values);
    xcb_map_window(c, m_window);
    xcb_flush(c);
  }
  HWND Handle() const { return reinterpret_cast<HWND>(static_cast<std::uintptr_t>(m_window)); }
  // The X geometry (device pixels, relative to the parent).
  RECT Geometry() const {
    xcb_connection_t* c = m_pConnection.get();
    std::unique_ptr<xcb_get_geometry_reply_t, decltype(&std::free)> reply(
        xcb_get_geometry_reply(c, xcb_get_geometry(c, m_window), nullptr), std::free);
    if (!reply) return RECT{};
    return RECT{reply->x, reply->y, reply->x + reply->width, reply->y + reply->height};
  }

 private:
  std::unique_ptr<xcb_connection_t, decltype(&xcb_disconnect)> m_pConnection;
  xcb_window_t m_window = 0;
};

bool SameRect(const RECT& a, const RECT& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

class ScaledX11Embedding : public ::testing::Test {
 protected:
  void SetUp() override {
    DuiLib::InstallOwnWindowBackend();
    ASSERT_EQ(QGuiApplication::platformName(), "xcb");
    ASSERT_EQ(qGuiApp->devicePixelRatio(), kRatio) << "run with QT_SCALE_FACTOR=2";
    m_host = m_wnd.Create(nullptr, "host", WS_POPUP | WS_VISIBLE, 0, 40, 30, 400, 300);
    ASSERT_NE(m_host, nullptr);
    ASSERT_TRUE(PumpUntil([&] { return IsWindowVisible(m_host) != FALSE; }));
    ASSERT_NE(SetParent(m_foreign.Handle(), m_host), nullptr);
    ASSERT_TRUE(PumpUntil([&] { return GetParent(m_foreign.Handle()) == m_host; }));
  }
  void TearDown() override {
    if (m_host) SetParent(m_foreign.Handle(), nullptr);
  }

  CRecordingWnd m_wnd;
  HWND m_host = nullptr;
  CForeignWindow m_foreign;
};

TEST_F(ScaledX11Embedding, MoveWindowPlacesTheForeignWindowInDevicePixels) {
  ASSERT_TRUE(MoveWindow(m_foreign.Handle(), 10, 20, 200, 100, TRUE));
  EXPECT_TRUE(PumpUntil([&] {
    return SameRect(m_foreign.Geometry(), RECT{20, 40, 420, 240});
  })) << m_foreign.Geometry().right;
  RECT rect{};
  ASSERT_TRUE(GetWindowRect(m_foreign.Handle(), &rect));
  EXPECT_EQ(rect.right - rect.left, 200);
  EXPECT_EQ(rect.bottom - rect.top, 100);
  RECT client{};
  ASSERT_TRUE(GetClientRect(m_foreign.Handle(), &client));
  EXPECT_TRUE(SameRect(client, RECT{0, 0, 200, 100}));
  // Screen points of both worlds agree: the foreign origin lies 10,20 into the host.
  POINT origin{0, 0};
  ASSERT_TRUE(ClientToScreen(m_foreign.Handle(), &origin));
  ASSERT_TRUE(ScreenToClient(m_host, &origin));
  EXPECT_EQ(origin.x, 10);
  EXPECT_EQ(origin.y, 20);
}

TEST_F(ScaledX11Embedding, AMaximisedForeignWindowFillsTheHostAndReadsBackItsLogicalSize) {
  ASSERT_TRUE(MoveWindow(m_foreign.Handle(), 0, 0, 50, 50, TRUE));
  ShowWindow(m_foreign.Handle(), SW_SHOWMAXIMIZED);
  EXPECT_TRUE(PumpUntil([&] {
    return SameRect(m_foreign.Geometry(), RECT{0, 0, 800, 600});
  })) << m_foreign.Geometry().left
      << "," << m_foreign.Geometry().top << "," << m_foreign.Geometry().right << ","
      << m_foreign.Geometry().bottom;
  RECT rect{};
  ASSERT_TRUE(GetWindowRect(m_foreign.Handle(), &rect));
  RECT host{};
  ASSERT_TRUE(GetClientRect(m_host, &host));
  EXPECT_EQ(rect.right - rect.left, host.right);
  EXPECT_EQ(rect.bottom - rect.top, host.bottom);
  // Centring it in the host with what it reads back (as the copies manager does) keeps it put.
  ASSERT_TRUE(MoveWindow(m_foreign.Handle(), (host.right - (rect.right - rect.left)) / 2,
                         (host.bottom - (rect.bottom - rect.top)) / 2, rect.right - rect.left,
                         rect.bottom - rect.top, TRUE));
  EXPECT_TRUE(PumpUntil([&] { return SameRect(m_foreign.Geometry(), RECT{0, 0, 800, 600}); }));
}

TEST_F(ScaledX11Embedding, SetWindowPosKeepsWhatItIsToldToKeep) {
  ASSERT_TRUE(MoveWindow(m_foreign.Handle(), 5, 5, 150, 75, TRUE));
  ASSERT_TRUE(PumpUntil([&] { return SameRect(m_foreign.Geometry(), RECT{10, 10, 310, 160}); }));
  ASSERT_TRUE(SetWindowPos(m_foreign.Handle(), nullptr, 30, 40, 0, 0, SWP_NOSIZE));
  EXPECT_TRUE(PumpUntil([&] { return SameRect(m_foreign.Geometry(), RECT{60, 80, 360, 230}); }));
  ASSERT_TRUE(SetWindowPos(m_foreign.Handle(), nullptr, 0, 0, 100, 60, SWP_NOMOVE));
  EXPECT_TRUE(PumpUntil([&] { return SameRect(m_foreign.Geometry(), RECT{60, 80, 260, 200}); }));
}

}  // namespace
