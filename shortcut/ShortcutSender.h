// The send queue of a quick reply: each content item goes out as a chat message of its own,
// one step per item, the next step 10 ms after the previous one (the frame's timer 3).
//
//   Start(json)   parses the message into m_jsonSendQueue, m_nSendIndex = 0, runs one step
//   Step()        (timer 3) sends item m_nSendIndex and asks for the timer when more remain
//
// Every step first checks that the account selected in the list is the copy on show
// (ignoring case): otherwise the mismatch box is shown and the rest of the message is not
// sent. A message is bound to the copy its first item went to: when the operator switches
// copies before the last item (a row click changes both the selection and the copy on
// show, so they still agree), the rest is not sent either, and the box says so. A picture that
// cannot be had stops the message the same way, with its own box, rather than sending the items
// after it out of order or pasting an empty clipboard. A new Start replaces the message being sent.
// GUI thread only.
#pragma once

#include "shortcut/ShortcutItems.h"
#include "wechat/WebchatData.h"

#include <json/value.h>

#include <string>
#include <vector>

// What the send queue needs of the main frame and the instance manager.
class IShortcutTarget {
 public:
  virtual ~IShortcutTarget() = default;
  // The instance key of the selected account entry; empty when none is selected.
  virtual std::string SelectedKey() = 0;
  // The key of the copy on show (CWebchatEngine::GetCurrWeChat).
  virtual std::string CurrentKey() = 0;
  virtual bool InputTextVec(const std::string& key, const std::vector<INPUTDATA>& items) = 0;
  virtual void SendCurrText(const std::string& key) = 0;
  virtual bool SendImageByCopy(const std::string& key, const std::string& path) = 0;
  // MessageBoxA owned by the frame.
  virtual void ShowMessage(const std::string& text, const std::string& caption, UINT type) = 0;
  // Timer 3 of the frame, once, after `milliseconds`.
  virtual void StartSendTimer(UINT milliseconds) = 0;
};

class CShortcutSender {
 public:
  static constexpr UINT kStepMs = 10;
  static constexpr const char* kMismatchText =
      "微信列表中选择的微信与当前显示的微信账号不一致，请点击微信列表，切换.";
  static constexpr const char* kSwitchedText =
      "发送过程中切换了微信账号，本条快捷语的其余内容未发送.";
  static constexpr const char* kMismatchCaption = "警告";
  static constexpr const char* kPictureFailedText = "图片获取失败，本条快捷语的其余内容未发送.";

  CShortcutSender(IShortcutTarget& target, CShortcutItems::PictureSource pictures)
      : m_target(target), m_pictures(std::move(pictures)) {}

  // False (and nothing queued) when the JSON does not parse.
  bool Start(const std::string& json);
  // One item; false when the sequence ended (done or stopped).
  bool Step();
  bool IsSending() const;
  void Clear();

 private:
  bool SendItem(const std::string& key, const Json::Value& detail);

  IShortcutTarget& m_target;
  CShortcutItems::PictureSource m_pictures;
  Json::Value m_jsonSendQueue;
  int m_nSendIndex = 0;
  std::string m_strBoundKey;  // the copy the message started in
};
