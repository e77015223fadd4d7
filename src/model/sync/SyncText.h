#pragma once

#include <array>
#include <string_view>

// Every user-visible text of the sync model, in UTF-8.
namespace SyncText {

// The slots beyond the sixteen fields (whose names are ExchangeText::FieldNames).
inline constexpr std::array<std::string_view, 6> ExtraSlotNames = {"フリガナ", "敬称", "連名",
                                                                   "役職",     "部署", "年賀"};
// A value of this book that lost a conflict against the server's, kept in the memo:
// 「[競合] 電話番号: 03-1111-2222」.
inline constexpr std::string_view ConflictOpen = "[競合] ";
inline constexpr std::string_view ConflictSeparator = ": ";

} // namespace SyncText
