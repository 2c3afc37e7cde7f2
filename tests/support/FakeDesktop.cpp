#include "tests/support/FakeDesktop.h"

#include "platform/win32/Input.h"
#include "platform/win32/Window.h"

#include <algorithm>
#include <cstdio>

namespace testing_support {
namespace {

std::string KeyName(long long vk) {
  switch (vk) {
    case VK_CONTROL:
      return "Ctrl";
    case VK_MENU:
      return "Alt";
    case VK_SHIFT:
      return "Shift";
    case VK_DELETE:
      return "Del";
    default:
      break;
  }
  if ((vk >= 'A' && vk <= 'Z') || (vk >= '0' && vk <= '9')) return std::string(1, char(vk));
  char text[16];
  std::snprintf(text, sizeof text, "VK%02llX", vk);
  return text;
}

}  // namespace

FakeDesktop::FakeDesktop() = default;
FakeDesktop::~FakeDesktop() = default;

HWND FakeDesktop::AddWindow(const std::string& className, DWORD pid, RECT rect, bool visible,
                            HWND owner) {
  std::lock_guard<std::mutex> lock(m_mutex);
  HWND hwnd = ULong32ToHandle(m_nNextId++);
  TWindow window;
  window.strClass = className;
  window.dwPid = pid;
  window.hOwner = owner;
  window.bVisible = visible;
  window.rcWindow = rect;
  m_mapWindows[HandleToULong32(hwnd)] = window;
  m_vecStacking.push_back(hwnd);
  Changed();
  return hwnd;
}

void FakeDesktop::RemoveWindow(HWND hwnd) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_mapWindows.erase(HandleToULong32(hwnd));
  std::erase(m_vecStacking, hwnd);
  Changed();
}

void FakeDesktop::SetVisible(HWND hwnd, bool visible) {
  std::lock_guard<std::mutex> lock(m_mutex);
  auto it = m_mapWindows.find(HandleToULong32(hwnd));
  if (it == m_mapWindows.end()) return;
  it->second.bVisible = visible;
  Changed();
}

bool FakeDesktop::GetWindow(HWND hwnd, TWindow& window) const {
  std::lock_guard<std::mutex> lock(m_mutex);
  auto it = m_mapWindows.find(HandleToULong32(hwnd));
  if (it == m_mapWindows.end()) return false;
  window = it->second;
  return true;
}

void FakeDesktop::SetParentClientSize(unsigned long parentId, int width, int height) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_mapParentSizes[parentId] = SIZE{width, height};
}

int FakeDesktop::EnumerationCount() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_nEnumerations;
}

std::vector<FakeDesktop::TCall> FakeDesktop::Calls() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_vecCalls;
}

void FakeDesktop::ClearCalls() {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_vecCalls.clear();
}

std::string FakeDesktop::KeyJournal() const {
  std::string journal;
  for (const TCall& call : Calls()) {
    if (call.strKind != "key") continue;
    if (!journal.empty()) journal += ' ';
    journal += KeyName(call.nArg1) + (call.nArg2 ? "-" : "+");
  }
  return journal;
}

std::u16string FakeDesktop::ClipboardText() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_strClipboardText;
}

bool FakeDesktop::ClipboardHasImage() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_bClipboardImage;
}

win32::TBitmapPixels FakeDesktop::ClipboardImage() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_clipboardImage;
}

std::vector<HWND> FakeDesktop::TopLevelWindows() {
  std::lock_guard<std::mutex> lock(m_mutex);
  ++m_nEnumerations;
  std::vector<HWND> windows;
  for (auto it = m_vecStacking.rbegin(); it != m_vecStacking.rend(); ++it) {
    if (m_mapWindows.at(HandleToULong32(*it)).nParentId == 0) windows.push_back(*it);
  }
  return windows;
}

