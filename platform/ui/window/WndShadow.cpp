// Own
#include "platform/ui/window/WndShadow.h"

// Project
#include "platform/log/Log.h"
#include "platform/ui/window/MessageLoop.h"
#include "platform/ui/window/OwnWindows_p.h"
#include "platform/ui/core/UIImage.h"
#include "platform/ui/core/PaintManagerUI.h"
#include "platform/ui/window/WindowHost_p.h"

// Qt
#include <QCoreApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QPainter>
#include <QPointer>
#include <QWidget>

// Standard
#include <algorithm>

namespace DuiLib {
namespace {

int s_enabled = -1;  // -1: not decided yet
std::string s_folder;

bool ShadowsEnabled() {
  if (s_enabled < 0) s_enabled = QGuiApplication::platformName() != QLatin1String("xcb") ? 1 : 0;
  return s_enabled == 1;
}

// Relative shadow pictures come from the skin folder, as the controls' pictures do.
std::string ImageFolder() {
  if (!s_folder.empty()) return s_folder;
  const CDuiString& skin = CPaintManagerUI::GetResourcePath();
  if (!skin.IsEmpty()) return skin.str();
  return QCoreApplication::applicationDirPath().toStdString() + "/skin/";
}

}  // namespace

struct CWndShadow::Impl final : public QObject {
  // The translucent window that shows the shadow.
  class CShadowWidget final : public QWidget {
   public:
    explicit CShadowWidget(Impl* owner)
        : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowTransparentForInput |
                               Qt::WindowDoesNotAcceptFocus),
          m_owner(owner) {
      setAttribute(Qt::WA_TranslucentBackground);
      setAttribute(Qt::WA_ShowWithoutActivating);
      setAttribute(Qt::WA_TransparentForMouseEvents);
    }

   protected:
    void paintEvent(QPaintEvent*) override { m_owner->Paint(*this); }

   private:
    Impl* m_owner;
  };

  HWND parent = nullptr;
  QPointer<CWindowHost> host;
  std::unique_ptr<CShadowWidget> widget;
  int size = -1;  // -1: the image's corners, else 5
  unsigned sharpness = 5;
  unsigned darkness = 200;
  int xOffset = 0;
  int yOffset = 0;
  DWORD color = 0;
  std::string image;
  RECT corner = {0, 0, 0, 0};

  ~Impl() override { Detach(); }

  // Extent of the shadow beyond the window on each side.
  RECT Extents() const {
    if (size >= 0) return RECT{size, size, size, size};
    if (!image.empty()) return corner;
    return RECT{5, 5, 5, 5};
  }

  bool ShouldShow() const {
    return host && host->isVisible() && !host->isMinimized() && !host->isMaximized();
  }

  QRect ShadowGeometry() const {
    if (!host) return {};
    const RECT window = host->WindowRect();
    const RECT e = Extents();
    return QRect(
        QPoint(window.left - e.left + xOffset, window.top - e.top + yOffset),
        QPoint(window.right + e.right + xOffset - 1, window.bottom + e.bottom + yOffset - 1));
  }

  void Update() {
    if (!widget) return;
    if (!ShouldShow()) {
      widget->hide();
      return;
    }
    widget->setGeometry(ShadowGeometry());
    if (!widget->isVisible()) widget->show();
    widget->update();
  }

  void Paint(QWidget& target) {
    QPainter painter(&target);
    const RECT all = {0, 0, target.width(), target.height()};
    if (!image.empty()) {
      TDrawInfo info;
      info.sImageName = image;
      info.rcCorner = corner;
      info.bHole = true;  // the window covers the middle
      if (DrawImage(painter, all, all, info, ImageFolder())) return;
    }
    PaintPlain(painter, target.rect());
  }

