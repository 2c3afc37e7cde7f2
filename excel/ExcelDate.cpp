#include "excel/ExcelDate.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <vector>

namespace {

// Largest serial a sheet can hold: 9999-12-31.
constexpr double kMaxSerial = 2958466.0;
constexpr std::int64_t kMsPerDay = 86400000;

enum class TokenKind {
  Literal,
  Year,
  Month,
  MinuteOrMonth,
  Day,
  Weekday,
  Hour,
  Minute,
  Second,
  Fraction,
  AmPm,
  ElapsedHours,
  ElapsedMinutes,
  ElapsedSeconds
};

struct TToken {
  TokenKind kind;
  int width = 0;     // letters in the token (yyyy = 4)
  std::string text;  // literal text, or the AM/PM spelling
};

bool isLetter(char c, char lower) {
  return c == lower || c == lower - 'a' + 'A';
}

std::size_t runLength(const std::string& code, std::size_t at, char lower) {
  std::size_t n = 0;
  while (at + n < code.size() && isLetter(code[at + n], lower)) ++n;
  return n;
}

bool startsWithNoCase(const std::string& code, std::size_t at, const std::string& word) {
  if (code.size() - at < word.size()) return false;
  for (std::size_t i = 0; i < word.size(); ++i) {
    const char a = code[at + i];
    const char b = word[i];
    if (a != b && !((a | 0x20) == (b | 0x20) && ((b | 0x20) >= 'a' && (b | 0x20) <= 'z')))
      return false;
  }
  return true;
}

// "[h]", "[mm]", "[ss]" are elapsed-time tokens; other brackets (colour, locale, condition)
// show nothing.
void bracketToken(const std::string& inside, std::vector<TToken>& tokens) {
  if (inside.empty()) return;
  const char first = static_cast<char>(inside[0] | 0x20);
  for (char c : inside) {
    if ((c | 0x20) != first) return;
  }
  const int width = static_cast<int>(inside.size());
  if (first == 'h')
    tokens.push_back({TokenKind::ElapsedHours, width, {}});
  else if (first == 'm')
    tokens.push_back({TokenKind::ElapsedMinutes, width, {}});
  else if (first == 's')
    tokens.push_back({TokenKind::ElapsedSeconds, width, {}});
}

void addLiteral(std::vector<TToken>& tokens, const std::string& text) {
  if (!tokens.empty() && tokens.back().kind == TokenKind::Literal)
    tokens.back().text += text;
  else
    tokens.push_back({TokenKind::Literal, 0, text});
}

// Splits the first section of a format code into tokens. Returns false if nothing in it is a
// date or time part.
bool tokenize(const std::string& code, std::vector<TToken>& tokens) {
  bool hasDatePart = false;
  for (std::size_t i = 0; i < code.size();) {
    const char c = code[i];
    if (c == ';') break;
    if (c == '"') {
      const std::size_t close = code.find('"', i + 1);
      const std::size_t end = close == std::string::npos ? code.size() : close;
      addLiteral(tokens, code.substr(i + 1, end - i - 1));
      i = end + 1;
    } else if (c == '\\' && i + 1 < code.size()) {
      addLiteral(tokens, code.substr(i + 1, 1));
      i += 2;
    } else if ((c == '_' || c == '*') && i + 1 < code.size()) {
      if (c == '_') addLiteral(tokens, " ");
      i += 2;
    } else if (c == '[') {
      const std::size_t close = code.find(']', i);
      const std::size_t end = close == std::string::npos ? code.size() : close;
      const std::size_t before = tokens.size();
      bracketToken(code.substr(i + 1, end - i - 1), tokens);
      hasDatePart |= tokens.size() != before;
      i = end + 1;
    } else if (startsWithNoCase(code, i, "AM/PM")) {
      tokens.push_back({TokenKind::AmPm, 5, {}});
      i += 5;
    } else if (startsWithNoCase(code, i, "A/P")) {
      tokens.push_back({TokenKind::AmPm, 3, code.substr(i, 3)});
      i += 3;
    } else if (code.compare(i, 13, "上午/下午") == 0) {
      tokens.push_back({TokenKind::AmPm, 13, {}});
      i += 13;
    } else if (isLetter(c, 'y')) {
      const std::size_t n = runLength(code, i, 'y');
      tokens.push_back({TokenKind::Year, static_cast<int>(n), {}});
      hasDatePart = true;
      i += n;
    } else if (isLetter(c, 'm')) {
      const std::size_t n = runLength(code, i, 'm');
      tokens.push_back({TokenKind::MinuteOrMonth, static_cast<int>(n), {}});
      hasDatePart = true;
      i += n;
    } else if (isLetter(c, 'd') || isLetter(c, 'a')) {
      const char letter = isLetter(c, 'd') ? 'd' : 'a';
      const std::size_t n = runLength(code, i, letter);
      const bool weekday = letter == 'a' || n >= 3;
      if (letter == 'a' && n < 3) {
        addLiteral(tokens, code.substr(i, n));
      } else {
        tokens.push_back({weekday ? TokenKind::Weekday : TokenKind::Day, static_cast<int>(n),
                          letter == 'a' ? "a" : ""});
        hasDatePart = true;
      }
      i += n;
    } else if (isLetter(c, 'h')) {
      const std::size_t n = runLength(code, i, 'h');
      tokens.push_back({TokenKind::Hour, static_cast<int>(n), {}});
      hasDatePart = true;
      i += n;
    } else if (isLetter(c, 's')) {
      const std::size_t n = runLength(code, i, 's');
      tokens.push_back({TokenKind::Second, static_cast<int>(n), {}});
      hasDatePart = true;
      i += n;
    } else if (c == '.' && i + 1 < code.size() && code[i + 1] == '0' && !tokens.empty() &&
               (tokens.back().kind == TokenKind::Second ||
                tokens.back().kind == TokenKind::ElapsedSeconds)) {
      std::size_t n = 0;
      while (i + 1 + n < code.size() && code[i + 1 + n] == '0') ++n;
      const int digits = static_cast<int>(std::min<std::size_t>(n, 3));
      tokens.push_back({TokenKind::Fraction, digits, {}});
      i += 1 + n;
    } else {
      addLiteral(tokens, code.substr(i, 1));
      ++i;
    }
  }
  return hasDatePart;
}

// An "m" is minutes right after hours or right before seconds, else the month.
void resolveMinutes(std::vector<TToken>& tokens) {
  TokenKind previous = TokenKind::Literal;
  for (std::size_t i = 0; i < tokens.size(); ++i) {
    TToken& token = tokens[i];
    if (token.kind == TokenKind::Literal) continue;
    if (token.kind == TokenKind::MinuteOrMonth) {
      TokenKind next = TokenKind::Literal;
      for (std::size_t j = i + 1; j < tokens.size() && next == TokenKind::Literal; ++j)
        next = tokens[j].kind;
      const bool afterHour = previous == TokenKind::Hour || previous == TokenKind::ElapsedHours;
      const bool beforeSecond = next == TokenKind::Second;
      token.kind =
          (token.width <= 2 && (afterHour || beforeSecond)) ? TokenKind::Minute : TokenKind::Month;
    }
    previous = token.kind;
  }
}

struct TDateTime {
  int year, month, day, weekday;  // weekday 0 = Sunday
  std::int64_t totalMs;           // since the epoch, for elapsed-time tokens
  int hour, minute, second, millisecond;
};

// Days since 1970-01-01 to a civil date (proleptic Gregorian).
void civilFromDays(std::int64_t z, int& year, int& month, int& day) {
  z += 719468;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  year = static_cast<int>(yoe + era * 400 + (month <= 2 ? 1 : 0));
}

TDateTime splitSerial(double serial, bool date1904) {
  TDateTime dt{};
  dt.totalMs = std::llround(serial * static_cast<double>(kMsPerDay));
  const std::int64_t days = dt.totalMs / kMsPerDay;
  const std::int64_t ms = dt.totalMs % kMsPerDay;
  dt.hour = static_cast<int>(ms / 3600000);
  dt.minute = static_cast<int>(ms / 60000 % 60);
  dt.second = static_cast<int>(ms / 1000 % 60);
  dt.millisecond = static_cast<int>(ms % 1000);
  // Days from 1970-01-01: 1904 system counts from 1904-01-01 (-24107). The 1900 system
  // counts from 1899-12-31 and keeps Lotus's 29 February 1900 (serial 60).
  std::int64_t unixDays = 0;
  if (date1904) {
    unixDays = days - 24107;
  } else if (days == 60) {
    dt.year = 1900, dt.month = 2, dt.day = 29, dt.weekday = 4;
    return dt;
  } else if (days == 0) {
    dt.year = 1900, dt.month = 1, dt.day = 0, dt.weekday = 6;
    return dt;
  } else {
    unixDays = days - (days < 60 ? 25568 : 25569);
  }
  civilFromDays(unixDays, dt.year, dt.month, dt.day);
  dt.weekday = static_cast<int>(((unixDays % 7) + 11) % 7);  // 1970-01-01 was a Thursday
  return dt;
}

std::string number(std::int64_t value, int width) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%0*lld", width, static_cast<long long>(value));
  return buffer;
}

