// Paint manager: shared resources, the control tree and its name map, focus, capture,
// timers, notifiers and filters. Messages and painting are in PaintManagerEvents.cpp.
#include "platform/ui/core/PaintManagerUI.h"

#include "platform/log/Log.h"
#include "platform/ui/core/ControlUI.h"
#include "platform/ui/core/UIImage.h"
#include "platform/ui/core/WindowSystem_p.h"
#include "platform/win32/Files.h"

#include <QObject>
#include <QTimer>
#include <QWidget>

#include <algorithm>
#include <chrono>
#include <strings.h>
#include <climits>
#include <unistd.h>

namespace DuiLib {
namespace {

// What the windows of the process share: set at start-up, read by every manager.
struct TSharedResources {
  HINSTANCE instance = nullptr;
  CDuiString instancePath;
  CDuiString resourcePath;
  std::vector<CPaintManagerUI*> managers;
};

TSharedResources& shared() {
  static TSharedResources resources;
  return resources;
}

CDuiString withSlash(std::string path) {
  std::replace(path.begin(), path.end(), '\\', '/');
  if (!path.empty() && path.back() != '/') path += '/';
  return CDuiString(path);
}

}  // namespace

struct CPaintManagerUI::Impl {
  // Owner of the callbacks queued on the event loop; destroying it cancels them.
  QObject context;
  std::map<std::pair<CControlUI*, UINT>, std::unique_ptr<QTimer>> timers;
  std::vector<CControlUI*> delayedCleanup;
  bool asyncScheduled = false;
  bool cleanupScheduled = false;
};

CPaintManagerUI::CPaintManagerUI() : m_pImpl(std::make_unique<Impl>()) {
  m_DefaultFont.sFontName = "";
  m_DefaultFont.iSize = 12;
}

CPaintManagerUI::~CPaintManagerUI() {
  auto& managers = shared().managers;
  managers.erase(std::remove(managers.begin(), managers.end(), this), managers.end());
  RemoveAllTimers();
  m_aAsyncNotify.clear();
  m_aNotifiers.clear();
  m_aMessageFilters.clear();
  m_aPreMessageFilters.clear();
  CControlUI* root = m_pRoot;
  m_pRoot = nullptr;
  delete root;
  for (CControlUI* control : std::exchange(m_pImpl->delayedCleanup, {})) delete control;
  // Controls still pointing here (removed with bDoNotDestroy) must not call back.
  m_mNameHash.clear();
}

void CPaintManagerUI::Init(HWND hWnd, LPCSTR pstrName) {
  WindowSystem().SetPreTranslateHook(&CPaintManagerUI::TranslateMessage);
  m_hWndPaint = hWnd;
  m_sName = pstrName;
  auto& managers = shared().managers;
  if (std::find(managers.begin(), managers.end(), this) == managers.end()) managers.push_back(this);
  if (m_nOpacity != 255) SetOpacity(m_nOpacity);
}

HWND CPaintManagerUI::GetPaintWindow() const {
  return m_hWndPaint;
}
CDuiString CPaintManagerUI::GetName() const {
  return m_sName;
}

void CPaintManagerUI::SetInstance(HINSTANCE hInst) {
  WindowSystem().Install();
  WindowSystem().SetPreTranslateHook(&CPaintManagerUI::TranslateMessage);
  shared().instance = hInst;
}

HINSTANCE CPaintManagerUI::GetInstance() {
  return shared().instance;
}

CDuiString CPaintManagerUI::GetInstancePath() {
  if (shared().instancePath.IsEmpty()) shared().instancePath = withSlash(win32::ProgramFolder());
  return shared().instancePath;
}

CDuiString CPaintManagerUI::GetCurrentPath() {
  char buffer[4096];
  if (!::getcwd(buffer, sizeof(buffer))) return CDuiString("./");
  return withSlash(buffer);
}

void CPaintManagerUI::SetResourcePath(LPCSTR pStrPath) {
  shared().resourcePath = (pStrPath && *pStrPath) ? withSlash(pStrPath) : CDuiString();
}

const CDuiString& CPaintManagerUI::GetResourcePath() {
  if (shared().resourcePath.IsEmpty()) return shared().instancePath = GetInstancePath();
  return shared().resourcePath;
}

int CPaintManagerUI::MessageLoop() {
  WindowSystem().Install();
  return WindowSystem().RunMessageLoop();
}

void CPaintManagerUI::Term() {
  CImageCache::Instance().Clear();
}

const std::vector<CPaintManagerUI*>& CPaintManagerUI::GetPaintManagers() {
  return shared().managers;
}

SIZE CPaintManagerUI::GetInitSize() const {
  return m_szInitWindowSize;
}
void CPaintManagerUI::SetInitSize(int cx, int cy) {
  m_szInitWindowSize = SIZE{cx, cy};
  if (!m_pRoot && cx > 0 && cy > 0) {
    if (CWindowWnd* window = GetWindow()) WindowSystem().ResizeClient(window, cx, cy);
  }
}
RECT& CPaintManagerUI::GetSizeBox() {
  return m_rcSizeBox;
}
void CPaintManagerUI::SetSizeBox(RECT& rcSizeBox) {
  m_rcSizeBox = rcSizeBox;
}
RECT& CPaintManagerUI::GetCaptionRect() {
  return m_rcCaption;
}
void CPaintManagerUI::SetCaptionRect(RECT& rcCaption) {
  m_rcCaption = rcCaption;
}
SIZE CPaintManagerUI::GetRoundCorner() const {
  return m_szRoundCorner;
}
void CPaintManagerUI::SetRoundCorner(int cx, int cy) {
  m_szRoundCorner = SIZE{cx, cy};
}
SIZE CPaintManagerUI::GetMinInfo() const {
  return m_szMinWindow;
}
void CPaintManagerUI::SetMinInfo(int cx, int cy) {
  m_szMinWindow = SIZE{cx, cy};
}
SIZE CPaintManagerUI::GetMaxInfo() const {
  return m_szMaxWindow;
}
void CPaintManagerUI::SetMaxInfo(int cx, int cy) {
  m_szMaxWindow = SIZE{cx, cy};
}

void CPaintManagerUI::SetOpacity(BYTE nOpacity) {
  m_nOpacity = nOpacity;
  if (CWindowWnd* window = GetWindow()) WindowSystem().SetOpacity(window, nOpacity);
}

BYTE CPaintManagerUI::GetOpacity() const {
  return m_nOpacity;
}

int CPaintManagerUI::AddFont(const TFontInfo& font, bool bDefault, int id) {
  if (bDefault) m_DefaultFont = font;
  if (id < 0 || id > 1000) {
    m_aFonts.push_back(font);
    return static_cast<int>(m_aFonts.size()) - 1;
  }
  // Gaps below id get the default font.
  if (static_cast<int>(m_aFonts.size()) <= id)
    m_aFonts.resize(static_cast<size_t>(id) + 1, m_DefaultFont);
  m_aFonts[static_cast<size_t>(id)] = font;
  return id;
}

const TFontInfo& CPaintManagerUI::GetFontInfo(int index) const {
  if (index < 0 || index >= static_cast<int>(m_aFonts.size())) return m_DefaultFont;
  return m_aFonts[static_cast<size_t>(index)];
}

int CPaintManagerUI::GetFontCount() const {
  return static_cast<int>(m_aFonts.size());
}
void CPaintManagerUI::SetDefaultFont(const TFontInfo& font) {
  m_DefaultFont = font;
}

void CPaintManagerUI::AddDefaultAttributeList(LPCSTR pStrControlName, LPCSTR pStrControlAttrList) {
  if (!pStrControlName || !pStrControlAttrList) return;
  std::string key(pStrControlName);
  std::transform(key.begin(), key.end(), key.begin(),
                 [](unsigned char c) { return std::tolower(c); });
  m_mDefaultAttrs[key] = pStrControlAttrList;
}

LPCSTR CPaintManagerUI::GetDefaultAttributeList(LPCSTR pStrControlName) const {
  if (!pStrControlName) return nullptr;
  std::string key(pStrControlName);
  std::transform(key.begin(), key.end(), key.begin(),
                 [](unsigned char c) { return std::tolower(c); });
  const auto it = m_mDefaultAttrs.find(key);
  return it == m_mDefaultAttrs.end() ? nullptr : it->second.GetData();
}

bool CPaintManagerUI::AttachDialog(CControlUI* pControl) {
  if (!pControl) return false;
  SetFocus(nullptr);
  m_pEventKey = m_pEventHover = m_pEventClick = nullptr;
  if (m_pRoot && m_pRoot != pControl) {
    CControlUI* old = m_pRoot;
    m_pRoot = nullptr;
    AddDelayedCleanup(old);
  }
  m_pRoot = pControl;
  m_bUpdateNeeded = true;
  pControl->SetManager(this, nullptr, true);
  return InitControls(pControl);
}

CControlUI* CPaintManagerUI::GetRoot() const {
  return m_pRoot;
}

bool CPaintManagerUI::InitControls(CControlUI* pControl, CControlUI*) {
  if (!pControl) return false;
  const CDuiString name = pControl->GetName();
  if (name.IsEmpty()) return true;
  auto& list = m_mNameHash[name.str()];
  if (std::find(list.begin(), list.end(), pControl) == list.end()) list.push_back(pControl);
  return true;
}

void CPaintManagerUI::RenameControl(CControlUI* pControl, const CDuiString& oldName) {
  auto it = m_mNameHash.find(oldName.str());
  if (it != m_mNameHash.end()) {
    auto& list = it->second;
    list.erase(std::remove(list.begin(), list.end(), pControl), list.end());
    if (list.empty()) m_mNameHash.erase(it);
  }
  InitControls(pControl);
}

void CPaintManagerUI::ReapObjects(CControlUI* pControl) {
  if (!pControl) return;
  if (pControl == m_pEventKey) m_pEventKey = nullptr;
  if (pControl == m_pEventHover) m_pEventHover = nullptr;
  if (pControl == m_pEventClick) m_pEventClick = nullptr;
  if (pControl == m_pFocus) m_pFocus = nullptr;
  if (pControl == m_pRoot) m_pRoot = nullptr;
  KillTimer(pControl);
  for (auto group = m_mOptionGroup.begin(); group != m_mOptionGroup.end();) {
    auto& members = group->second;
    members.erase(std::remove(members.begin(), members.end(), pControl), members.end());
    if (members.empty())
      group = m_mOptionGroup.erase(group);
    else
      ++group;
  }
  const CDuiString name = pControl->GetName();
  auto it = m_mNameHash.find(name.str());
  if (it != m_mNameHash.end()) {
    auto& list = it->second;
    list.erase(std::remove(list.begin(), list.end(), pControl), list.end());
    if (list.empty()) m_mNameHash.erase(it);
  }
  for (TNotifyUI& msg : m_aAsyncNotify)
    if (msg.pSender == pControl) msg.pSender = nullptr;
}

void CPaintManagerUI::AddDelayedCleanup(CControlUI* pControl) {
  if (!pControl) return;
  // Leaving the manager reaps the control and its children: no name, focus, timer or
  // queued notification refers to them any more.
  pControl->SetManager(nullptr, nullptr, false);
  m_pImpl->delayedCleanup.push_back(pControl);
  if (m_pImpl->cleanupScheduled) return;
  m_pImpl->cleanupScheduled = true;
  QTimer::singleShot(0, &m_pImpl->context, [this] {
    m_pImpl->cleanupScheduled = false;
    for (CControlUI* control : std::exchange(m_pImpl->delayedCleanup, {})) delete control;
  });
}

CControlUI* CPaintManagerUI::FindControl(LPCSTR pstrName) const {
  if (!pstrName) return nullptr;
  const auto it = m_mNameHash.find(pstrName);
  if (it == m_mNameHash.end() || it->second.empty()) return nullptr;
  return it->second.front();
}

namespace {

CControlUI* matchPoint(CControlUI* control, void* data) {
  const POINT* pt = static_cast<const POINT*>(data);
  const RECT& rc = control->GetPos();
  return (pt->x >= rc.left && pt->x < rc.right && pt->y >= rc.top && pt->y < rc.bottom) ? control
                                                                                        : nullptr;
}

CControlUI* matchClickable(CControlUI* control, void* data) {
  return matchPoint(control, data) && CPaintManagerUI::TakesClicks(control) ? control : nullptr;
}

struct TNameQuery {
  const char* name;
};

CControlUI* matchName(CControlUI* control, void* data) {
  const auto* query = static_cast<TNameQuery*>(data);
  return control->GetName() == query->name ? control : nullptr;
}

struct TClassQuery {
  const char* className;
  int index;
};

CControlUI* matchClass(CControlUI* control, void* data) {
  auto* query = static_cast<TClassQuery*>(data);
  if (strcasecmp(control->GetClass(), query->className) != 0) return nullptr;
  return query->index-- == 0 ? control : nullptr;
}

}  // namespace

bool CPaintManagerUI::TakesClicks(CControlUI* control) {
  if (!control) return false;
  for (const char* kind :
       {DUI_CTR_BUTTON, DUI_CTR_EDIT, DUI_CTR_RICHEDIT, DUI_CTR_SCROLLBAR, DUI_CTR_LISTITEM})
    if (control->GetInterface(kind)) return true;
  return control->GetInterface(DUI_CTR_TEXT) && (control->GetControlFlags() & UIFLAG_SETCURSOR);
}

CControlUI* CPaintManagerUI::FindControl(POINT pt) const {
  if (!m_pRoot) return nullptr;
  const_cast<CPaintManagerUI*>(this)->UpdateLayout();
  constexpr UINT kFlags = UIFIND_VISIBLE | UIFIND_HITTEST | UIFIND_TOP_FIRST;
  CControlUI* found = m_pRoot->FindControl(matchPoint, &pt, kFlags);
  if (found && !TakesClicks(found) && InCaption(pt)) {
    // Skins lay plain containers over the caption (a tab strip, a spacer) that reach over the
    // caption's buttons: a control that takes clicks wins wherever it is in the tree.
    if (CControlUI* clickable = m_pRoot->FindControl(matchClickable, &pt, kFlags)) return clickable;
  }
  return found;
}

bool CPaintManagerUI::InCaption(POINT pt) const {
  if (!m_pRoot) return false;
  const RECT& client = m_pRoot->GetPos();
  const RECT area{client.left + m_rcCaption.left, client.top + m_rcCaption.top,
                  client.right - m_rcCaption.right, client.top + m_rcCaption.bottom};
  return pt.x >= area.left && pt.x < area.right && pt.y >= area.top && pt.y < area.bottom;
}

CControlUI* CPaintManagerUI::FindSubControlByPoint(CControlUI* pParent, POINT pt) const {
  if (!pParent) pParent = m_pRoot;
  if (!pParent) return nullptr;
  return pParent->FindControl(matchPoint, &pt, UIFIND_VISIBLE | UIFIND_HITTEST | UIFIND_TOP_FIRST);
}

CControlUI* CPaintManagerUI::FindSubControlByName(CControlUI* pParent, LPCSTR pstrName) const {
  if (!pParent) pParent = m_pRoot;
  if (!pParent || !pstrName) return nullptr;
  TNameQuery query{pstrName};
  return pParent->FindControl(matchName, &query, UIFIND_ALL);
}

CControlUI* CPaintManagerUI::FindSubControlByClass(CControlUI* pParent, LPCSTR pstrClass,
                                                   int iIndex) {
  if (!pParent) pParent = m_pRoot;
  if (!pParent || !pstrClass) return nullptr;
  TClassQuery query{pstrClass, iIndex};
  return pParent->FindControl(matchClass, &query, UIFIND_ALL);
}

bool CPaintManagerUI::AddOptionGroup(LPCSTR pStrGroupName, CControlUI* pControl) {
  if (!pStrGroupName || !*pStrGroupName || !pControl) return false;
  auto& group = m_mOptionGroup[pStrGroupName];
  if (std::find(group.begin(), group.end(), pControl) != group.end()) return false;
  group.push_back(pControl);
  return true;
}

const std::vector<CControlUI*>* CPaintManagerUI::GetOptionGroup(LPCSTR pStrGroupName) const {
  if (!pStrGroupName) return nullptr;
  const auto it = m_mOptionGroup.find(pStrGroupName);
  return it == m_mOptionGroup.end() ? nullptr : &it->second;
}

void CPaintManagerUI::RemoveOptionGroup(LPCSTR pStrGroupName, CControlUI* pControl) {
  if (!pStrGroupName) return;
  const auto it = m_mOptionGroup.find(pStrGroupName);
  if (it == m_mOptionGroup.end()) return;
  auto& group = it->second;
  group.erase(std::remove(group.begin(), group.end(), pControl), group.end());
  if (group.empty()) m_mOptionGroup.erase(it);
}

void CPaintManagerUI::RemoveAllOptionGroups() {
  m_mOptionGroup.clear();
}

CControlUI* CPaintManagerUI::GetFocus() const {
  return m_pFocus;
}

void CPaintManagerUI::SetFocus(CControlUI* pControl) {
  if (pControl == m_pFocus) return;
  if (m_pFocus) {
    CControlUI* old = m_pFocus;
    SendEvent(old, UIEVENT_KILLFOCUS, m_ptLastMousePos, 0);
    // The event handler may have moved the focus already.
    if (m_pFocus == old) {
      m_pFocus = nullptr;
      SendNotify(old, DUI_MSGTYPE_KILLFOCUS);
    }
  }
  if (!pControl || pControl->GetManager() != this || !pControl->IsVisible() ||
      !pControl->IsEnabled())
    return;
  m_pFocus = pControl;
  SendEvent(pControl, UIEVENT_SETFOCUS, m_ptLastMousePos, 0);
  if (m_pFocus == pControl) SendNotify(pControl, DUI_MSGTYPE_SETFOCUS);
}

void CPaintManagerUI::SetFocusNeeded(CControlUI* pControl) {
  m_bFocusNeeded = true;
  SetFocus(pControl);
}

void CPaintManagerUI::SetCapture() {
  m_bMouseCapture = true;
}
void CPaintManagerUI::ReleaseCapture() {
  m_bMouseCapture = false;
}
bool CPaintManagerUI::IsCaptured() const {
  return m_bMouseCapture;
}
POINT CPaintManagerUI::GetMousePos() const {
  return m_ptLastMousePos;
}

bool CPaintManagerUI::SetTimer(CControlUI* pControl, UINT nTimerID, UINT uElapse) {
  if (!pControl) return false;
  auto& timer = m_pImpl->timers[{pControl, nTimerID}];
  if (!timer) {
    timer = std::make_unique<QTimer>();
    QObject::connect(timer.get(), &QTimer::timeout, &m_pImpl->context, [this, pControl, nTimerID] {
      SendEvent(pControl, UIEVENT_TIMER, m_ptLastMousePos, nTimerID);
    });
  }
  timer->start(static_cast<int>(std::min<UINT>(uElapse, INT_MAX)));
  return true;
}

bool CPaintManagerUI::KillTimer(CControlUI* pControl, UINT nTimerID) {
  return m_pImpl->timers.erase({pControl, nTimerID}) > 0;
}

void CPaintManagerUI::KillTimer(CControlUI* pControl) {
  auto& timers = m_pImpl->timers;
  for (auto it = timers.begin(); it != timers.end();) {
    if (it->first.first == pControl)
      it = timers.erase(it);
    else
      ++it;
  }
}

void CPaintManagerUI::RemoveAllTimers() {
  m_pImpl->timers.clear();
}

bool CPaintManagerUI::AddNotifier(INotifyUI* pControl) {
  if (!pControl ||
      std::find(m_aNotifiers.begin(), m_aNotifiers.end(), pControl) != m_aNotifiers.end())
    return false;
  m_aNotifiers.push_back(pControl);
  return true;
}

bool CPaintManagerUI::RemoveNotifier(INotifyUI* pControl) {
  const auto it = std::find(m_aNotifiers.begin(), m_aNotifiers.end(), pControl);
  if (it == m_aNotifiers.end()) return false;
  m_aNotifiers.erase(it);
  return true;
}

void CPaintManagerUI::SendNotify(CControlUI* pControl, LPCSTR pstrMessage, WPARAM wParam,
                                 LPARAM lParam, bool bAsync) {
  TNotifyUI msg;
  msg.pSender = pControl;
  msg.sType = pstrMessage;
  msg.wParam = wParam;
  msg.lParam = lParam;
  SendNotify(msg, bAsync);
}

void CPaintManagerUI::SendNotify(TNotifyUI& Msg, bool bAsync) {
  Msg.ptMouse = m_ptLastMousePos;
  Msg.dwTimestamp = static_cast<DWORD>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                           std::chrono::steady_clock::now().time_since_epoch())
                                           .count());
  if (bAsync) {
    m_aAsyncNotify.push_back(Msg);
    if (!m_pImpl->asyncScheduled) {
      m_pImpl->asyncScheduled = true;
      QTimer::singleShot(0, &m_pImpl->context, [this] { FlushAsyncNotify(); });
    }
    return;
  }
  // A notifier may add or remove notifiers while it runs: walk a copy, skip the removed.
  const std::vector<INotifyUI*> notifiers = m_aNotifiers;
  for (INotifyUI* notifier : notifiers) {
    if (std::find(m_aNotifiers.begin(), m_aNotifiers.end(), notifier) == m_aNotifiers.end())
      continue;
    notifier->Notify(Msg);
  }
}

