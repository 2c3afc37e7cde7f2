#include "platform/ui/core/NotifyPump.h"

#include "platform/ui/core/ControlUI.h"

#include <cstring>

namespace DuiLib {
namespace {

// The entry for msg in one map: first one naming the sender, else one for the type alone.
const DUI_MSGMAP_ENTRY* findEntry(const DUI_MSGMAP_ENTRY* entries, const TNotifyUI& msg) {
  const CDuiString name = msg.pSender ? msg.pSender->GetName() : CDuiString();
  const DUI_MSGMAP_ENTRY* typeOnly = nullptr;
  for (const DUI_MSGMAP_ENTRY* entry = entries; entry->nSig != DuiSig_end; ++entry) {
    if (msg.sType != entry->sMsgType) continue;
    if (entry->sCtrlName && *entry->sCtrlName) {
      if (name == entry->sCtrlName) return entry;
    } else if (!typeOnly) {
      typeOnly = entry;
    }
  }
  return typeOnly;
}

}  // namespace

const DUI_MSGMAP_ENTRY CNotifyPump::_messageEntries[] = {{"", "", DuiSig_end, nullptr}};
const DUI_MSGMAP CNotifyPump::messageMap = {&CNotifyPump::_GetBaseMessageMap,
                                            &CNotifyPump::_messageEntries[0]};
const DUI_MSGMAP* CNotifyPump::_GetBaseMessageMap() {
  return nullptr;
}
const DUI_MSGMAP* CNotifyPump::GetMessageMap() const {
  return &CNotifyPump::messageMap;
}

bool CNotifyPump::AddVirtualWnd(CDuiString strName, CNotifyPump* pObject) {
  if (!pObject) return false;
  return m_VirtualWndMap.emplace(strName.str(), pObject).second;
}

bool CNotifyPump::RemoveVirtualWnd(CDuiString strName) {
  return m_VirtualWndMap.erase(strName.str()) > 0;
}

bool CNotifyPump::LoopDispatch(TNotifyUI& msg) {
  for (const DUI_MSGMAP* map = GetMessageMap(); map;
       map = map->pfnGetBaseMap ? map->pfnGetBaseMap() : nullptr) {
    const DUI_MSGMAP_ENTRY* entry = findEntry(map->lpEntries, msg);
    if (!entry || !entry->pfn) continue;
    (this->*entry->pfn)(msg);
    return true;
  }
  return false;
}

bool CNotifyPump::NotifyPump(TNotifyUI& msg) {
  if (!msg.sVirtualWnd.IsEmpty()) {
    const auto it = m_VirtualWndMap.find(msg.sVirtualWnd.str());
    if (it != m_VirtualWndMap.end() && it->second->LoopDispatch(msg)) return true;
  }
  return LoopDispatch(msg);
}

}  // namespace DuiLib
