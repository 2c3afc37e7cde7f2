// The sign-in values: what a successful login leaves for the whole run. The login window
// stores them; the main window, the editor, the feedback and remark windows, the personal
// centre and the quick-message list thread read them (every request sends the token).
// Safe to read and write from any thread.
#pragma once

#include <string>

class CConnServer;

struct TSignInValues {
  std::string strAbout;
  std::string strNotice;
  std::string strWebsite;
  std::string strQQ;
  int nWechatQuantity = 0;
  std::string strLoginToken;
};

// The values before any sign-in: no texts, the vendor's web site and support number, and a
// quota of 15 copies.
TSignInValues InitialSignInValues();

TSignInValues GetSignInValues();
void SetSignInValues(const TSignInValues& values);
// Copies the six login members of a client whose Login succeeded.
void StoreSignInValues(const CConnServer& conn);

std::string GetLoginToken();
int GetWechatQuantity();
