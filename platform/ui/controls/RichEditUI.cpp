#include "platform/ui/controls/RichEditUI.h"

#include "platform/log/Log.h"
#include "platform/ui/core/AttributeParser.h"
#include "platform/ui/core/AttributeTable_p.h"
#include "platform/ui/core/PaintManagerUI.h"
#include "platform/ui/core/RenderQt_p.h"
#include "platform/ui/core/UIImage.h"

#include <QAbstractTextDocumentLayout>
#include <QEvent>
#include <QFontMetrics>
#include <QPainter>
#include <QPointer>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>
#include <QTextFragment>
#include <QTextImageFormat>
#include <QUrl>

#include <algorithm>
#include <cstring>

namespace DuiLib {
namespace {

// Text format properties of an embedded picture.
constexpr int kUserValueProperty = QTextFormat::UserProperty + 1;
constexpr int kFileProperty = QTextFormat::UserProperty + 2;

// Tells the control when its Qt editor gets the keyboard focus.
class CFocusWatcher : public QObject {
 public:
  explicit CFocusWatcher(CRichEditUI* owner) : m_pOwner(owner) {}
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::FocusIn) m_pOwner->OnEditorFocusIn();
    return QObject::eventFilter(watched, event);
  }

 private:
  CRichEditUI* m_pOwner;
};

}  // namespace

struct CRichEditUI::Impl {
  QTextDocument document;
  QTextCursor cursor{&document};  // the selection while there is no editor
  QPointer<QTextEdit> editor;
  std::unique_ptr<CFocusWatcher> focusWatcher;
  int scrollY = 0;
  int internalChanges = 0;  // >0 while the program changes the text
  int imageSerial = 0;
  QString lastText;  // the raw text at the last change seen

  QTextCursor& Cursor() {
    if (editor) {
      cursor = editor->textCursor();
    }
    return cursor;
  }
  void Commit() {
    if (editor) editor->setTextCursor(cursor);
  }
};

namespace {

// Marks program changes so that they raise no "textchanged".
class CInternalChange {
 public:
  explicit CInternalChange(int& counter) : m_counter(counter) { ++m_counter; }
  ~CInternalChange() { --m_counter; }

 private:
  int& m_counter;
};

}  // namespace

CRichEditUI::CRichEditUI() : m_pImpl(std::make_unique<Impl>()) {
  m_rcInset = RECT{2, 2, 2, 2};
  m_pImpl->document.setDocumentMargin(0);
  m_pImpl->document.setUndoRedoEnabled(true);
  QObject::connect(
      &m_pImpl->document, &QTextDocument::contentsChange, &m_pImpl->document,
      [this](int position, int removed, int added) { OnContentsChange(position, removed, added); });
}

CRichEditUI::~CRichEditUI() {
  DetachEditor();
}

LPCTSTR CRichEditUI::GetClass() const {
  return "RichEditUI";
}

LPVOID CRichEditUI::GetInterface(LPCTSTR pstrName) {
  if (pstrName && std::strcmp(pstrName, DUI_CTR_RICHEDIT) == 0) return this;
  return CContainerUI::GetInterface(pstrName);
}

UINT CRichEditUI::GetControlFlags() const {
  return IsEnabled() ? UIFLAG_SETCURSOR | UIFLAG_TABSTOP : 0;
}

RECT CRichEditUI::GetTextRect() const {
  return RECT{m_rcItem.left + m_rcInset.left, m_rcItem.top + m_rcInset.top,
              m_rcItem.right - m_rcInset.right, m_rcItem.bottom - m_rcInset.bottom};
}

void CRichEditUI::AttachEditor() {
  if (m_pImpl->editor || !m_pManager) return;
  QWidget* host = m_pManager->GetHostWidget();
  if (!host) return;
  auto* editor = new QTextEdit(host);
  m_pImpl->editor = editor;
  editor->setDocument(&m_pImpl->document);
  editor->setFrameShape(QFrame::NoFrame);
  editor->viewport()->setAutoFillBackground(false);
  m_pImpl->focusWatcher = std::make_unique<CFocusWatcher>(this);
  editor->installEventFilter(m_pImpl->focusWatcher.get());
  editor->setTextCursor(m_pImpl->cursor);
  SyncEditor();
  editor->verticalScrollBar()->setValue(m_pImpl->scrollY);
  editor->setVisible(IsVisible());
}