std::vector<HWND> FakeDesktop::Children(unsigned long parentId) {
  std::lock_guard<std::mutex> lock(m_mutex);
  std::vector<HWND> windows;
  for (auto it = m_vecStacking.rbegin(); it != m_vecStacking.rend(); ++it) {
    if (m_mapWindows.at(HandleToULong32(*it)).nParentId == parentId) windows.push_back(*it);
  }
  return windows;
}

void FakeDesktop::Raise(HWND hwnd) {
  auto it = std::find(m_vecStacking.begin(), m_vecStacking.end(), hwnd);
  if (it != m_vecStacking.end()) std::rotate(it, std::next(it), m_vecStacking.end());
}

bool FakeDesktop::Exists(HWND hwnd) {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_mapWindows.count(HandleToULong32(hwnd)) != 0;
}

std::string FakeDesktop::ClassName(HWND hwnd) {
  TWindow window;
  return GetWindow(hwnd, window) ? window.strClass : std::string();
}

DWORD FakeDesktop::ProcessId(HWND hwnd) {
  TWindow window;
  return GetWindow(hwnd, window) ? window.dwPid : 0;
}

bool FakeDesktop::IsVisible(HWND hwnd) {
  TWindow window;
  return GetWindow(hwnd, window) && window.bVisible;
}

HWND FakeDesktop::Owner(HWND hwnd) {
  TWindow window;
  return GetWindow(hwnd, window) ? window.hOwner : nullptr;
}

unsigned long FakeDesktop::ParentId(HWND hwnd) {
  TWindow window;
  return GetWindow(hwnd, window) ? window.nParentId : 0;
}

bool FakeDesktop::GetRect(HWND hwnd, RECT* rect) {
  TWindow window;
  if (!rect || !GetWindow(hwnd, window)) return false;
  *rect = window.rcWindow;
  return true;
}

bool FakeDesktop::GetLocalRect(HWND hwnd, RECT* rect) {
  return GetRect(hwnd, rect);
}

unsigned long FakeDesktop::RootId() {
  return 1;
}

bool FakeDesktop::Show(HWND hwnd, int cmd) {
  std::lock_guard<std::mutex> lock(m_mutex);
  auto it = m_mapWindows.find(HandleToULong32(hwnd));
  if (it == m_mapWindows.end()) return false;
  TWindow& window = it->second;
  window.bVisible = cmd != SW_HIDE && cmd != SW_MINIMIZE;
  window.bMaximized = cmd == SW_SHOWMAXIMIZED;
  // As on the X server: an embedded window shown again is raised above its siblings.
  if (window.bVisible && window.nParentId != 0) Raise(hwnd);
  auto parent = m_mapParentSizes.find(window.nParentId);
  if (window.bMaximized && window.nParentId != 0 && parent != m_mapParentSizes.end())
    window.rcWindow = RECT{0, 0, parent->second.cx, parent->second.cy};
  Record("show", hwnd, cmd, 0, 0, 0);
  Changed();
  return true;
}

bool FakeDesktop::Reparent(HWND hwnd, unsigned long parentId) {
  std::lock_guard<std::mutex> lock(m_mutex);
  auto it = m_mapWindows.find(HandleToULong32(hwnd));
  if (it == m_mapWindows.end()) return false;
  it->second.nParentId = parentId;
  Raise(hwnd);  // a re-parented window lands on top of its new siblings
  Record("reparent", hwnd, static_cast<long long>(parentId), 0, 0, 0);
  Changed();
  return true;
}

bool FakeDesktop::Move(HWND hwnd, int x, int y, int width, int height) {
  std::lock_guard<std::mutex> lock(m_mutex);
  auto it = m_mapWindows.find(HandleToULong32(hwnd));
  if (it == m_mapWindows.end()) return false;
  it->second.rcWindow = RECT{x, y, x + width, y + height};
  Record("move", hwnd, x, y, width, height);
  return true;
}

