#include "refserver/ApiError.h"

namespace refserver {

const char* ResultMessage(int code) {
  switch (code) {
    case RC_OK:
      return "操作成功";
    case RC_UNKNOWN_PATH:
      return "接口不存在";
    case RC_MISSING_FIELD:
      return "缺少必填参数";
    case RC_BAD_ENCODING:
      return "参数编码错误";
    case RC_BAD_PHONE:
      return "手机号码格式错误";
    case RC_BAD_REQUEST:
      return "请求格式错误";
    case RC_REQUEST_TOO_LARGE:
      return "请求数据过大";
    case RC_SERVER_BUSY:
      return "服务器繁忙，请稍后再试";
    case RC_WRONG_PASSWORD:
      return "手机号或密码错误";
    case RC_PHONE_TAKEN:
      return "该手机号已注册";
    case RC_PHONE_UNKNOWN:
      return "该手机号未注册";
    case RC_BAD_SMS_CODE:
      return "短信验证码错误或已过期";
    case RC_BAD_PASSWORD:
      return "密码格式错误";
    case RC_TOO_FREQUENT:
      return "操作过于频繁，请稍后再试";
    case RC_BAD_TOKEN:
      return "登录已失效，请重新登录";
    case RC_UNKNOWN_ID:
      return "记录不存在";
    case RC_BAD_MESSAGE:
      return "快捷语内容格式错误";
    case RC_REMARK_TAKEN:
      return "该联系人已有备注";
    case RC_PICTURE_TOO_LARGE:
      return "图片大小不能超过2M";
    case RC_BAD_UPLOAD:
      return "上传图片失败";
    case RC_QUOTA_EXCEEDED:
      return "已超出账户的存储上限";
    case RC_DISK_FULL:
      return "服务器存储空间不足，请稍后再试";
    default:
      return "服务器内部错误";
  }
}

CApiError::CApiError(int code, std::string detail)
    : std::runtime_error(ResultMessage(code)), m_nCode(code), m_sDetail(std::move(detail)) {}

}  // namespace refserver