void CRichEditUI::DetachEditor() {
  QTextEdit* editor = m_pImpl->editor;
  if (!editor) return;
  m_pImpl->cursor = editor->textCursor();
  m_pImpl->scrollY = editor->verticalScrollBar()->value();
  m_pImpl->editor = nullptr;
  editor->removeEventFilter(m_pImpl->focusWatcher.get());
  // The document stays ours: give the editor a throw-away one before it goes.
  editor->setDocument(new QTextDocument(editor));
  editor->hide();
  editor->deleteLater();
}

void CRichEditUI::SyncEditor() {
  QTextEdit* editor = m_pImpl->editor;
  m_pImpl->document.setDefaultFont(FontOf(m_pManager, m_iFont));
  if (!editor) return;
  editor->setGeometry(ToQRect(GetTextRect()));
  editor->setReadOnly(m_bReadOnly || !IsEnabled());
  editor->setAcceptRichText(
      false);  // pasted text comes in plain; pictures go through InsertPicture
  editor->setLineWrapMode(m_bWordWrap ? QTextEdit::WidgetWidth : QTextEdit::NoWrap);
  const DWORD color =
      m_dwTextColor ? m_dwTextColor : (m_pManager ? m_pManager->GetDefaultFontColor() : 0xFF000000);
  editor->setStyleSheet(QStringLiteral("QTextEdit{border:none;background:transparent;color:%1;}")
                            .arg(ToTextColor(color).name(QColor::HexArgb)));
}

QWidget* CRichEditUI::GetNativeEditor() const {
  return m_pImpl->editor;
}

void CRichEditUI::OnEditorFocusIn() {
  if (m_pManager && m_pManager->GetFocus() != this) m_pManager->SetFocus(this);
}

void CRichEditUI::OnContentsChange(int position, int removed, int added) {
  (void)removed;
  // An input method's composition text re-lays its block and is reported like an edit
  // (even the revision moves) but is no text yet; the same holds for format changes. Only a
  // change of the text itself counts. Pictures are U+FFFC in the raw text; the user cannot
  // put one in place of another.
  QString text = m_pImpl->document.toRawText();
  if (text == m_pImpl->lastText) {
    Invalidate();
    return;
  }
  m_pImpl->lastText = std::move(text);
  const long length = GetTextLength();
  if (m_iLimitText > 0 && length > m_iLimitText && added > 0) {
    // Cut what was just added beyond the limit. The reported range may reach past the end
    // (an input method's commit re-lays its whole block).
    const long end = std::min<long>(position + added, length);
    const long excess = std::min<long>(length - m_iLimitText, end - position);
    QTextCursor cut(&m_pImpl->document);
    cut.setPosition(static_cast<int>(end - excess));
    cut.setPosition(static_cast<int>(end), QTextCursor::KeepAnchor);
    CInternalChange guard(m_pImpl->internalChanges);
    cut.removeSelectedText();
  }
  if (m_pImpl->internalChanges == 0 && m_pManager)
    m_pManager->SendNotify(this, DUI_MSGTYPE_TEXTCHANGED);
  Invalidate();
}

void CRichEditUI::SetRich(bool bRich) {
  m_bRich = bRich;
}

void CRichEditUI::SetReadOnly(bool bReadOnly) {
  m_bReadOnly = bReadOnly;
  SyncEditor();
}

void CRichEditUI::SetWordWrap(bool bWordWrap) {
  m_bWordWrap = bWordWrap;
  SyncEditor();
}

void CRichEditUI::SetFont(int index) {
  m_iFont = index;
  SyncEditor();
}

void CRichEditUI::SetTextColor(DWORD dwTextColor) {
  m_dwTextColor = dwTextColor;
  SyncEditor();
  Invalidate();
}

void CRichEditUI::SetLimitText(int iChars) {
  m_iLimitText = std::max(0, iChars);
}

long CRichEditUI::GetTextLength() const {
  return std::max(0, m_pImpl->document.characterCount() - 1);
}

CDuiString CRichEditUI::GetText() const {
  // toRawText keeps U+FFFC for pictures and U+2029 for paragraph ends.
  QString text = m_pImpl->document.toRawText();
  text.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
  text.replace(QChar::LineSeparator, QLatin1Char('\n'));
  return FromQString(text);
}

void CRichEditUI::SetText(LPCTSTR pstrText) {
  CInternalChange guard(m_pImpl->internalChanges);
  m_pImpl->document.setPlainText(ToQString(pstrText));
  m_pImpl->cursor = QTextCursor(&m_pImpl->document);
  m_pImpl->cursor.movePosition(QTextCursor::End);
  m_pImpl->Commit();
  m_sText = pstrText;
  Invalidate();
}

