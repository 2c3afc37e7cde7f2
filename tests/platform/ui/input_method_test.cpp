// Input methods in the text controls: a Chinese input method talks to the focused Qt editor
// with QInputMethodEvent (composition text while the operator types pinyin, then a commit of
// the chosen characters). The events here are the ones the platform's input context sends;
// they go to the real Qt editors under the quick-message editor's title box and rich edit,
// built from that window's own skin.
#include "tests/platform/ui/ui_test_util.h"

#include "platform/ui/window/WindowImplBase.h"

#include <QCoreApplication>
#include <QImage>
#include <QInputMethodEvent>
#include <QTextBlock>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextEdit>
#include <QTextLayout>
#include <QWidget>

#include <string>

using namespace DuiLib;

namespace {

class CEditorSkinWnd : public WindowImplBase {
 public:
  CPaintManagerUI& Pm() { return m_PaintManager; }

 protected:
  CDuiString GetSkinFolder() override {
    return (std::string(TC_TEST_SOURCE_DIR) + "/skin/").c_str();
  }
  CDuiString GetSkinFile() override { return "shortcut.xml"; }
  LPCTSTR GetWindowClassName() const override { return "UITestInputMethodWnd"; }
};

// What an input method sends while the operator composes `text` (underlined, caret at its
// end), and when the operator picks the characters `commit`.
void Compose(QWidget* editor, const QString& text) {
  QTextCharFormat underline;
  underline.setFontUnderline(true);
  const QList<QInputMethodEvent::Attribute> attributes{
      {QInputMethodEvent::TextFormat, 0, static_cast<int>(text.size()), underline},
      {QInputMethodEvent::Cursor, static_cast<int>(text.size()), 1, QVariant()}};
  QInputMethodEvent event(text, attributes);
  QCoreApplication::sendEvent(editor, &event);
}

void Commit(QWidget* editor, const QString& commit) {
  QInputMethodEvent event;
  event.setCommitString(commit);
  QCoreApplication::sendEvent(editor, &event);
}

// The editor takes input-method events and tells the input context where it stands.
void ExpectInputMethodEnabled(QWidget* editor) {
  EXPECT_TRUE(editor->testAttribute(Qt::WA_InputMethodEnabled));
  EXPECT_TRUE(editor->inputMethodQuery(Qt::ImEnabled).toBool());
  EXPECT_TRUE(editor->inputMethodQuery(Qt::ImCursorRectangle).toRect().isValid());
}

class InputMethod : public ::testing::Test {
 protected:
  void SetUp() override {
    uitest::EnsureApp();
    ASSERT_NE(m_wnd.Create(nullptr, "input method", UI_WNDSTYLE_FRAME, 0, 0, 0, 0, 0), nullptr);
    m_wnd.ShowWindow(true, true);
    m_wnd.Pm().AddNotifier(&m_log);
  }
  void TearDown() override { ::DestroyWindow(m_wnd.GetHWND()); }

  CEditorSkinWnd m_wnd;
  uitest::CNotifyLog m_log;
};

}  // namespace

TEST_F(InputMethod, TitleBoxShowsTheCompositionAndTakesTheCommit) {
  auto* edit = static_cast<CEditUI*>(m_wnd.Pm().FindControl("shortcut_name_edit"));
  ASSERT_NE(edit, nullptr);
  m_wnd.Pm().UpdateLayout();
  edit->SetText("售后");
  m_wnd.Pm().SetFocus(edit);
  QWidget* editor = edit->GetNativeEditor();
  ASSERT_NE(editor, nullptr) << "the focused title box has its Qt editor";
  ExpectInputMethodEnabled(editor);

  const QImage before = editor->grab().toImage();
  Compose(editor, "ni hao");
  // The composition is drawn in the box but is not text yet.
  EXPECT_NE(editor->grab().toImage(), before);
  EXPECT_STREQ(edit->GetText(), "售后");
  EXPECT_TRUE(m_log.Of({"textchanged"}).empty());

  Commit(editor, "你好");
  EXPECT_STREQ(edit->GetText(), "售后你好");
  EXPECT_EQ(m_log.Of({"textchanged"}), std::vector<std::string>{"textchanged:shortcut_name_edit"});
  EXPECT_EQ(editor->grab().toImage().size(), before.size());

  // A commit past the box's limit (64 characters) is cut, not wrapped into a second value.
  edit->SetText(std::string(62, 'a').c_str());
  Commit(editor, "再见了");
  EXPECT_EQ(edit->GetText().str(), std::string(62, 'a') + "再见");
}

TEST_F(InputMethod, RichEditComposesBesideAPictureEmojiAndKeepsItsPosition) {
  CPaintManagerUI& pm = m_wnd.Pm();
  pm.FindControl("shortcut_add_view")->SetVisible(false);
  pm.FindControl("shortcut_add_content")->SetVisible(true);
  pm.UpdateLayout();
  auto* rich = static_cast<CRichEditUI*>(pm.FindControl("shortcut_richedit"));
  ASSERT_NE(rich, nullptr);
  rich->SetLimitText(1000);  // as the editor window sets it
  rich->SetText("");
  const std::string emoji = std::string(TC_TEST_SOURCE_DIR) + "/skin/emotion/sign_emotion/5.png";
  ASSERT_TRUE(rich->InsertPicture(emoji.c_str(), 5, SIZE{24, 24}));
  pm.SetFocus(rich);
  auto* editor = qobject_cast<QTextEdit*>(rich->GetNativeEditor());
  ASSERT_NE(editor, nullptr) << "the rich edit in a window has its Qt editor";
  ExpectInputMethodEnabled(editor);
  m_log.entries.clear();

  Compose(editor, "hao");
  EXPECT_EQ(editor->textCursor().block().layout()->preeditAreaText(), "hao");
  EXPECT_EQ(rich->GetTextLength(), 1) << "the composition is not text yet";
  EXPECT_TRUE(m_log.Of({"textchanged"}).empty());

  Commit(editor, "好");
  EXPECT_TRUE(editor->textCursor().block().layout()->preeditAreaText().isEmpty());
  EXPECT_EQ(rich->GetTextLength(), 2);
  EXPECT_STREQ(rich->GetTextRange(1, -1), "好");
  const std::vector<TEmbeddedObjectUI> objects = rich->GetEmbeddedObjects();
  ASSERT_EQ(objects.size(), 1u);
  EXPECT_EQ(objects[0].cp, 0);
  EXPECT_EQ(objects[0].dwUser, 5u);
  EXPECT_EQ(m_log.Of({"textchanged"}), std::vector<std::string>{"textchanged:shortcut_richedit"});

  // Composing before the picture moves it along.
  rich->SetSel(0, 0);
  Compose(editor, "ni");
  Commit(editor, "你");
  ASSERT_EQ(rich->GetEmbeddedObjects().size(), 1u);
  EXPECT_EQ(rich->GetEmbeddedObjects()[0].cp, 1);
  EXPECT_STREQ(rich->GetTextRange(0, 1), "你");

  // The limit holds for committed text as for typed text.
  rich->SetSel(-1, -1);
  Commit(editor, QString(1000, QChar(0x597D)));
  EXPECT_EQ(rich->GetTextLength(), 1000);
  EXPECT_EQ(rich->GetEmbeddedObjects().size(), 1u);
}