const char* const kMonthNames[] = {"January",   "February", "March",    "April",
                                   "May",       "June",     "July",     "August",
                                   "September", "October",  "November", "December"};
const char* const kDayNames[] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                 "Thursday", "Friday", "Saturday"};
const char* const kChineseDayNames[] = {"日", "一", "二", "三", "四", "五", "六"};

std::string ampmText(const TToken& token, int hour) {
  const bool pm = hour >= 12;
  if (token.width == 13) return pm ? "下午" : "上午";
  if (token.width == 3) return std::string(1, token.text[pm ? 2 : 0]);
  return pm ? "PM" : "AM";
}

std::string render(const TToken& token, const TDateTime& dt, bool twelveHour) {
  const int monthIndex = dt.month >= 1 && dt.month <= 12 ? dt.month - 1 : 0;
  switch (token.kind) {
    case TokenKind::Literal:
      return token.text;
    case TokenKind::Year:
      return token.width <= 2 ? number(dt.year % 100, 2) : number(dt.year, 4);
    case TokenKind::Month:
      if (token.width >= 5) return std::string(1, kMonthNames[monthIndex][0]);
      if (token.width == 4) return kMonthNames[monthIndex];
      if (token.width == 3) return std::string(kMonthNames[monthIndex], 3);
      return number(dt.month, token.width);
    case TokenKind::Day:
      return number(dt.day, token.width);
    case TokenKind::Weekday:
      if (token.text == "a")
        return std::string(token.width >= 4 ? "星期" : "") + kChineseDayNames[dt.weekday];
      return token.width >= 4 ? kDayNames[dt.weekday] : std::string(kDayNames[dt.weekday], 3);
    case TokenKind::Hour: {
      int hour = dt.hour;
      if (twelveHour) hour = hour % 12 == 0 ? 12 : hour % 12;
      return number(hour, std::min(token.width, 2));
    }
    case TokenKind::Minute:
      return number(dt.minute, token.width);
    case TokenKind::Second:
      return number(dt.second, std::min(token.width, 2));
    case TokenKind::Fraction:
      return "." + number(dt.millisecond, 3).substr(0, static_cast<std::size_t>(token.width));
    case TokenKind::AmPm:
      return ampmText(token, dt.hour);
    case TokenKind::ElapsedHours:
      return number(dt.totalMs / 3600000, token.width);
    case TokenKind::ElapsedMinutes:
      return number(dt.totalMs / 60000, token.width);
    case TokenKind::ElapsedSeconds:
      return number(dt.totalMs / 1000, token.width);
    case TokenKind::MinuteOrMonth:
      break;
  }
  return {};
}

}  // namespace

