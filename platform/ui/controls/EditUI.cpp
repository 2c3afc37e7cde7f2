#include "platform/ui/controls/EditUI.h"

#include "platform/ui/core/AttributeParser.h"
#include "platform/ui/core/AttributeTable_p.h"
#include "platform/ui/core/PaintManagerUI.h"
#include "platform/ui/core/RenderEngine.h"
#include "platform/ui/core/RenderQt_p.h"

#include <QLineEdit>
#include <QPointer>

#include <cstring>

namespace DuiLib {

struct CEditUI::Impl {
  QPointer<QLineEdit> editor;
};

namespace {

QString editorStyleSheet(DWORD textColor, DWORD bkColor, char passwordChar) {
  const QColor text = ToTextColor(textColor);
  const QColor bk = ToQColor(bkColor ? bkColor : 0xFFFFFFFF);
  return QStringLiteral(
             "QLineEdit{border:none;padding:0;color:%1;background-color:%2;"
             "lineedit-password-character:%3;}")
      .arg(text.name(QColor::HexArgb), bk.name(QColor::HexArgb))
      .arg(static_cast<int>(static_cast<unsigned char>(passwordChar)));
}

}  // namespace

CEditUI::CEditUI() : m_pImpl(std::make_unique<Impl>()) {
  m_uTextStyle = DT_SINGLELINE | DT_VCENTER;
  m_rcTextPadding = RECT{4, 3, 4, 3};
  SetBkColor(0xFFFFFFFF);
}

CEditUI::~CEditUI() {
  CloseEditor();
}

LPCTSTR CEditUI::GetClass() const {
  return "EditUI";
}

LPVOID CEditUI::GetInterface(LPCTSTR pstrName) {
  if (pstrName && std::strcmp(pstrName, DUI_CTR_EDIT) == 0) return this;
  return CLabelUI::GetInterface(pstrName);
}

UINT CEditUI::GetControlFlags() const {
  return IsEnabled() ? (UIFLAG_SETCURSOR | UIFLAG_TABSTOP) : 0;
}

bool CEditUI::IsEditing() const {
  return m_pImpl->editor != nullptr;
}

QWidget* CEditUI::GetNativeEditor() const {
  return m_pImpl->editor;
}

void CEditUI::OpenEditor() {
  if (m_pImpl->editor || !m_pManager || !IsEnabled() || !IsVisible()) return;
  QWidget* host = m_pManager->GetHostWidget();
  if (!host) return;
  auto* editor = new QLineEdit(host);
  m_pImpl->editor = editor;
  editor->setFrame(false);
  editor->setText(ToQString(m_sText));
  SyncEditor();
  QObject::connect(editor, &QLineEdit::textEdited, editor,
                   [this](const QString& text) { OnEditorTextEdited(FromQString(text)); });
  QObject::connect(editor, &QLineEdit::returnPressed, editor, [this] { OnEditorReturn(); });
  editor->setCursorPosition(editor->text().size());
  editor->show();
  editor->setFocus(Qt::MouseFocusReason);
}

void CEditUI::SyncEditor() {
  QLineEdit* editor = m_pImpl->editor;
  if (!editor) return;
  editor->setGeometry(ToQRect(GetTextRect()));
  editor->setFont(FontOf(m_pManager, m_iFont));
  editor->setMaxLength(m_uMaxChar > 0 ? static_cast<int>(std::min<UINT>(m_uMaxChar, 32767))
                                      : 32767);
  editor->setReadOnly(m_bReadOnly);
  editor->setEchoMode(m_bPasswordMode ? QLineEdit::Password : QLineEdit::Normal);
  editor->setStyleSheet(editorStyleSheet(CurrentTextColor(), m_dwEditBkColor, m_cPasswordChar));
}

void CEditUI::CloseEditor() {
  QLineEdit* editor = m_pImpl->editor;
  if (!editor) return;
  m_pImpl->editor = nullptr;
  // The editor may be the sender of the signal running now: disconnect, delete later.
  QObject::disconnect(editor, nullptr, editor, nullptr);
  editor->hide();
  editor->deleteLater();
  Invalidate();
}

void CEditUI::OnEditorTextEdited(const CDuiString& text) {
  m_sText = text;
  if (m_pManager) m_pManager->SendNotify(this, DUI_MSGTYPE_TEXTCHANGED);
}

void CEditUI::OnEditorReturn() {
  if (m_pManager) m_pManager->SendNotify(this, DUI_MSGTYPE_RETURN);
}

void CEditUI::SetText(LPCTSTR pstrText) {
  m_sText = pstrText;
  if (QLineEdit* editor = m_pImpl->editor) {
    const QString text = ToQString(pstrText);
    if (editor->text() != text) editor->setText(text);
  }
  Invalidate();
}

void CEditUI::SetEnabled(bool bEnable) {
  CLabelUI::SetEnabled(bEnable);
  if (!IsEnabled()) {
    m_uButtonState = 0;
    CloseEditor();
  }
}

void CEditUI::SetVisible(bool bVisible) {
  CLabelUI::SetVisible(bVisible);
  if (!IsVisible()) CloseEditor();
}

void CEditUI::SetInternVisible(bool bVisible) {
  CLabelUI::SetInternVisible(bVisible);
  if (!IsVisible()) CloseEditor();
}

void CEditUI::SetManager(CPaintManagerUI* pManager, CControlUI* pParent, bool bInit) {
  if (pManager != m_pManager) CloseEditor();
  CLabelUI::SetManager(pManager, pParent, bInit);
}

void CEditUI::SetPos(RECT rc, bool bNeedInvalidate) {
  CLabelUI::SetPos(rc, bNeedInvalidate);
  if (m_pImpl->editor) m_pImpl->editor->setGeometry(ToQRect(GetTextRect()));
}

void CEditUI::SetMaxChar(UINT uMax) {
  m_uMaxChar = uMax;
  SyncEditor();
}

void CEditUI::SetReadOnly(bool bReadOnly) {
  m_bReadOnly = bReadOnly;
  SyncEditor();
  Invalidate();
}

void CEditUI::SetPasswordMode(bool bPasswordMode) {
  if (m_bPasswordMode == bPasswordMode) return;
  m_bPasswordMode = bPasswordMode;
  SyncEditor();
  Invalidate();
}

void CEditUI::SetPasswordChar(char cPasswordChar) {
  m_cPasswordChar = cPasswordChar ? cPasswordChar : '*';
  SyncEditor();
  Invalidate();
}

void CEditUI::SetNativeEditBkColor(DWORD dwBkColor) {
  m_dwEditBkColor = dwBkColor;
  SyncEditor();
}

void CEditUI::SetSel(long nStartChar, long nEndChar) {
  if (QLineEdit* editor = m_pImpl->editor) {
    const int length = editor->text().size();
    if (nEndChar < 0) nEndChar = length;
    const int start = std::clamp<int>(static_cast<int>(nStartChar), 0, length);
    const int end = std::clamp<int>(static_cast<int>(nEndChar), 0, length);
    editor->setSelection(start, end - start);
  }
}

void CEditUI::SetSelAll() {
  SetSel(0, -1);
}

void CEditUI::SetReplaceSel(LPCTSTR lpszReplace) {
  if (QLineEdit* editor = m_pImpl->editor) {
    editor->insert(ToQString(lpszReplace));
    m_sText = FromQString(editor->text());
  } else {
    m_sText += lpszReplace;
  }
  Invalidate();
}

void CEditUI::SetNormalImage(LPCTSTR pStrImage) {
  m_sNormalImage = pStrImage;
  Invalidate();
}
void CEditUI::SetHotImage(LPCTSTR pStrImage) {
  m_sHotImage = pStrImage;
  Invalidate();
}
void CEditUI::SetFocusedImage(LPCTSTR pStrImage) {
  m_sFocusedImage = pStrImage;
  Invalidate();
}
void CEditUI::SetDisabledImage(LPCTSTR pStrImage) {
  m_sDisabledImage = pStrImage;
  Invalidate();
}

void CEditUI::DoEvent(TEventUI& event) {
  if (!IsMouseEnabled() && event.Type > UIEVENT__MOUSEBEGIN && event.Type < UIEVENT__MOUSEEND) {
    if (m_pParent) m_pParent->DoEvent(event);
    return;
  }
  switch (event.Type) {
    case UIEVENT_SETFOCUS:
      CLabelUI::DoEvent(event);
      OpenEditor();
      return;
    case UIEVENT_KILLFOCUS:
      CloseEditor();
      CLabelUI::DoEvent(event);
      return;
    case UIEVENT_BUTTONDOWN:
    case UIEVENT_DBLCLICK:
      if (QLineEdit* editor = m_pImpl->editor) {
        const QPoint local(event.ptMouse.x - editor->x(), event.ptMouse.y - editor->y());
        editor->setCursorPosition(editor->cursorPositionAt(local));
        if (event.Type == UIEVENT_DBLCLICK) editor->selectAll();
      }
      return;
    case UIEVENT_BUTTONUP:
    case UIEVENT_MOUSEMOVE:
      return;
    case UIEVENT_MOUSEENTER:
      m_uButtonState |= UISTATE_HOT;
      Invalidate();
      return;
    case UIEVENT_MOUSELEAVE:
      m_uButtonState &= ~UISTATE_HOT;
      Invalidate();
      return;
    default:
      CLabelUI::DoEvent(event);
  }
}

void CEditUI::PaintStatusImage(QPainter* painter) {
  const CDuiString* image = &m_sNormalImage;
  if (!IsEnabled() && !m_sDisabledImage.IsEmpty())
    image = &m_sDisabledImage;
  else if (IsFocused() && !m_sFocusedImage.IsEmpty())
    image = &m_sFocusedImage;
  else if ((m_uButtonState & UISTATE_HOT) && !m_sHotImage.IsEmpty())
    image = &m_sHotImage;
  if (!image->IsEmpty()) DrawImage(painter, *image);
}

void CEditUI::PaintText(QPainter* painter) {
  if (m_pImpl->editor || m_sText.IsEmpty()) return;
  if (!m_bPasswordMode) {
    CLabelUI::PaintText(painter);
    return;
  }
  // One mask character per character (not per byte) of the UTF-8 text.
  const int count = ToQString(m_sText).toUcs4().size();
  const std::string masked(static_cast<size_t>(count), m_cPasswordChar);
  CRenderEngine::DrawText(painter, m_pManager, GetTextRect(), masked.c_str(), CurrentTextColor(),
                          m_iFont, m_uTextStyle);
}

void CEditUI::SetAttribute(LPCTSTR pstrName, LPCTSTR pstrValue) {
  using C = CEditUI;
  static const TAttributeSetter<C> table[] = {
      {"readonly", BoolAttribute<C, &C::SetReadOnly>},
      {"password", BoolAttribute<C, &C::SetPasswordMode>},
      {"passwordchar",
       [](C& c, const char* v) {
         c.SetPasswordChar(v[0]);
         return true;
       }},
      {"maxchar", NonNegativeIntAttribute<C, &C::SetMaxChar>},
      {"nativebkcolor", ColorAttribute<C, &C::SetNativeEditBkColor>},
      {"normalimage",
       [](C& c, const char* v) {
         c.SetNormalImage(v);
         return true;
       }},
      {"hotimage",
       [](C& c, const char* v) {
         c.SetHotImage(v);
         return true;
       }},
      {"focusedimage",
       [](C& c, const char* v) {
         c.SetFocusedImage(v);
         return true;
       }},
      {"disabledimage",
       [](C& c, const char* v) {
         c.SetDisabledImage(v);
         return true;
       }},
  };
  if (ApplyFromTable(*this, table, pstrName, pstrValue)) return;
  CLabelUI::SetAttribute(pstrName, pstrValue);
  // The open editor follows colour and font changes ("textcolor" on focus, as the hint
  // handling of the windows does).
  SyncEditor();
}

}  // namespace DuiLib
