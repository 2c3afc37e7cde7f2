// Result codes of the reply envelope. 1 is success; every other value is a failure the
// client shows through "resultMsg" (and "obj" as detail).
//
// Plain values and a plain exception type: usable from any thread.
#pragma once

#include <stdexcept>
#include <string>

namespace refserver {

enum EResultCode : int {
  RC_OK = 1,
  RC_UNKNOWN_PATH = 404,
  RC_SERVER_ERROR = 500,
  RC_MISSING_FIELD = 1001,
  RC_BAD_ENCODING = 1002,
  RC_BAD_PHONE = 1003,
  RC_BAD_REQUEST = 1004,
  RC_REQUEST_TOO_LARGE = 1005,
  RC_SERVER_BUSY = 1006,
  RC_WRONG_PASSWORD = 2001,
  RC_PHONE_TAKEN = 2002,
  RC_PHONE_UNKNOWN = 2003,
  RC_BAD_SMS_CODE = 2004,
  RC_BAD_PASSWORD = 2005,
  RC_TOO_FREQUENT = 2006,
  RC_BAD_TOKEN = 3001,
  RC_UNKNOWN_ID = 4001,
  RC_BAD_MESSAGE = 4002,
  RC_REMARK_TAKEN = 4003,
  RC_PICTURE_TOO_LARGE = 5001,
  RC_BAD_UPLOAD = 5002,
  RC_QUOTA_EXCEEDED = 6001,
  RC_DISK_FULL = 6002,
};

// The fixed Chinese text the client shows for a result code.
const char* ResultMessage(int code);

// A failure of one request: becomes the error envelope {resultCode, resultMsg, obj: detail}.
class CApiError : public std::runtime_error {
 public:
  CApiError(int code, std::string detail = {});
  int Code() const { return m_nCode; }
  const std::string& Detail() const { return m_sDetail; }

 private:
  int m_nCode;
  std::string m_sDetail;
};

}  // namespace refserver