void CPaintManagerUI::FlushAsyncNotify() {
  m_pImpl->asyncScheduled = false;
  std::vector<TNotifyUI> pending = std::exchange(m_aAsyncNotify, {});
  for (TNotifyUI& msg : pending) {
    if (!msg.pSender) continue;  // the sender went away meanwhile
    const std::vector<INotifyUI*> notifiers = m_aNotifiers;
    for (INotifyUI* notifier : notifiers) {
      if (std::find(m_aNotifiers.begin(), m_aNotifiers.end(), notifier) == m_aNotifiers.end())
        continue;
      notifier->Notify(msg);
    }
  }
}

bool CPaintManagerUI::AddMessageFilter(IMessageFilterUI* pFilter) {
  if (!pFilter || std::find(m_aMessageFilters.begin(), m_aMessageFilters.end(), pFilter) !=
                      m_aMessageFilters.end())
    return false;
  m_aMessageFilters.push_back(pFilter);
  return true;
}

bool CPaintManagerUI::RemoveMessageFilter(IMessageFilterUI* pFilter) {
  const auto it = std::find(m_aMessageFilters.begin(), m_aMessageFilters.end(), pFilter);
  if (it == m_aMessageFilters.end()) return false;
  m_aMessageFilters.erase(it);
  return true;
}