bool FakeDesktop::Activate(HWND hwnd) {
  std::lock_guard<std::mutex> lock(m_mutex);
  if (!m_mapWindows.count(HandleToULong32(hwnd))) return false;
  Record("activate", hwnd, 0, 0, 0, 0);
  return true;
}

bool FakeDesktop::Close(HWND hwnd) {
  std::lock_guard<std::mutex> lock(m_mutex);
  if (!m_mapWindows.count(HandleToULong32(hwnd))) return false;
  Record("close", hwnd, 0, 0, 0, 0);
  return true;
}

bool FakeDesktop::Click(HWND hwnd, int x, int y, bool down) {
  std::lock_guard<std::mutex> lock(m_mutex);
  if (!m_mapWindows.count(HandleToULong32(hwnd))) return false;
  Record("click", hwnd, x, y, down ? 1 : 0, 0);
  return true;
}

bool FakeDesktop::TypeCharacter(HWND hwnd, char32_t character) {
  std::lock_guard<std::mutex> lock(m_mutex);
  Record("char", hwnd, static_cast<long long>(character), 0, 0, 0);
  return true;
}

bool FakeDesktop::Key(BYTE vk, bool up) {
  std::lock_guard<std::mutex> lock(m_mutex);
  Record("key", nullptr, vk, up ? 1 : 0, 0, 0);
  return true;
}

bool FakeDesktop::SetClipboardText(const std::u16string& text) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_strClipboardText = text;
  m_bClipboardImage = false;
  m_bClipboardText = true;
  Record("clipboard-text", nullptr, 0, 0, 0, 0, text);
  return true;
}

bool FakeDesktop::SetClipboardImage(const win32::TBitmapPixels& image) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_strClipboardText.clear();
  m_clipboardImage = image;
  m_bClipboardImage = true;
  m_bClipboardText = false;
  Record("clipboard-image", nullptr, image.nWidth, image.nHeight, 0, 0);
  return true;
}

bool FakeDesktop::WaitClipboardFetched(DWORD) {
  std::lock_guard<std::mutex> lock(m_mutex);
  Record("clipboard-wait", nullptr, 0, 0, 0, 0);
  return true;
}

bool FakeDesktop::GetClipboardText(std::u16string& text) {
  std::lock_guard<std::mutex> lock(m_mutex);
  if (!m_bClipboardText) return false;
  text = m_strClipboardText;
  return true;
}

bool FakeDesktop::GetClipboardImage(win32::TBitmapPixels& image) {
  std::lock_guard<std::mutex> lock(m_mutex);
  if (!m_bClipboardImage) return false;
  image = m_clipboardImage;
  return true;
}

bool FakeDesktop::ClearClipboard() {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_strClipboardText.clear();
  m_bClipboardText = m_bClipboardImage = false;
  Record("clipboard-clear", nullptr, 0, 0, 0, 0);
  return true;
}

std::uint64_t FakeDesktop::ChangeCount() {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_nChanges;
}

bool FakeDesktop::WaitForChange(std::uint64_t seen, DWORD milliseconds) {
  std::unique_lock<std::mutex> lock(m_mutex);
  return m_cvChange.wait_for(lock, std::chrono::milliseconds(milliseconds),
                             [&] { return m_nChanges != seen; });
}

void FakeDesktop::Record(const char* kind, HWND hwnd, long long arg1, long long arg2,
                         long long arg3, long long arg4, std::u16string text) {
  TCall call;
  call.tpWhen = std::chrono::steady_clock::now();
  call.strKind = kind;
  call.hWnd = hwnd;
  call.nArg1 = arg1;
  call.nArg2 = arg2;
  call.nArg3 = arg3;
  call.nArg4 = arg4;
  call.strText = std::move(text);
  m_vecCalls.push_back(std::move(call));
}

void FakeDesktop::Changed() {
  ++m_nChanges;
  m_cvChange.notify_all();
}

}  // namespace testing_support