CDuiString CRichEditUI::GetTextRange(long nStartChar, long nEndChar) const {
  const long length = GetTextLength();
  if (nEndChar < 0 || nEndChar > length) nEndChar = length;
  nStartChar = std::clamp<long>(nStartChar, 0, nEndChar);
  QTextCursor range(&m_pImpl->document);
  range.setPosition(static_cast<int>(nStartChar));
  range.setPosition(static_cast<int>(nEndChar), QTextCursor::KeepAnchor);
  QString text = range.selectedText();
  text.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
  return FromQString(text);
}

bool CRichEditUI::IsModify() const {
  return m_pImpl->document.isModified();
}
void CRichEditUI::SetModify(bool bModified) {
  m_pImpl->document.setModified(bModified);
}

void CRichEditUI::GetSel(long& nStartChar, long& nEndChar) const {
  const QTextCursor& cursor = m_pImpl->Cursor();
  nStartChar = cursor.selectionStart();
  nEndChar = cursor.selectionEnd();
}

int CRichEditUI::SetSel(long nStartChar, long nEndChar) {
  const long length = GetTextLength();
  // A negative start puts the caret at the end without a selection (SetSel(-1, -1)).
  if (nStartChar < 0) nStartChar = nEndChar = length;
  if (nEndChar < 0 || nEndChar > length) nEndChar = length;
  nStartChar = std::clamp<long>(nStartChar, 0, length);
  QTextCursor& cursor = m_pImpl->Cursor();
  cursor.setPosition(static_cast<int>(nStartChar));
  cursor.setPosition(static_cast<int>(nEndChar), QTextCursor::KeepAnchor);
  m_pImpl->Commit();
  return static_cast<int>(nEndChar);
}

int CRichEditUI::SetSelAll() {
  return SetSel(0, -1);
}

int CRichEditUI::SetSelNone() {
  QTextCursor& cursor = m_pImpl->Cursor();
  cursor.clearSelection();
  m_pImpl->Commit();
  return cursor.position();
}

CDuiString CRichEditUI::GetSelText() const {
  long start = 0, end = 0;
  GetSel(start, end);
  return GetTextRange(start, end);
}

void CRichEditUI::ReplaceSel(LPCTSTR lpszNewText, bool) {
  CInternalChange guard(m_pImpl->internalChanges);
  QTextCursor& cursor = m_pImpl->Cursor();
  cursor.insertText(ToQString(lpszNewText));
  m_pImpl->Commit();
}

int CRichEditUI::InsertText(long nInsertAfterChar, LPCTSTR lpstrText, bool) {
  CInternalChange guard(m_pImpl->internalChanges);
  const long length = GetTextLength();
  if (nInsertAfterChar < 0 || nInsertAfterChar > length) nInsertAfterChar = length;
  QTextCursor insert(&m_pImpl->document);
  insert.setPosition(static_cast<int>(nInsertAfterChar));
  insert.insertText(ToQString(lpstrText));
  return static_cast<int>(GetTextLength());
}

int CRichEditUI::AppendText(LPCTSTR lpstrText, bool bCanUndo) {
  return InsertText(-1, lpstrText, bCanUndo);
}

bool CRichEditUI::CanUndo() const {
  return m_pImpl->document.isUndoAvailable();
}

bool CRichEditUI::Undo() {
  if (!CanUndo()) return false;
  m_pImpl->document.undo();
  return true;
}

void CRichEditUI::Clear() {
  SetText("");
}

int CRichEditUI::GetLineCount() const {
  QTextDocument& doc = m_pImpl->document;
  if (!m_pImpl->editor) {
    const RECT rc = GetTextRect();
    doc.setTextWidth(m_bWordWrap && rc.right > rc.left ? rc.right - rc.left : -1);
  }
  doc.documentLayout()->documentSize();  // lays the document out
  int lines = 0;
  for (QTextBlock block = doc.begin(); block.isValid(); block = block.next())
    lines += block.layout() ? std::max(1, block.layout()->lineCount()) : 1;
  return std::max(1, lines);
}

SIZE CRichEditUI::GetScrollPos() const {
  if (m_pImpl->editor) return SIZE{0, m_pImpl->editor->verticalScrollBar()->value()};
  return SIZE{0, m_pImpl->scrollY};
}