bool CPaintManagerUI::AddPreMessageFilter(IMessageFilterUI* pFilter) {
  if (!pFilter || std::find(m_aPreMessageFilters.begin(), m_aPreMessageFilters.end(), pFilter) !=
                      m_aPreMessageFilters.end())
    return false;
  m_aPreMessageFilters.push_back(pFilter);
  return true;
}

bool CPaintManagerUI::RemovePreMessageFilter(IMessageFilterUI* pFilter) {
  const auto it = std::find(m_aPreMessageFilters.begin(), m_aPreMessageFilters.end(), pFilter);
  if (it == m_aPreMessageFilters.end()) return false;
  m_aPreMessageFilters.erase(it);
  return true;
}

bool CPaintManagerUI::PreMessageHandler(UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& lRes) {
  const std::vector<IMessageFilterUI*> filters = m_aPreMessageFilters;
  for (IMessageFilterUI* filter : filters) {
    bool handled = false;
    const LRESULT result = filter->MessageHandler(uMsg, wParam, lParam, handled);
    if (handled) {
      lRes = result;
      return true;
    }
  }
  return false;
}

bool CPaintManagerUI::TranslateMessage(const MSG* pMsg) {
  if (!pMsg) return false;
  // The window of the message and its parents, innermost first.
  int depth = 0;
  for (HWND hwnd = pMsg->hwnd; hwnd && depth < 32; hwnd = ::GetParent(hwnd), ++depth) {
    const std::vector<CPaintManagerUI*> managers = shared().managers;
    for (CPaintManagerUI* manager : managers) {
      if (manager->GetPaintWindow() != hwnd) continue;
      LRESULT result = 0;
      if (manager->PreMessageHandler(pMsg->message, pMsg->wParam, pMsg->lParam, result))
        return true;
    }
  }
  return false;
}

CWindowWnd* CPaintManagerUI::GetWindow() const {
  return m_hWndPaint ? WindowSystem().FromHandle(m_hWndPaint) : nullptr;
}

QWidget* CPaintManagerUI::GetHostWidget() const {
  CWindowWnd* window = GetWindow();
  return window ? WindowSystem().Widget(window) : nullptr;
}

}  // namespace DuiLib
