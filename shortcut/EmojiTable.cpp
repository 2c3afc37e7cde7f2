#include "shortcut/EmojiTable.h"

#include "platform/win32/CodePage.h"

#include <array>

namespace {

// Entry n of the table is kEntries[n - 1]: UTF-8 literals, one code point each except the
// client's text codes. The order is the emoji panel's and must never change: stored replies
// refer to entries by number.
constexpr std::array<const char*, CEmojiTable::kLast> kEntries = {
    // 1-8
    "\U0001F604", "\U0001F637", "\U0001F639", "\U0001F61D", "\U0001F633", "\U0001F631",
    "\U0001F64D", "\U0001F612",
    // 9-14
    "[嘿哈]", "[捂脸]", "[奸笑]", "[机智]", "[皱眉]", "[耶]",
    // 15-19
    "\U0001F47B", "\U0001F64F", "\U0001F4AA", "\U0001F389", "\U0001F4E6",
    // 20-21
    "[红包]", "[鸡]",
    // 22-30
    "\U0001F60A", "\U0001F63A", "\u263A", "\U0001F609", "\U0001F63B", "\U0001F63D", "\U0001F61A",
    "\U0001F63C", "\U0001F60C",
    // 31-40
    "\U0001F61C", "\U0001F60F", "\U0001F613", "\U0001F61E", "\U0001F4AB", "\U0001F625",
    "\U0001F630", "\U0001F628", "\U0001F62B", "\U0001F63F",
    // 41-50
    "\U0001F62D", "\U0001F632", "\U0001F620", "\U0001F64E", "\U0001F62A", "\U0001F47F",
    "\U0001F47D", "\u2764", "\U0001F494", "\U0001F498",
    // 51-60
    "\u2747", "\U0001F31F", "\u2755", "\u2754", "\U0001F4A4", "\U0001F4A7", "\U0001F3B5",
    "\U0001F525", "\U0001F4A9", "\U0001F44D",
    // 61-70
    "\U0001F44E", "\U0001F44A", "\u270C", "\U0001F446", "\U0001F447", "\U0001F449", "\U0001F448",
    "\u261D", "\U0001F48F", "\U0001F491",
    // 71-80
    "\U0001F466", "\U0001F467", "\U0001F469", "\U0001F468", "\U0001F47C", "\U0001F480",
    "\U0001F48B", "\u2600", "\u2614", "\u2601",
    // 81-90
    "\u26C4", "\U0001F31B", "\u26A1", "\U0001F30A", "\U0001F431", "\U0001F436", "\U0001F42D",
    "\U0001F439", "\U0001F430", "\U0001F43A",
    // 91-100
    "\U0001F438", "\U0001F42F", "\U0001F428", "\U0001F43B", "\U0001F43D", "\U0001F42E",
    "\U0001F417", "\U0001F435", "\U0001F434", "\U0001F40D",
    // 101-110
    "\U0001F426", "\U0001F414", "\U0001F427", "\U0001F41B", "\U0001F419", "\U0001F420",
    "\U0001F433", "\U0001F42C", "\U0001F339", "\U0001F33A",
    // 111-120
    "\U0001F334", "\U0001F335", "\U0001F49D", "\U0001F383", "\U0001F385", "\U0001F384",
    "\U0001F514", "\U0001F388", "\U0001F4BF", "\U0001F4F7",
    // 121-130
    "\U0001F4F9", "\U0001F4BB", "\U0001F4FA", "\U0001F4DE", "\U0001F513", "\U0001F510",
    "\U0001F511", "\U0001F528", "\U0001F4A1", "\U0001F4EB",
    // 131-140
    "\U0001F6C0", "\U0001F4B5", "\U0001F4A3", "\U0001F52B", "\U0001F48A", "\U0001F3C8",
    "\U0001F3C0", "\u26BD", "\u26BE", "\u26F3",
    // 141-150
    "\U0001F3C6", "\U0001F47E", "\U0001F3A4", "\U0001F3B8", "\U0001F459", "\U0001F451",
    "\U0001F302", "\U0001F45C", "\U0001F484", "\U0001F48D",
    // 151-160
    "\U0001F48E", "\u2615", "\U0001F37A", "\U0001F37B", "\U0001F379", "\U0001F354", "\U0001F35F",
    "\U0001F35D", "\U0001F363", "\U0001F35C",
    // 161-170
    "\U0001F373", "\U0001F366", "\U0001F382", "\U0001F34F", "\u2708", "\U0001F680", "\U0001F6B2",
    "\U0001F684", "\u26A0", "\U0001F3C1",
    // 171-177
    "\U0001F6B9", "\U0001F6BA", "\u2B55", "\u2716", "\u00A9", "\u00AE", "\u2122"};

bool inRange(int n) {
  return n >= CEmojiTable::kFirst && n <= CEmojiTable::kLast;
}

}  // namespace

std::string CEmojiTable::LookupUtf8(int n) {
  return inRange(n) ? kEntries[static_cast<size_t>(n - 1)] : std::string();
}

std::u16string CEmojiTable::Lookup(int n) {
  // Built once: the table of wide strings the input path hands to the manager.
  static const std::array<std::u16string, kLast> wide = [] {
    std::array<std::u16string, kLast> table;
    for (int i = 0; i < kLast; ++i) table[static_cast<size_t>(i)] = Utf8ToWide(kEntries[i]);
    return table;
  }();
  return inRange(n) ? wide[static_cast<size_t>(n - 1)] : std::u16string();
}