  // Rings of growing opacity towards the window.
  void PaintPlain(QPainter& painter, const QRect& area) {
    const RECT e = Extents();
    const int steps = std::max({e.left, e.top, e.right, e.bottom, 1});
    const QColor base(color & 0xFF, (color >> 8) & 0xFF, (color >> 16) & 0xFF);
    for (int i = 0; i < steps; ++i) {
      QColor ring = base;
      ring.setAlpha(
          static_cast<int>(darkness * (i + 1) / (steps * std::max(1u, sharpness / 2 + 1))));
      painter.setPen(ring);
      painter.drawRect(area.adjusted(i, i, -i - 1, -i - 1));
    }
  }

  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched == host.data()) {
      switch (event->type()) {
        case QEvent::Move:
        case QEvent::Resize:
        case QEvent::Show:
        case QEvent::Hide:
        case QEvent::WindowStateChange:
          Update();
          break;
        default:
          break;
      }
    }
    return false;
  }

  void Detach() {
    if (host) host->removeEventFilter(this);
    host.clear();
    widget.reset();
    parent = nullptr;
  }

  void Attach(HWND hwnd) {
    Detach();
    CWindowHost* target = COwnWindows::Instance().Host(hwnd);
    if (!target) {
      TC_LOG(TC_LOG_ERROR, "shadow for a window that is not ours");
      return;
    }
    parent = hwnd;
    host = target;
    host->installEventFilter(this);
    if (ShadowsEnabled()) widget = std::make_unique<CShadowWidget>(this);
    Update();
  }
};

CWndShadow::CWndShadow() : m_pImpl(std::make_unique<Impl>()) {}
CWndShadow::~CWndShadow() = default;

bool CWndShadow::Initialize(HINSTANCE /*hInstance*/) {
  InstallOwnWindowBackend();
  ShadowsEnabled();  // decided now; a desktop without shadows is no failure
  return true;
}

void CWndShadow::Enable(bool enable) {
  s_enabled = enable ? 1 : 0;
}

bool CWndShadow::IsEnabled() {
  InstallOwnWindowBackend();
  return ShadowsEnabled();
}

void CWndShadow::Create(HWND hParentWnd) {
  InstallOwnWindowBackend();
  m_pImpl->Attach(hParentWnd);
}

bool CWndShadow::SetSize(int newSize) {
  if (newSize < 0 || newSize > 40) return false;
  m_pImpl->size = newSize;
  m_pImpl->Update();
  return true;
}

bool CWndShadow::SetSharpness(unsigned int newSharpness) {
  if (newSharpness > 20) return false;
  m_pImpl->sharpness = newSharpness;
  m_pImpl->Update();
  return true;
}

bool CWndShadow::SetDarkness(unsigned int newDarkness) {
  if (newDarkness > 255) return false;
  m_pImpl->darkness = newDarkness;
  m_pImpl->Update();
  return true;
}

bool CWndShadow::SetPosition(int newXOffset, int newYOffset) {
  if (newXOffset < -20 || newXOffset > 20 || newYOffset < -20 || newYOffset > 20) return false;
  m_pImpl->xOffset = newXOffset;
  m_pImpl->yOffset = newYOffset;
  m_pImpl->Update();
  return true;
}

bool CWndShadow::SetColor(DWORD newColor) {
  m_pImpl->color = newColor;
  m_pImpl->Update();
  return true;
}

bool CWndShadow::SetImage(const char* image) {
  m_pImpl->image = image ? image : "";
  m_pImpl->Update();
  return true;
}

bool CWndShadow::SetShadowCorner(RECT corner) {
  if (corner.left < 0 || corner.top < 0 || corner.right < 0 || corner.bottom < 0) return false;
  m_pImpl->corner = corner;
  m_pImpl->Update();
  return true;
}

bool CWndShadow::SetImage(const char* image, RECT corner) {
  return SetShadowCorner(corner) && SetImage(image);
}

void CWndShadow::SetResourceFolder(const std::string& folder) {
  s_folder = folder;
}

QWidget* CWndShadow::GetWidget() const {
  return m_pImpl->widget.get();
}

RECT CWndShadow::GetShadowRect() const {
  if (!m_pImpl->widget || !m_pImpl->widget->isVisible()) return RECT{0, 0, 0, 0};
  const QRect g = m_pImpl->widget->geometry();
  return RECT{g.left(), g.top(), g.left() + g.width(), g.top() + g.height()};
}

HWND CWndShadow::GetParentWnd() const {
  return m_pImpl->parent;
}

}  // namespace DuiLib