SIZE CRichEditUI::GetScrollRange() const {
  if (m_pImpl->editor) return SIZE{0, m_pImpl->editor->verticalScrollBar()->maximum()};
  const RECT rc = GetTextRect();
  QTextDocument& doc = m_pImpl->document;
  doc.setTextWidth(m_bWordWrap && rc.right > rc.left ? rc.right - rc.left : -1);
  const int height = static_cast<int>(doc.size().height());
  return SIZE{0, std::max<LONG>(0, height - (rc.bottom - rc.top))};
}

void CRichEditUI::SetScrollPos(SIZE szPos) {
  const int y = std::clamp<int>(szPos.cy, 0, GetScrollRange().cy);
  m_pImpl->scrollY = y;
  if (m_pImpl->editor) m_pImpl->editor->verticalScrollBar()->setValue(y);
  Invalidate();
}

void CRichEditUI::LineScroll(int nLines, int) {
  const int lineHeight = QFontMetrics(m_pImpl->document.defaultFont()).lineSpacing();
  SIZE pos = GetScrollPos();
  pos.cy += nLines * lineHeight;
  SetScrollPos(pos);
}

void CRichEditUI::LineUp() {
  LineScroll(-1);
}
void CRichEditUI::LineDown() {
  LineScroll(1);
}
void CRichEditUI::PageUp() {
  SetScrollPos(SIZE{0, GetScrollPos().cy - (GetTextRect().bottom - GetTextRect().top)});
}
void CRichEditUI::PageDown() {
  SetScrollPos(SIZE{0, GetScrollPos().cy + (GetTextRect().bottom - GetTextRect().top)});
}
void CRichEditUI::HomeUp() {
  SetScrollPos(SIZE{0, 0});
}
void CRichEditUI::EndDown() {
  SetScrollPos(SIZE{0, GetScrollRange().cy});
}

namespace {

// The display size of a w × h picture asked to show at `wanted` (see InsertPicture).
QSize displaySize(const QSize& own, SIZE wanted) {
  if (wanted.cx > 0 && wanted.cy > 0) return QSize(wanted.cx, wanted.cy);
  if (own.isEmpty()) return own;
  if (wanted.cx > 0)
    return QSize(wanted.cx,
                 std::max(1, static_cast<int>(qint64(own.height()) * wanted.cx / own.width())));
  if (wanted.cy > 0)
    return QSize(std::max(1, static_cast<int>(qint64(own.width()) * wanted.cy / own.height())),
                 wanted.cy);
  return own;
}

}  // namespace

bool CRichEditUI::InsertPicture(LPCTSTR imageFile, DWORD_PTR dwUser, SIZE szDisplay) {
  if (!imageFile || !*imageFile) return false;
  const QImage* image =
      CImageCache::Instance().Get(imageFile, CPaintManagerUI::GetResourcePath().str());
  if (!image || image->isNull()) {
    TC_LOG(TC_LOG_ERROR,
           "rich edit \"" << m_sName.str() << "\": cannot read picture " << imageFile);
    return false;
  }
  const QString name = QStringLiteral("tc-picture-%1").arg(++m_pImpl->imageSerial);
  m_pImpl->document.addResource(QTextDocument::ImageResource, QUrl(name), *image);
  QTextImageFormat format;
  format.setName(name);
  // The format's size is what the layout reserves and the painter fills, in logical pixels;
  // the whole picture is drawn into it, so a larger picture gives the device pixels of a
  // scaled screen their detail.
  const QSize size = displaySize(image->size(), szDisplay);
  format.setWidth(size.width());
  format.setHeight(size.height());
  format.setProperty(kUserValueProperty, QVariant::fromValue<qulonglong>(dwUser));
  format.setProperty(kFileProperty, ToQString(imageFile));
  CInternalChange guard(m_pImpl->internalChanges);
  QTextCursor& cursor = m_pImpl->Cursor();
  cursor.insertImage(format);
  m_pImpl->Commit();
  return true;
}

std::vector<TEmbeddedObjectUI> CRichEditUI::GetEmbeddedObjects() const {
  std::vector<TEmbeddedObjectUI> objects;
  for (QTextBlock block = m_pImpl->document.begin(); block.isValid(); block = block.next()) {
    for (auto it = block.begin(); !it.atEnd(); ++it) {
      const QTextFragment fragment = it.fragment();
      if (!fragment.isValid() || !fragment.charFormat().isImageFormat()) continue;
      const QTextImageFormat format = fragment.charFormat().toImageFormat();
      // Equal neighbouring pictures share one fragment: one object per character.
      for (int i = 0; i < fragment.length(); ++i) {
        TEmbeddedObjectUI object;
        object.cp = fragment.position() + i;
        object.dwUser = static_cast<DWORD_PTR>(format.property(kUserValueProperty).toULongLong());
        object.sFile = FromQString(format.property(kFileProperty).toString());
        object.szDisplay =
            SIZE{static_cast<LONG>(format.width()), static_cast<LONG>(format.height())};
        objects.push_back(object);
      }
    }
  }
  return objects;
}

