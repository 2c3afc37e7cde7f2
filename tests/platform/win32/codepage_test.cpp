#include "platform/win32/CodePage.h"
#include "platform/win32/KernelObject.h"

#include <gtest/gtest.h>

TEST(CodePage, RoundTripsChineseAndEmojiThroughUtf16) {
  const std::string text = "快捷语 quick 😀👍🏻";
  const std::u16string wide = Utf8ToWide(text);
  EXPECT_EQ(wide.size(), 16u);  // the emoji and the modifier are surrogate pairs
  EXPECT_EQ(WideToUtf8(wide), text);
  EXPECT_EQ(AnsiToUtf8(text), text);
  EXPECT_EQ(Utf8ToAnsi(text), text);
}

TEST(CodePage, InvalidInputGivesAnEmptyResult) {
  for (const std::string& bad :
       {std::string("\xC0\xAF"), std::string("ab\xE4\xBD"), std::string("\xED\xA0\x80"),
        std::string("\xF4\x90\x80\x80"), std::string("\xFF")}) {
    EXPECT_EQ(AnsiToUtf8(bad), "") << "overlong, truncated, surrogate, out of range, stray byte";
    EXPECT_EQ(Utf8ToWide(bad), u"");
  }
  EXPECT_EQ(WideToUtf8(std::u16string(1, u'\xD83D')), "") << "a lone high surrogate";
}

TEST(CodePage, MultiByteToWideCharFollowsTheWin32Contract) {
  const char* text = "中文";
  const int needed = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
  EXPECT_EQ(needed, 3) << "two characters and the terminating zero";
  WCHAR buffer[8];
  EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, text, -1, buffer, 8), 3);
  EXPECT_EQ(std::u16string(buffer), u"中文");
  EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, text, -1, buffer, 2), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  EXPECT_EQ(MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, "\xFF", 1, buffer, 8), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_UNICODE_TRANSLATION));
  EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, "\xFF", 1, buffer, 8), 1) << "without the flag: U+FFFD";
  EXPECT_EQ(buffer[0], u'\xFFFD');
  EXPECT_EQ(MultiByteToWideChar(936, 0, text, -1, buffer, 8), 0)
      << "only the UTF-8 code pages exist here";
}

TEST(CodePage, WideCharToMultiByteCountsBytes) {
  const char16_t* wide = u"表情😀";
  EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, wide, -1, nullptr, 0, nullptr, nullptr), 11);
  char buffer[16];
  EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, wide, 4, buffer, sizeof buffer, nullptr, nullptr), 10);
  EXPECT_EQ(std::string(buffer, 10), "表情😀");
}
