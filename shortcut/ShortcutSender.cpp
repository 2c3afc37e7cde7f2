#include "shortcut/ShortcutSender.h"

#include "platform/log/Log.h"
#include "platform/ui/desktop/MessageBoxes.h"
#include "platform/win32/CodePage.h"
#include "shortcut/ShortcutJson.h"

#include <strings.h>

namespace {

bool sameKey(const std::string& a, const std::string& b) {
  return a.size() == b.size() && ::strncasecmp(a.c_str(), b.c_str(), a.size()) == 0;
}

}  // namespace

bool CShortcutSender::Start(const std::string& json) {
  Json::Value message;
  if (!CShortcutJson::Parse(json, message)) return false;
  m_jsonSendQueue = std::move(message);
  m_nSendIndex = 0;
  m_strBoundKey.clear();
  Step();
  return true;
}

bool CShortcutSender::IsSending() const {
  if (!m_jsonSendQueue.isObject()) return false;
  const Json::Value& list = m_jsonSendQueue["msgDetailList"];
  return list.isArray() && m_nSendIndex < static_cast<int>(list.size());
}

void CShortcutSender::Clear() {
  m_jsonSendQueue = Json::Value();
  m_nSendIndex = 0;
  m_strBoundKey.clear();
}

bool CShortcutSender::Step() {
  if (!IsSending()) return false;
  const std::string key = m_target.SelectedKey();
  if (key.empty()) {
    Clear();
    return false;
  }
  const std::string current = m_target.CurrentKey();
  if (!m_strBoundKey.empty() &&
      (!sameKey(key, m_strBoundKey) || !sameKey(current, m_strBoundKey))) {
    Clear();
    m_target.ShowMessage(kSwitchedText, kMismatchCaption, MB_OK);
    return false;
  }
  if (!sameKey(key, current)) {
    Clear();
    m_target.ShowMessage(kMismatchText, kMismatchCaption, MB_OK);
    return false;
  }
  m_strBoundKey = key;
  const Json::Value& list = m_jsonSendQueue["msgDetailList"];
  const Json::Value& detail = list[static_cast<Json::ArrayIndex>(m_nSendIndex)];
  if (!detail.isObject() || !detail["detailType"].isInt() || !SendItem(key, detail)) {
    Clear();
    return false;
  }
  ++m_nSendIndex;
  if (!IsSending()) return false;
  m_target.StartSendTimer(kStepMs);
  return true;
}

bool CShortcutSender::SendItem(const std::string& key, const Json::Value& detail) {
  const TShortcutItems items = CShortcutItems::FromDetail(detail, m_pictures);
  if (!items.vecFailedPictures.empty()) {
    TC_LOGF(TC_LOG_WARN, "picture %s of a quick reply cannot be had",
            items.vecFailedPictures.front().c_str());
    m_target.ShowMessage(kPictureFailedText, kMismatchCaption, MB_ICONWARNING);
    return false;
  }
  const int type = detail["detailType"].asInt();
  if (type == CShortcutJson::kTextItem && !items.vecItems.empty()) {
    m_target.InputTextVec(key, items.vecItems);
    m_target.SendCurrText(key);
  } else if (type == CShortcutJson::kPictureItem) {
    m_target.SendImageByCopy(key, WideToUtf8(items.vecItems.front().strText));
  }
  return true;
}
