#pragma once

#include <array>
#include <string_view>

// Every user-visible text of the exchange formats (vCard, CSV), in UTF-8: the column headers of
// the spreadsheet CSV, the labels of values written into the memo, the reasons a line was not
// imported, and the names of the columns' targets in the import preview.
namespace ExchangeText {

// The sixteen fields by AddressRecord index: the spreadsheet CSV's header row, and the field
// names of an import summary. The import preview reads them back as the same fields.
inline constexpr std::array<std::string_view, 16> FieldNames = {
    "名前",           "電子メール",       "郵便番号",       "住所",
    "電話番号",       "携帯電話番号",     "FAX番号",        "メモ",
    "勤務先名",       "勤務先電子メール", "勤務先郵便番号", "勤務先住所",
    "勤務先電話番号", "勤務先FAX番号",    "勤務先メモ",     "グループ"};
inline constexpr std::string_view Reading = "フリガナ";
inline constexpr std::string_view Uid = "UID";
inline constexpr std::string_view Of = "の";
inline constexpr std::string_view Ignore = "取り込まない";

// Parts of a field that several columns fill together, shown as "住所（都道府県）".
inline constexpr std::string_view PartOpen = "（";
inline constexpr std::string_view PartClose = "）";
inline constexpr std::string_view PartFamily = "姓";
inline constexpr std::string_view PartGiven = "名";
inline constexpr std::string_view PartMiddle = "ミドルネーム";
inline constexpr std::string_view PartRegion = "都道府県";
inline constexpr std::string_view PartLocality = "市区町村";
inline constexpr std::string_view PartStreet = "番地";
inline constexpr std::string_view PartExtended = "建物名";
inline constexpr std::string_view PartCountry = "国";
inline constexpr std::string_view PartDepartment = "部署";
inline constexpr std::string_view PartLabelled = "見出し付き";

// Values without a field of their own go into the memo as "label：value" lines.
inline constexpr std::string_view LabelSeparator = "：";
inline constexpr std::string_view ExtraPhone = "電話";
inline constexpr std::string_view ExtraMobile = "携帯電話";
inline constexpr std::string_view ExtraFax = "FAX";
inline constexpr std::string_view ExtraPager = "ポケットベル";
inline constexpr std::string_view ExtraOfficePhone = "勤務先電話";
inline constexpr std::string_view ExtraOfficeFax = "勤務先FAX";
inline constexpr std::string_view ExtraEmail = "メール";
inline constexpr std::string_view ExtraOfficeEmail = "勤務先メール";
inline constexpr std::string_view ExtraAddress = "住所";
inline constexpr std::string_view ExtraOfficeAddress = "勤務先住所";
inline constexpr std::string_view ExtraCompany = "勤務先";
inline constexpr std::string_view ExtraBirthday = "誕生日";
inline constexpr std::string_view ExtraAnniversary = "記念日";
inline constexpr std::string_view ExtraUrl = "URL";
inline constexpr std::string_view ExtraNickname = "ニックネーム";
inline constexpr std::string_view ExtraTitle = "役職";
inline constexpr std::string_view ExtraRole = "役割";
inline constexpr std::string_view ExtraIm = "IM";
inline constexpr std::string_view PostalMark = "〒";
// An iPhone's "Other" label (_$!<Other>!$_), as the memo names the value.
inline constexpr std::string_view LabelOther = "その他";

// Why a line or card was not imported.
inline constexpr std::string_view TooFewFields = "項目が16個に足りません";
inline constexpr std::string_view EmptyGroup = "グループが空です";
inline constexpr std::string_view LineTooLong = "行が長すぎます";
inline constexpr std::string_view UnclosedQuote = "引用符が閉じていません";
inline constexpr std::string_view NothingToImport = "取り込める項目がありません";

} // namespace ExchangeText
