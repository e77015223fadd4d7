#pragma once

#include <string>
#include <string_view>

class ContactExtras;

// The names of a contact's extras as the user reads them (UTF-8): the sheet's 宛名 page, the
// list's columns, the CSV's headers and the start-up report share them.
namespace ExtrasText {

inline constexpr std::string_view Honorific = "敬称";
inline constexpr std::string_view JointNames = "連名";
inline constexpr std::string_view Title = "役職";
inline constexpr std::string_view Department = "部署";
inline constexpr std::string_view Nenga = "年賀";
inline constexpr std::string_view Send = "送る";
inline constexpr std::string_view DontSend = "送らない";
inline constexpr std::string_view Mourning = "喪中";
inline constexpr std::string_view Sent = "送った";
inline constexpr std::string_view Received = "受け取った";
inline constexpr std::string_view Separator = "・";

// One line that tells the extras apart: "敬称 先生・連名 花子 様・役職 部長・年賀 2027 喪中".
std::string summary(const ContactExtras& extras);
// The 年賀 marks of one year as words: "送る 喪中 受け取った"; empty when none.
std::string nengaWords(const ContactExtras& extras, int year);

} // namespace ExtrasText
