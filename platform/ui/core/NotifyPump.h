// The notify map: a static table per class from notification type (and optionally control
// name) to a member handler, searched from the most derived class to its bases.
//
//   class CMyWnd : public WindowImplBase {
//     DUI_DECLARE_MESSAGE_MAP()
//     void OnClick(TNotifyUI& msg);
//   };
//   DUI_BEGIN_MESSAGE_MAP(CMyWnd, WindowImplBase)
//     DUI_ON_MSGTYPE(DUI_MSGTYPE_CLICK, CMyWnd::OnClick)
//     DUI_ON_CLICK_CTRNAME("closebtn", CMyWnd::OnClose)
//   DUI_END_MESSAGE_MAP()
//
// Handlers are named with their class (standard C++ takes a member's address only so).
// One handler runs per notification: in the nearest map that has an entry, an entry naming
// the sender wins over one for the type alone.
#pragma once

#include "platform/ui/core/UIDefine.h"

#include <map>
#include <string>

namespace DuiLib {

class CNotifyPump;
using DUI_PMSG = void (CNotifyPump::*)(TNotifyUI& msg);

struct DUI_MSGMAP_ENTRY {
  const char* sMsgType;
  const char* sCtrlName;
  UINT nSig;
  DUI_PMSG pfn;
};

struct DUI_MSGMAP {
  const DUI_MSGMAP* (*pfnGetBaseMap)();
  const DUI_MSGMAP_ENTRY* lpEntries;
};

enum DuiSig { DuiSig_end = 0, DuiSig_lwl, DuiSig_vn };

class CNotifyPump {
 public:
  virtual ~CNotifyPump() = default;
  // Named sub-pumps: a notification whose sVirtualWnd names one goes to it.
  bool AddVirtualWnd(CDuiString strName, CNotifyPump* pObject);
  bool RemoveVirtualWnd(CDuiString strName);
  // Dispatches by the map; true when a handler ran.
  bool NotifyPump(TNotifyUI& msg);
  bool LoopDispatch(TNotifyUI& msg);

 protected:
  static const DUI_MSGMAP_ENTRY _messageEntries[];
  static const DUI_MSGMAP messageMap;
  static const DUI_MSGMAP* _GetBaseMessageMap();
  virtual const DUI_MSGMAP* GetMessageMap() const;

 private:
  std::map<std::string, CNotifyPump*> m_VirtualWndMap;
};

}  // namespace DuiLib

#define DUI_DECLARE_MESSAGE_MAP()                            \
 private:                                                    \
  static const ::DuiLib::DUI_MSGMAP_ENTRY _messageEntries[]; \
                                                             \
 protected:                                                  \
  static const ::DuiLib::DUI_MSGMAP messageMap;              \
  static const ::DuiLib::DUI_MSGMAP* _GetBaseMessageMap();   \
  const ::DuiLib::DUI_MSGMAP* GetMessageMap() const override;

#define DUI_BASE_BEGIN_MESSAGE_MAP(theClass)                                         \
  const ::DuiLib::DUI_MSGMAP* theClass::_GetBaseMessageMap() {                       \
    return nullptr;                                                                  \
  }                                                                                  \
  const ::DuiLib::DUI_MSGMAP* theClass::GetMessageMap() const {                      \
    return &theClass::messageMap;                                                    \
  }                                                                                  \
  const ::DuiLib::DUI_MSGMAP theClass::messageMap = {&theClass::_GetBaseMessageMap,  \
                                                     &theClass::_messageEntries[0]}; \
  const ::DuiLib::DUI_MSGMAP_ENTRY theClass::_messageEntries[] = {
#define DUI_BEGIN_MESSAGE_MAP(theClass, baseClass)                                   \
  const ::DuiLib::DUI_MSGMAP* theClass::_GetBaseMessageMap() {                       \
    return &baseClass::messageMap;                                                   \
  }                                                                                  \
  const ::DuiLib::DUI_MSGMAP* theClass::GetMessageMap() const {                      \
    return &theClass::messageMap;                                                    \
  }                                                                                  \
  const ::DuiLib::DUI_MSGMAP theClass::messageMap = {&theClass::_GetBaseMessageMap,  \
                                                     &theClass::_messageEntries[0]}; \
  const ::DuiLib::DUI_MSGMAP_ENTRY theClass::_messageEntries[] = {
#define DUI_END_MESSAGE_MAP()                                                \
  { "", "", ::DuiLib::DuiSig_end, static_cast<::DuiLib::DUI_PMSG>(nullptr) } \
  }                                                                          \
  ;

#define DUI_ON_MSGTYPE(msgtype, memberFxn) \
  {msgtype, "", ::DuiLib::DuiSig_vn, static_cast<::DuiLib::DUI_PMSG>(&memberFxn)},

#define DUI_ON_MSGTYPE_CTRNAME(msgtype, ctrname, memberFxn) \
  {msgtype, ctrname, ::DuiLib::DuiSig_vn, static_cast<::DuiLib::DUI_PMSG>(&memberFxn)},

#define DUI_ON_CLICK_CTRNAME(ctrname, memberFxn)              \
  {::DuiLib::DUI_MSGTYPE_CLICK, ctrname, ::DuiLib::DuiSig_vn, \
   static_cast<::DuiLib::DUI_PMSG>(&memberFxn)},

#define DUI_ON_SELECTCHANGED_CTRNAME(ctrname, memberFxn)              \
  {::DuiLib::DUI_MSGTYPE_SELECTCHANGED, ctrname, ::DuiLib::DuiSig_vn, \
   static_cast<::DuiLib::DUI_PMSG>(&memberFxn)},

#define DUI_ON_KILLFOCUS_CTRNAME(ctrname, memberFxn)              \
  {::DuiLib::DUI_MSGTYPE_KILLFOCUS, ctrname, ::DuiLib::DuiSig_vn, \
   static_cast<::DuiLib::DUI_PMSG>(&memberFxn)},

#define DUI_ON_ITEMSELECT_CTRNAME(ctrname, memberFxn)              \
  {::DuiLib::DUI_MSGTYPE_ITEMSELECT, ctrname, ::DuiLib::DuiSig_vn, \
   static_cast<::DuiLib::DUI_PMSG>(&memberFxn)},
