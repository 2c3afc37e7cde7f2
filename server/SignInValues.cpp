#include "server/SignInValues.h"

#include "server/ConnServer.h"

#include <mutex>

namespace {

constexpr int kInitialWechatQuantity = 15;

std::mutex s_mutex;

TSignInValues& storedValues() {
  static TSignInValues s_values = InitialSignInValues();
  return s_values;
}

}  // namespace

TSignInValues InitialSignInValues() {
  TSignInValues values;
  values.strWebsite = CConnServer::kVendorWebsite;
  values.strQQ = CConnServer::kVendorSupportQQ;
  values.nWechatQuantity = kInitialWechatQuantity;
  return values;
}

TSignInValues GetSignInValues() {
  std::lock_guard<std::mutex> lock(s_mutex);
  return storedValues();
}

void SetSignInValues(const TSignInValues& values) {
  std::lock_guard<std::mutex> lock(s_mutex);
  storedValues() = values;
}

void StoreSignInValues(const CConnServer& conn) {
  TSignInValues values;
  values.strAbout = conn.m_strAbout.str();
  values.strNotice = conn.m_strNotice.str();
  values.strWebsite = conn.m_strWebsite.str();
  values.strQQ = conn.m_strQQ.str();
  values.nWechatQuantity = conn.m_nWechatQuantity;
  values.strLoginToken = conn.m_strLoginToken.str();
  SetSignInValues(values);
}

std::string GetLoginToken() {
  return GetSignInValues().strLoginToken;
}

int GetWechatQuantity() {
  return GetSignInValues().nWechatQuantity;
}
