#include "platform/ui/controls/TextUI.h"

#include "platform/ui/core/PaintManagerUI.h"
#include "platform/ui/core/RenderQt_p.h"

#include <QAbstractTextDocumentLayout>
#include <QPainter>
#include <QTextDocument>
#include <QTextOption>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

namespace DuiLib {
namespace {

std::string htmlEscape(char ch) {
  switch (ch) {
    case '<':
      return "&lt;";
    case '>':
      return "&gt;";
    case '&':
      return "&amp;";
    case '"':
      return "&quot;";
    case '\n':
      return "<br>";
    default:
      return std::string(1, ch);
  }
}

std::string htmlEscape(const std::string& text) {
  std::string out;
  for (char ch : text) out += htmlEscape(ch);
  return out;
}

std::string cssColor(DWORD argb) {
  char buffer[16];
  std::snprintf(buffer, sizeof(buffer), "#%06x", static_cast<unsigned>(argb & 0xFFFFFF));
  return buffer;
}

// Builds the laid-out document of a text control's content inside box.
std::unique_ptr<QTextDocument> layoutDocument(const CDuiString& html, const QFont& font,
                                              const QRect& box, UINT style) {
  auto doc = std::make_unique<QTextDocument>();
  doc->setDocumentMargin(0);
  doc->setDefaultFont(font);
  QTextOption option;
  option.setAlignment(static_cast<Qt::Alignment>(ToQtAlignment(style) & Qt::AlignHorizontal_Mask));
  option.setWrapMode((style & DT_SINGLELINE) ? QTextOption::NoWrap
                                             : QTextOption::WrapAtWordBoundaryOrAnywhere);
  doc->setDefaultTextOption(option);
  doc->setHtml(QString::fromUtf8(html.GetData()));
  doc->setTextWidth(box.width());
  return doc;
}

// Offset of the document's top inside box for the vertical alignment.
int verticalOffset(const QTextDocument& doc, const QRect& box, UINT style) {
  const int height = static_cast<int>(doc.size().height());
  if (style & DT_VCENTER) return std::max(0, (box.height() - height) / 2);
  if (style & DT_BOTTOM) return std::max(0, box.height() - height);
  return 0;
}

}  // namespace

CDuiString MarkupToRichText(const char* markup, std::vector<CDuiString>& links, DWORD linkColor) {
  links.clear();
  std::string out;
  std::string linkText;
  int openLink = -1;
  const std::string text = markup ? markup : "";
  for (size_t i = 0; i < text.size(); ++i) {
    const char ch = text[i];
    const size_t close = ch == '{' ? text.find('}', i) : std::string::npos;
    if (close == std::string::npos) {
      out += htmlEscape(ch);
      if (openLink >= 0) linkText += ch;
      continue;
    }
    const std::string tag = text.substr(i + 1, close - i - 1);
    const std::string name = tag.substr(0, tag.find(' '));
    const std::string arg = tag.find(' ') == std::string::npos ? "" : tag.substr(tag.find(' ') + 1);
    if (name == "a" && openLink < 0) {
      openLink = static_cast<int>(links.size());
      links.emplace_back(arg);
      linkText.clear();
      out += "<a href=\"" + std::to_string(openLink) + "\" style=\"color:" + cssColor(linkColor) +
             "\">";
    } else if (name == "/a" && openLink >= 0) {
      if (links[static_cast<size_t>(openLink)].IsEmpty())
        links[static_cast<size_t>(openLink)] = linkText;
      openLink = -1;
      out += "</a>";
    } else if (name == "b" || name == "i" || name == "u" || name == "/b" || name == "/i" ||
               name == "/u") {
      out += "<" + name + ">";
    } else if (name == "n") {
      out += "<br>";
    } else if (name == "c") {
      std::string color = arg;
      if (!color.empty() && color[0] == '#') color.erase(0, 1);
      if (color.size() == 8) color.erase(0, 2);
      out += "<span style=\"color:#" + htmlEscape(color) + "\">";
    } else if (name == "/c") {
      out += "</span>";
    } else {
      // Not a tag of ours: keep the braces as text.
      out += htmlEscape(text.substr(i, close - i + 1));
      if (openLink >= 0) linkText += text.substr(i, close - i + 1);
    }
    i = close;
  }
  if (openLink >= 0) out += "</a>";
  return CDuiString(out);
}

CTextUI::CTextUI() {
  m_uTextStyle = DT_WORDBREAK;
  m_bShowHtml = true;
}

LPCTSTR CTextUI::GetClass() const {
  return "TextUI";
}

LPVOID CTextUI::GetInterface(LPCTSTR pstrName) {
  if (pstrName && std::strcmp(pstrName, DUI_CTR_TEXT) == 0) return this;
  return CLabelUI::GetInterface(pstrName);
}

UINT CTextUI::GetControlFlags() const {
  return (IsEnabled() && !m_aLinks.empty()) ? UIFLAG_SETCURSOR : 0;
}

void CTextUI::SetText(LPCTSTR pstrText) {
  CLabelUI::SetText(pstrText);
  ParseMarkup();
}

void CTextUI::SetShowHtml(bool bShowHtml) {
  CLabelUI::SetShowHtml(bShowHtml);
  ParseMarkup();
}

void CTextUI::ParseMarkup() {
  const DWORD linkColor = m_pManager ? m_pManager->GetDefaultLinkFontColor() : 0xFF0000FF;
  if (m_bShowHtml) {
    m_sHtml = MarkupToRichText(m_sText, m_aLinks, linkColor);
  } else {
    m_aLinks.clear();
    m_sHtml = htmlEscape(m_sText.str());
  }
  m_iHotLink = -1;
}

CDuiString CTextUI::GetPlainText() const {
  QTextDocument doc;
  doc.setHtml(QString::fromUtf8(m_sHtml.GetData()));
  return FromQString(doc.toPlainText());
}

int CTextUI::GetLinkContentCount() const {
  return static_cast<int>(m_aLinks.size());
}

CDuiString* CTextUI::GetLinkContent(int iIndex) {
  if (iIndex < 0 || iIndex >= static_cast<int>(m_aLinks.size())) return nullptr;
  return &m_aLinks[static_cast<size_t>(iIndex)];
}

CDuiString CTextUI::GetLinkContent(POINT pt) {
  const CDuiString* link = GetLinkContent(LinkIndexAt(pt));
  return link ? *link : CDuiString();
}

bool CTextUI::HasLinkAt(POINT pt) {
  return !GetLinkContent(pt).IsEmpty();
}

int CTextUI::LinkIndexAt(POINT pt) const {
  if (m_aLinks.empty()) return -1;
  if (m_sHtml.IsEmpty() && !m_sText.IsEmpty()) const_cast<CTextUI*>(this)->ParseMarkup();
  const QRect box = ToQRect(GetTextRect());
  if (!box.contains(pt.x, pt.y)) return -1;
  auto doc = layoutDocument(m_sHtml, FontOf(m_pManager, m_iFont), box, m_uTextStyle);
  const QPointF local(pt.x - box.left(),
                      pt.y - box.top() - verticalOffset(*doc, box, m_uTextStyle));
  const QString anchor = doc->documentLayout()->anchorAt(local);
  bool ok = false;
  const int index = anchor.toInt(&ok);
  return ok ? index : -1;
}

void CTextUI::DoEvent(TEventUI& event) {
  if (!IsMouseEnabled() && event.Type > UIEVENT__MOUSEBEGIN && event.Type < UIEVENT__MOUSEEND) {
    CLabelUI::DoEvent(event);
    return;
  }
  switch (event.Type) {
    case UIEVENT_BUTTONDOWN:
    case UIEVENT_DBLCLICK:
      return;
    case UIEVENT_BUTTONUP:
      if (IsEnabled() && m_pManager) {
        const int index = LinkIndexAt(event.ptMouse);
        if (index >= 0) m_pManager->SendNotify(this, DUI_MSGTYPE_LINK, static_cast<WPARAM>(index));
      }
      return;
    case UIEVENT_MOUSEMOVE: {
      const int hot = LinkIndexAt(event.ptMouse);
      if (hot != m_iHotLink) {
        m_iHotLink = hot;
        Invalidate();
      }
      return;
    }
    case UIEVENT_MOUSELEAVE:
      if (m_iHotLink >= 0) {
        m_iHotLink = -1;
        Invalidate();
      }
      return;
    default:
      CLabelUI::DoEvent(event);
  }
}

void CTextUI::PaintText(QPainter* painter) {
  if (m_sText.IsEmpty()) return;
  if (m_sHtml.IsEmpty()) ParseMarkup();
  const QRect box = ToQRect(GetTextRect());
  if (box.isEmpty()) return;
  auto doc = layoutDocument(m_sHtml, FontOf(m_pManager, m_iFont), box, m_uTextStyle);
  painter->save();
  painter->translate(box.left(), box.top() + verticalOffset(*doc, box, m_uTextStyle));
  painter->setClipRect(QRect(0, 0, box.width(), box.height()), Qt::IntersectClip);
  QAbstractTextDocumentLayout::PaintContext context;
  context.palette.setColor(QPalette::Text, ToTextColor(CurrentTextColor()));
  doc->documentLayout()->draw(painter, context);
  painter->restore();
}

}  // namespace DuiLib