int CRichEditUI::GetObjectCount() const {
  return static_cast<int>(GetEmbeddedObjects().size());
}

void CRichEditUI::SetVisible(bool bVisible) {
  CContainerUI::SetVisible(bVisible);
  if (m_pImpl->editor) m_pImpl->editor->setVisible(IsVisible());
}

void CRichEditUI::SetInternVisible(bool bVisible) {
  CContainerUI::SetInternVisible(bVisible);
  if (m_pImpl->editor) m_pImpl->editor->setVisible(IsVisible());
}

void CRichEditUI::SetEnabled(bool bEnable) {
  CContainerUI::SetEnabled(bEnable);
  SyncEditor();
}

void CRichEditUI::SetManager(CPaintManagerUI* pManager, CControlUI* pParent, bool bInit) {
  if (pManager != m_pManager) DetachEditor();
  CContainerUI::SetManager(pManager, pParent, bInit);
  if (m_pManager && bInit) AttachEditor();
}

void CRichEditUI::SetPos(RECT rc, bool bNeedInvalidate) {
  CControlUI::SetPos(rc, bNeedInvalidate);
  if (!m_pImpl->editor) AttachEditor();
  if (m_pImpl->editor) m_pImpl->editor->setGeometry(ToQRect(GetTextRect()));
}

void CRichEditUI::DoEvent(TEventUI& event) {
  switch (event.Type) {
    case UIEVENT_SETFOCUS:
      CControlUI::DoEvent(event);
      if (m_pImpl->editor && !m_pImpl->editor->hasFocus())
        m_pImpl->editor->setFocus(Qt::OtherFocusReason);
      return;
    case UIEVENT_KILLFOCUS:
      CControlUI::DoEvent(event);
      return;
    case UIEVENT_SCROLLWHEEL:
      if (LOWORD(event.wParam) == 0)
        LineScroll(-3);
      else
        LineScroll(3);
      return;
    default:
      CContainerUI::DoEvent(event);
  }
}

void CRichEditUI::PaintText(QPainter* painter) {
  // With an editor the editor draws; without one (an offscreen paint) draw the document.
  if (m_pImpl->editor) return;
  const QRect box = ToQRect(GetTextRect());
  QTextDocument& doc = m_pImpl->document;
  doc.setTextWidth(m_bWordWrap ? box.width() : -1);
  painter->save();
  painter->translate(box.topLeft() - QPoint(0, m_pImpl->scrollY));
  QAbstractTextDocumentLayout::PaintContext context;
  context.clip = QRectF(0, m_pImpl->scrollY, box.width(), box.height());
  const DWORD color = m_dwTextColor ? m_dwTextColor : 0xFF000000;
  context.palette.setColor(QPalette::Text, ToTextColor(color));
  doc.documentLayout()->draw(painter, context);
  painter->restore();
}

void CRichEditUI::SetAttribute(LPCTSTR pstrName, LPCTSTR pstrValue) {
  using C = CRichEditUI;
  static const TAttributeSetter<C> table[] = {
      {"rich", BoolAttribute<C, &C::SetRich>},
      {"readonly", BoolAttribute<C, &C::SetReadOnly>},
      {"wordwrap", BoolAttribute<C, &C::SetWordWrap>},
      {"multiline",
       [](C&, const char* v) {
         bool b;
         return ParseAttrBool(v, b);
       }},
      {"want return",
       [](C&, const char* v) {
         bool b;
         return ParseAttrBool(v, b);
       }},
      {"wantreturn",
       [](C&, const char* v) {
         bool b;
         return ParseAttrBool(v, b);
       }},
      {"font", IntAttribute<C, &C::SetFont>},
      {"maxchar", NonNegativeIntAttribute<C, &C::SetLimitText>},
      {"textcolor", ColorAttribute<C, &C::SetTextColor>},
  };
  if (ApplyFromTable(*this, table, pstrName, pstrValue)) return;
  CContainerUI::SetAttribute(pstrName, pstrValue);
}

}  // namespace DuiLib