std::string BuiltinExcelFormat(int id) {
  switch (id) {
    case 14:
      return "yyyy/m/d";
    case 15:
      return "d-mmm-yy";
    case 16:
      return "d-mmm";
    case 17:
      return "mmm-yy";
    case 18:
      return "h:mm AM/PM";
    case 19:
      return "h:mm:ss AM/PM";
    case 20:
      return "h:mm";
    case 21:
      return "h:mm:ss";
    case 22:
      return "yyyy/m/d h:mm";
    case 27:
    case 36:
    case 50:
    case 57:
      return "yyyy\"年\"m\"月\"";
    case 28:
    case 29:
    case 51:
    case 54:
    case 56:
      return "m\"月\"d\"日\"";
    case 30:
      return "m-d-yy";
    case 31:
    case 52:
    case 53:
    case 58:
      return "yyyy\"年\"m\"月\"d\"日\"";
    case 32:
      return "h\"时\"mm\"分\"";
    case 33:
      return "h\"时\"mm\"分\"ss\"秒\"";
    case 34:
    case 55:
      return "上午/下午h\"时\"mm\"分\"";
    case 35:
      return "上午/下午h\"时\"mm\"分\"ss\"秒\"";
    case 45:
      return "mm:ss";
    case 46:
      return "[h]:mm:ss";
    case 47:
      return "mm:ss.0";
    default:
      return "General";
  }
}

bool IsExcelDateFormat(const std::string& code) {
  if (code.empty() || startsWithNoCase(code, 0, "General")) return false;
  std::vector<TToken> tokens;
  return tokenize(code, tokens);
}

std::string FormatExcelDate(double serial, const std::string& code, bool date1904) {
  if (!(serial >= 0 && serial < kMaxSerial)) return {};
  std::vector<TToken> tokens;
  if (!tokenize(code, tokens)) return {};
  resolveMinutes(tokens);
  bool twelveHour = false;
  for (const TToken& token : tokens) twelveHour |= token.kind == TokenKind::AmPm;
  const TDateTime dt = splitSerial(serial, date1904);
  std::string text;
  for (const TToken& token : tokens) text += render(token, dt, twelveHour);
  return text;
}
