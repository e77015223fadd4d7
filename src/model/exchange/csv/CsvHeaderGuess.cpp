#include "CsvHeaderGuess.h"

#include "model/book/AddressRecord.h"
#include "model/exchange/ExchangeText.h"
#include "model/text/Utf8.h"

#include <algorithm>
#include <string>

namespace CsvHeaderGuess {
namespace {

using R = AddressRecord;
using P = CsvColumn::Part;

struct Entry
{
    std::string_view key; // normalized
    int field;
    P part;
};

// Header names as Japanese spreadsheets, Google Contacts, Outlook and Thunderbird write them,
// already normalized.
constexpr Entry kTable[] = {
    // name
    {"名前", R::Name, P::Whole},
    {"氏名", R::Name, P::Whole},
    {"姓名", R::Name, P::Whole},
    {"お名前", R::Name, P::Whole},
    {"フルネーム", R::Name, P::Whole},
    {"表示名", R::Name, P::Whole},
    {"名称", R::Name, P::Whole},
    {"氏名(漢字)", R::Name, P::Whole},
    {"name", R::Name, P::Whole},
    {"fullname", R::Name, P::Whole},
    {"displayname", R::Name, P::Whole},
    {"姓", R::Name, P::Family},
    {"苗字", R::Name, P::Family},
    {"名字", R::Name, P::Family},
    {"氏", R::Name, P::Family},
    {"lastname", R::Name, P::Family},
    {"familyname", R::Name, P::Family},
    {"surname", R::Name, P::Family},
    {"名", R::Name, P::Given},
    {"下の名前", R::Name, P::Given},
    {"firstname", R::Name, P::Given},
    {"givenname", R::Name, P::Given},
    {"ミドルネーム", R::Name, P::Middle},
    {"middlename", R::Name, P::Middle},
    {"additionalname", R::Name, P::Middle},
    // reading
    {"ふりがな", CsvColumn::Reading, P::Whole},
    {"ヨミ", CsvColumn::Reading, P::Whole},
    {"よみ", CsvColumn::Reading, P::Whole},
    {"読み", CsvColumn::Reading, P::Whole},
    {"よみがな", CsvColumn::Reading, P::Whole},
    {"読みがな", CsvColumn::Reading, P::Whole},
    {"読み仮名", CsvColumn::Reading, P::Whole},
    {"ヨミガナ", CsvColumn::Reading, P::Whole},
    {"カナ", CsvColumn::Reading, P::Whole},
    {"氏名フリガナ", CsvColumn::Reading, P::Whole},
    {"氏名(フリガナ)", CsvColumn::Reading, P::Whole},
    {"名前(フリガナ)", CsvColumn::Reading, P::Whole},
    {"フリガナ(氏名)", CsvColumn::Reading, P::Whole},
    {"名前フリガナ", CsvColumn::Reading, P::Whole},
    {"氏名カナ", CsvColumn::Reading, P::Whole},
    {"氏名(カナ)", CsvColumn::Reading, P::Whole},
    {"名前(よみ)", CsvColumn::Reading, P::Whole},
    {"yomi", CsvColumn::Reading, P::Whole},
    {"yominame", CsvColumn::Reading, P::Whole},
    {"phoneticname", CsvColumn::Reading, P::Whole},
    {"furigana", CsvColumn::Reading, P::Whole},
    {"姓フリガナ", CsvColumn::Reading, P::Family},
    {"姓(フリガナ)", CsvColumn::Reading, P::Family},
    {"フリガナ(姓)", CsvColumn::Reading, P::Family},
    {"セイ", CsvColumn::Reading, P::Family},
    {"せい", CsvColumn::Reading, P::Family},
    {"姓カナ", CsvColumn::Reading, P::Family},
    {"姓(カナ)", CsvColumn::Reading, P::Family},
    {"姓(よみ)", CsvColumn::Reading, P::Family},
    {"姓ふりがな", CsvColumn::Reading, P::Family},
    {"surnameyomi", CsvColumn::Reading, P::Family},
    {"familynameyomi", CsvColumn::Reading, P::Family},
    {"phoneticlastname", CsvColumn::Reading, P::Family},
    {"名フリガナ", CsvColumn::Reading, P::Given},
    {"名(フリガナ)", CsvColumn::Reading, P::Given},
    {"フリガナ(名)", CsvColumn::Reading, P::Given},
    {"メイ", CsvColumn::Reading, P::Given},
    {"めい", CsvColumn::Reading, P::Given},
    {"名カナ", CsvColumn::Reading, P::Given},
    {"名(カナ)", CsvColumn::Reading, P::Given},
    {"名(よみ)", CsvColumn::Reading, P::Given},
    {"名ふりがな", CsvColumn::Reading, P::Given},
    {"givenyomi", CsvColumn::Reading, P::Given},
    {"givennameyomi", CsvColumn::Reading, P::Given},
    {"phoneticfirstname", CsvColumn::Reading, P::Given},
    // e-mail
    {"メール", R::Email, P::Whole},
    {"メールアドレス", R::Email, P::Whole},
    {"電子メールアドレス", R::Email, P::Whole},
    {"eメール", R::Email, P::Whole},
    {"eメールアドレス", R::Email, P::Whole},
    {"自宅メール", R::Email, P::Whole},
    {"自宅メールアドレス", R::Email, P::Whole},
    {"個人メール", R::Email, P::Whole},
    {"携帯メール", R::Email, P::Whole},
    {"携帯メールアドレス", R::Email, P::Whole},
    {"電子メール2アドレス", R::Email, P::Whole},
    {"追加メールアドレス", R::Email, P::Whole},
    {"電子メール3アドレス", R::Email, P::Whole},
    {"e-mail", R::Email, P::Whole},
    {"email", R::Email, P::Whole},
    {"mail", R::Email, P::Whole},
    {"e-mailaddress", R::Email, P::Whole},
    {"emailaddress", R::Email, P::Whole},
    {"e-mail2address", R::Email, P::Whole},
    {"e-mail3address", R::Email, P::Whole},
    {"primaryemail", R::Email, P::Whole},
    {"secondaryemail", R::Email, P::Whole},
    {"homeemail", R::Email, P::Whole},
    {"personalemail", R::Email, P::Whole},
    {"勤務先メール", R::OfficeEmail, P::Whole},
    {"勤務先メールアドレス", R::OfficeEmail, P::Whole},
    {"会社メール", R::OfficeEmail, P::Whole},
    {"会社メールアドレス", R::OfficeEmail, P::Whole},
    {"勤務先電子メールアドレス", R::OfficeEmail, P::Whole},
    {"仕事用メール", R::OfficeEmail, P::Whole},
    {"businessemail", R::OfficeEmail, P::Whole},
    {"workemail", R::OfficeEmail, P::Whole},
    // phones
    {"電話", R::Phone, P::Whole},
    {"自宅電話", R::Phone, P::Whole},
    {"自宅電話番号", R::Phone, P::Whole},
    {"自宅電話2", R::Phone, P::Whole},
    {"固定電話", R::Phone, P::Whole},
    {"tel", R::Phone, P::Whole},
    {"自宅tel", R::Phone, P::Whole},
    {"その他の電話", R::Phone, P::Whole},
    {"phone", R::Phone, P::Whole},
    {"telephone", R::Phone, P::Whole},
    {"phonenumber", R::Phone, P::Whole},
    {"homephone", R::Phone, P::Whole},
    {"homephone2", R::Phone, P::Whole},
    {"primaryphone", R::Phone, P::Whole},
    {"otherphone", R::Phone, P::Whole},
    {"携帯", R::MobilePhone, P::Whole},
    {"携帯電話", R::MobilePhone, P::Whole},
    {"携帯番号", R::MobilePhone, P::Whole},
    {"携帯tel", R::MobilePhone, P::Whole},
    {"モバイル", R::MobilePhone, P::Whole},
    {"mobilephone", R::MobilePhone, P::Whole},
    {"mobile", R::MobilePhone, P::Whole},
    {"mobilenumber", R::MobilePhone, P::Whole},
    {"cell", R::MobilePhone, P::Whole},
    {"cellphone", R::MobilePhone, P::Whole},
    {"cellular", R::MobilePhone, P::Whole},
    {"fax", R::Fax, P::Whole},
    {"ファックス", R::Fax, P::Whole},
    {"ファクス", R::Fax, P::Whole},
    {"ファックス番号", R::Fax, P::Whole},
    {"自宅fax", R::Fax, P::Whole},
    {"自宅ファックス", R::Fax, P::Whole},
    {"faxnumber", R::Fax, P::Whole},
    {"homefax", R::Fax, P::Whole},
    {"otherfax", R::Fax, P::Whole},
    {"会社電話", R::OfficePhone, P::Whole},
    {"会社電話番号", R::OfficePhone, P::Whole},
    {"勤務先電話", R::OfficePhone, P::Whole},
    {"仕事用電話", R::OfficePhone, P::Whole},
    {"代表電話", R::OfficePhone, P::Whole},
    {"businessphone", R::OfficePhone, P::Whole},
    {"businessphone2", R::OfficePhone, P::Whole},
    {"workphone", R::OfficePhone, P::Whole},
    {"companymainphone", R::OfficePhone, P::Whole},
    {"会社fax", R::OfficeFax, P::Whole},
    {"会社fax番号", R::OfficeFax, P::Whole},
    {"会社ファックス", R::OfficeFax, P::Whole},
    {"勤務先fax", R::OfficeFax, P::Whole},
    {"勤務先ファックス", R::OfficeFax, P::Whole},
    {"businessfax", R::OfficeFax, P::Whole},
    {"workfax", R::OfficeFax, P::Whole},
    // postal codes and addresses
    {"〒", R::PostalCode, P::Whole},
    {"自宅郵便番号", R::PostalCode, P::Whole},
    {"postalcode", R::PostalCode, P::Whole},
    {"postcode", R::PostalCode, P::Whole},
    {"zip", R::PostalCode, P::Whole},
    {"zipcode", R::PostalCode, P::Whole},
    {"homepostalcode", R::PostalCode, P::Whole},
    {"homezipcode", R::PostalCode, P::Whole},
    {"homezip", R::PostalCode, P::Whole},
    {"会社郵便番号", R::OfficePostalCode, P::Whole},
    {"businesspostalcode", R::OfficePostalCode, P::Whole},
    {"workpostalcode", R::OfficePostalCode, P::Whole},
    {"workzipcode", R::OfficePostalCode, P::Whole},
    {"自宅住所", R::Address, P::Whole},
    {"現住所", R::Address, P::Whole},
    {"address", R::Address, P::Whole},
    {"homeaddress", R::Address, P::Whole},
    {"都道府県", R::Address, P::Region},
    {"自宅都道府県", R::Address, P::Region},
    {"state", R::Address, P::Region},
    {"homestate", R::Address, P::Region},
    {"region", R::Address, P::Region},
    {"市区町村", R::Address, P::Locality},
    {"自宅市区町村", R::Address, P::Locality},
    {"市町村", R::Address, P::Locality},
    {"city", R::Address, P::Locality},
    {"homecity", R::Address, P::Locality},
    {"番地", R::Address, P::Street},
    {"町名番地", R::Address, P::Street},
    {"町域", R::Address, P::Street},
    {"丁目番地", R::Address, P::Street},
    {"自宅番地", R::Address, P::Street},
    {"自宅番地2", R::Address, P::Extended},
    {"自宅住所2", R::Address, P::Extended},
    {"自宅番地3", R::Address, P::Extended},
    {"住所1", R::Address, P::Street},
    {"street", R::Address, P::Street},
    {"homestreet", R::Address, P::Street},
    {"建物名", R::Address, P::Extended},
    {"建物", R::Address, P::Extended},
    {"建物名部屋番号", R::Address, P::Extended},
    {"ビル名", R::Address, P::Extended},
    {"マンション名", R::Address, P::Extended},
    {"住所2", R::Address, P::Extended},
    {"homestreet2", R::Address, P::Extended},
    {"homestreet3", R::Address, P::Extended},
    {"homeaddress2", R::Address, P::Extended},
    {"国", R::Address, P::Country},
    {"国名", R::Address, P::Country},
    {"国/地域", R::Address, P::Country},
    {"自宅国", R::Address, P::Country},
    {"自宅国/地域", R::Address, P::Country},
    {"country", R::Address, P::Country},
    {"homecountry", R::Address, P::Country},
    {"homecountry/region", R::Address, P::Country},
    {"会社住所", R::OfficeAddress, P::Whole},
    {"会社所在地", R::OfficeAddress, P::Whole},
    {"所在地", R::OfficeAddress, P::Whole},
    {"businessaddress", R::OfficeAddress, P::Whole},
    {"workaddress", R::OfficeAddress, P::Whole},
    {"勤務先都道府県", R::OfficeAddress, P::Region},
    {"会社都道府県", R::OfficeAddress, P::Region},
    {"businessstate", R::OfficeAddress, P::Region},
    {"workstate", R::OfficeAddress, P::Region},
    {"勤務先市区町村", R::OfficeAddress, P::Locality},
    {"会社市区町村", R::OfficeAddress, P::Locality},
    {"勤務先市町村", R::OfficeAddress, P::Locality},
    {"businesscity", R::OfficeAddress, P::Locality},
    {"workcity", R::OfficeAddress, P::Locality},
    {"勤務先番地", R::OfficeAddress, P::Street},
    {"会社番地", R::OfficeAddress, P::Street},
    {"businessstreet", R::OfficeAddress, P::Street},
    {"勤務先番地2", R::OfficeAddress, P::Extended},
    {"勤務先番地3", R::OfficeAddress, P::Extended},
    {"勤務先住所2", R::OfficeAddress, P::Extended},
    {"businessstreet2", R::OfficeAddress, P::Extended},
    {"businessstreet3", R::OfficeAddress, P::Extended},
    {"workaddress2", R::OfficeAddress, P::Extended},
    {"勤務先国", R::OfficeAddress, P::Country},
    {"勤務先国/地域", R::OfficeAddress, P::Country},
    {"businesscountry", R::OfficeAddress, P::Country},
    {"businesscountry/region", R::OfficeAddress, P::Country},
    {"workcountry", R::OfficeAddress, P::Country},
    // company
    {"会社", R::Company, P::Whole},
    {"会社名", R::Company, P::Whole},
    {"勤務先", R::Company, P::Whole},
    {"所属", R::Company, P::Whole},
    {"所属先", R::Company, P::Whole},
    {"組織", R::Company, P::Whole},
    {"企業名", R::Company, P::Whole},
    {"company", R::Company, P::Whole},
    {"companyname", R::Company, P::Whole},
    {"organization", R::Company, P::Whole},
    {"organisation", R::Company, P::Whole},
    {"organizationname", R::Company, P::Whole},
    {"部署", R::Company, P::Department},
    {"部署名", R::Company, P::Department},
    {"所属部署", R::Company, P::Department},
    {"部門", R::Company, P::Department},
    {"department", R::Company, P::Department},
    {"organizationdepartment", R::Company, P::Department},
    // memos, and values that have no field: into the memo under their column's name
    {"備考", R::Memo, P::Whole},
    {"摘要", R::Memo, P::Whole},
    {"ノート", R::Memo, P::Whole},
    {"コメント", R::Memo, P::Whole},
    {"notes", R::Memo, P::Whole},
    {"note", R::Memo, P::Whole},
    {"memo", R::Memo, P::Whole},
    {"comments", R::Memo, P::Whole},
    {"会社メモ", R::OfficeMemo, P::Whole},
    {"役職", CsvColumn::Title, P::Whole},
    {"肩書", CsvColumn::Title, P::Whole},
    {"肩書き", CsvColumn::Title, P::Whole},
    {"誕生日", R::Memo, P::Labelled},
    {"生年月日", R::Memo, P::Labelled},
    {"記念日", R::Memo, P::Labelled},
    {"ニックネーム", R::Memo, P::Labelled},
    {"ホームページ", R::Memo, P::Labelled},
    {"ウェブサイト", R::Memo, P::Labelled},
    {"url", R::Memo, P::Labelled},
    {"jobtitle", CsvColumn::Title, P::Whole},
    {"organizationtitle", CsvColumn::Title, P::Whole},
    {"birthday", R::Memo, P::Labelled},
    {"anniversary", R::Memo, P::Labelled},
    {"nickname", R::Memo, P::Labelled},
    {"webpage", R::Memo, P::Labelled},
    {"webpage1", R::Memo, P::Labelled},
    {"webpage2", R::Memo, P::Labelled},
    {"website", R::Memo, P::Labelled},
    {"personalwebpage", R::Memo, P::Labelled},
    {"pager", R::Memo, P::Labelled},
    {"pagernumber", R::Memo, P::Labelled},
    // this program's own extras
    {"敬称", CsvColumn::Honorific, P::Whole},
    {"uid", CsvColumn::Uid, P::Whole},
    // group
    {"グループ名", R::Group, P::Whole},
    {"分類", R::Group, P::Whole},
    {"分類項目", R::Group, P::Whole},
    {"カテゴリ", R::Group, P::Whole},
    {"カテゴリー", R::Group, P::Whole},
    {"ラベル", R::Group, P::Whole},
    {"group", R::Group, P::Whole},
    {"groups", R::Group, P::Whole},
    {"groupmembership", R::Group, P::Whole},
    {"categories", R::Group, P::Whole},
    {"category", R::Group, P::Whole},
    {"labels", R::Group, P::Whole},
};

// Appends the code point as UTF-8.
void appendUtf8(std::string& out, char32_t c)
{
    if (c < 0x80) {
        out += char(c);
    } else if (c < 0x800) {
        out += char(0xC0 | (c >> 6));
        out += char(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += char(0xE0 | (c >> 12));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    } else {
        out += char(0xF0 | (c >> 18));
        out += char(0x80 | ((c >> 12) & 0x3F));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    }
}

char32_t decodeAt(std::string_view s, std::size_t pos, std::size_t len)
{
    const auto b = [&](std::size_t i) { return char32_t(static_cast<unsigned char>(s[pos + i])); };
    switch (len) {
    case 1:
        return b(0);
    case 2:
        return ((b(0) & 0x1F) << 6) | (b(1) & 0x3F);
    case 3:
        return ((b(0) & 0x0F) << 12) | ((b(1) & 0x3F) << 6) | (b(2) & 0x3F);
    default:
        return ((b(0) & 0x07) << 18) | ((b(1) & 0x3F) << 12) | ((b(2) & 0x3F) << 6) | (b(3) & 0x3F);
    }
}

CsvColumn lookup(std::string_view key)
{
    for (const Entry& e : kTable) {
        if (e.key == key)
            return {e.field, e.part};
    }
    // The headers this program's own spreadsheet CSV writes.
    if (key == normalize(ExchangeText::Reading))
        return {CsvColumn::Reading, P::Whole};
    for (int f = 0; f < R::FieldCount; ++f) {
        if (key == normalize(ExchangeText::FieldNames[std::size_t(f)]))
            return {f, P::Whole};
    }
    // Outlook in Japanese puts the place last: "番地 (会社)", "郵便番号 (自宅)".
    struct Place
    {
        std::string_view tail;
        std::string_view heads[2];
    };
    static constexpr Place places[] = {
        {"(自宅)", {"自宅", ""}},
        {"(会社)", {"勤務先", "会社"}},
        {"(勤務先)", {"勤務先", "会社"}},
    };
    // "自宅の住所", "勤務先の郵便番号".
    for (std::string_view head : {"自宅の", "勤務先の", "会社の"}) {
        if (key.size() > head.size() && key.starts_with(head)) {
            const std::string_view place =
                head.substr(0, head.size() - std::string_view("の").size());
            return lookup(std::string(place).append(key.substr(head.size())));
        }
    }
    for (const Place& p : places) {
        if (key.size() <= p.tail.size() || !key.ends_with(p.tail))
            continue;
        const std::string_view stem = key.substr(0, key.size() - p.tail.size());
        for (std::string_view head : p.heads) {
            const CsvColumn c = lookup(std::string(head).append(stem));
            if (c.field != CsvColumn::Ignore)
                return c;
        }
    }
    return {};
}

// "phone2-value" -> prefix "phone", number 2, suffix "-value".
bool splitNumbered(std::string_view key, std::string_view& prefix, int& number,
                   std::string_view& suffix)
{
    const auto digit = key.find_first_of("0123456789");
    if (digit == std::string_view::npos || digit == 0)
        return false;
    std::size_t end = digit;
    number = 0;
    while (end < key.size() && key[end] >= '0' && key[end] <= '9' && number < 1000)
        number = number * 10 + (key[end++] - '0');
    prefix = key.substr(0, digit);
    suffix = key.substr(end);
    return !suffix.empty() && suffix.front() == '-';
}

// Google Contacts: "E-mail 1 - Value", "Phone 2 - Type", "Address 1 - City", ...
CsvColumn numbered(std::string_view key)
{
    std::string_view prefix, suffix;
    int n = 0;
    if (!splitNumbered(key, prefix, n, suffix))
        return {};
    struct Part
    {
        std::string_view prefix, suffix;
        int field;
        P part;
    };
    static constexpr Part parts[] = {
        {"e-mail", "-value", R::Email, P::Whole},
        {"email", "-value", R::Email, P::Whole},
        {"phone", "-value", R::Phone, P::Whole},
        {"address", "-formatted", R::Address, P::Whole},
        {"address", "-street", R::Address, P::Street},
        {"address", "-city", R::Address, P::Locality},
        {"address", "-region", R::Address, P::Region},
        {"address", "-postalcode", R::PostalCode, P::Whole},
        {"address", "-country", R::Address, P::Country},
        {"address", "-extendedaddress", R::Address, P::Extended},
        {"organization", "-name", R::Company, P::Whole},
        {"organization", "-department", R::Company, P::Department},
        {"organization", "-title", CsvColumn::Title, P::Whole},
        {"website", "-value", R::Memo, P::Labelled},
    };
    for (const Part& p : parts) {
        if (p.prefix == prefix && p.suffix == suffix) {
            CsvColumn c{p.field, p.part};
            c.set = n;
            return c;
        }
    }
    return {};
}

// The spreadsheet CSV's extra names: "連名1", "連名1の敬称", "連名1のフリガナ".
CsvColumn jointColumn(std::string_view key)
{
    constexpr std::string_view stem = "連名";
    if (!key.starts_with(stem) || key.size() <= stem.size())
        return {};
    const char digit = key[stem.size()];
    if (digit < '1' || digit > '9')
        return {};
    const std::string_view rest = key.substr(stem.size() + 1);
    CsvColumn c;
    c.set = digit - '0';
    if (rest.empty())
        c.field = CsvColumn::JointName;
    else if (rest == "の敬称")
        c.field = CsvColumn::JointHonorific;
    else if (rest == "のフリガナ" || rest == "のふりがな")
        c.field = CsvColumn::JointReading;
    else
        return {};
    return c;
}

bool isAddressField(int field)
{
    return field == R::Address || field == R::OfficeAddress;
}

std::size_t digitCount(std::string_view s)
{
    return std::size_t(
        std::count_if(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; }));
}

bool looksLikeData(std::string_view cell)
{
    return cell.find('@') != std::string_view::npos || digitCount(cell) >= 6;
}

bool isPostalCode(std::string_view s)
{
    if (s.substr(0, 3) == "〒")
        s.remove_prefix(3);
    if (s.size() == 8 && s[3] == '-')
        return digitCount(s) == 7;
    return s.size() == 7 && digitCount(s) == 7;
}

bool isPhone(std::string_view s)
{
    for (char c : s) {
        if (!((c >= '0' && c <= '9') || c == '-' || c == '+' || c == '(' || c == ')' || c == ' '))
            return false;
    }
    const std::size_t digits = digitCount(s);
    return digits >= 9 && digits <= 15;
}

bool isMobile(std::string_view s)
{
    return s.substr(0, 3) == "090" || s.substr(0, 3) == "080" || s.substr(0, 3) == "070";
}

bool isAddress(std::string_view s)
{
    const bool prefecture =
        s.find("都") != std::string_view::npos || s.find("道") != std::string_view::npos ||
        s.find("府") != std::string_view::npos || s.find("県") != std::string_view::npos;
    const bool town =
        s.find("市") != std::string_view::npos || s.find("区") != std::string_view::npos ||
        s.find("町") != std::string_view::npos || s.find("村") != std::string_view::npos;
    return prefecture && town;
}

} // namespace

std::string normalize(std::string_view header)
{
    std::string out;
    out.reserve(header.size());
    std::size_t i = 0;
    while (i < header.size()) {
        std::size_t len = Utf8::validLength(header, i);
        if (len == 0)
            len = 1;
        char32_t c =
            len == 1 ? char32_t(static_cast<unsigned char>(header[i])) : decodeAt(header, i, len);
        i += len;
        if (c >= 0xFF01 && c <= 0xFF5E)
            c -= 0xFEE0; // full-width Latin forms
        if (c >= 'A' && c <= 'Z')
            c += 'a' - 'A';
        if (c == ' ' || c == '\t' || c == '_' || c == '.' || c == '\'' || c == 0x3000 ||
            c == 0x30FB || c == 0xFF65)
            continue;
        appendUtf8(out, c);
    }
    return out;
}

CsvColumn guess(std::string_view header)
{
    return lookup(normalize(header));
}

std::vector<CsvColumn> guessAll(const std::vector<std::string>& header)
{
    std::vector<std::string> keys;
    keys.reserve(header.size());
    for (const std::string& h : header)
        keys.push_back(normalize(h));
    std::vector<CsvColumn> columns(header.size());
    for (std::size_t c = 0; c < keys.size(); ++c) {
        columns[c] = lookup(keys[c]);
        if (columns[c].field != CsvColumn::Ignore)
            continue;
        columns[c] = jointColumn(keys[c]);
        if (columns[c].field != CsvColumn::Ignore)
            continue;
        columns[c] = numbered(keys[c]);
        if (columns[c].field == CsvColumn::Ignore)
            continue;
        // The type of a numbered value stands in "<name> <n> - Type" (or "- Label").
        std::string_view prefix, suffix;
        int n = 0;
        splitNumbered(keys[c], prefix, n, suffix);
        const std::string stem = keys[c].substr(0, keys[c].size() - suffix.size());
        for (std::size_t k = 0; k < keys.size(); ++k) {
            if (keys[k] == stem + "-type" || keys[k] == stem + "-label")
                columns[c].labelColumn = int(k);
        }
    }
    // A formatted address beside its own parts, and a second whole name, would say it twice.
    for (std::size_t c = 0; c < columns.size(); ++c) {
        CsvColumn& col = columns[c];
        if (col.part != P::Whole || col.field == CsvColumn::Ignore)
            continue;
        bool parts = false, street = false, earlierWhole = false;
        for (std::size_t k = 0; k < columns.size(); ++k) {
            const CsvColumn& other = columns[k];
            if (k == c || other.field != col.field || other.set != col.set)
                continue;
            parts = parts || other.part != P::Whole;
            street = street || other.part == P::Street;
            earlierWhole = earlierWhole || (k < c && other.part == P::Whole);
        }
        if (isAddressField(col.field) && parts) {
            // Beside city and region but no street, the "address" is the street line
            // (Thunderbird's "Home Address").
            if (street)
                col = CsvColumn{};
            else
                col.part = P::Street;
        } else if (earlierWhole && (col.field == R::Name || col.field == CsvColumn::Reading ||
                                    col.field == R::Group)) {
            col = CsvColumn{};
        }
    }
    return columns;
}

bool looksLikeHeader(const std::vector<std::string>& row)
{
    std::size_t filled = 0;
    for (const std::string& cell : row) {
        if (looksLikeData(cell))
            return false;
        if (!cell.empty())
            ++filled;
    }
    const std::vector<CsvColumn> columns = guessAll(row);
    const auto named =
        std::size_t(std::count_if(columns.begin(), columns.end(),
                                  [](const CsvColumn& c) { return c.field != CsvColumn::Ignore; }));
    return named > 0 && named * 3 >= filled;
}

bool looksLikeWideHeader(const std::vector<std::vector<std::string>>& rows)
{
    constexpr std::size_t wide = 16;
    if (rows.empty())
        return false;
    const std::vector<std::string>& first = rows.front();
    std::size_t named = first.size();
    while (named > 0 && first[named - 1].empty())
        --named;
    const auto namesEach = [named](const std::vector<std::string>& cells) {
        return std::none_of(cells.begin(), cells.begin() + long(named),
                            [](const std::string& c) { return c.empty() || looksLikeData(c); });
    };
    // A row cut short proves nothing: it may be a damaged line.
    return named >= wide && namesEach(first) &&
           std::any_of(rows.begin() + 1, rows.end(), [&](const std::vector<std::string>& row) {
               return row.size() >= named && !namesEach(row);
           });
}

std::vector<CsvColumn> guessFromContent(const std::vector<std::vector<std::string>>& rows)
{
    std::size_t width = 0;
    for (const auto& row : rows)
        width = std::max(width, row.size());
    std::vector<CsvColumn> columns(width);
    bool haveName = false;
    for (std::size_t c = 0; c < width; ++c) {
        std::size_t filled = 0, emails = 0, postal = 0, phones = 0, mobiles = 0, addresses = 0,
                    numeric = 0;
        for (const auto& row : rows) {
            if (c >= row.size() || row[c].empty())
                continue;
            const std::string_view v = row[c];
            ++filled;
            emails += v.find('@') != std::string_view::npos;
            postal += isPostalCode(v);
            phones += isPhone(v);
            mobiles += isPhone(v) && isMobile(v);
            addresses += isAddress(v);
            numeric += digitCount(v) * 2 >= v.size();
        }
        if (filled == 0)
            continue;
        const auto most = [&](std::size_t n) { return n * 2 > filled; };
        if (most(emails))
            columns[c].field = R::Email;
        else if (most(postal))
            columns[c].field = R::PostalCode;
        else if (most(phones))
            columns[c].field = most(mobiles) ? R::MobilePhone : R::Phone;
        else if (most(addresses))
            columns[c].field = R::Address;
        else if (!haveName && !most(numeric)) {
            columns[c].field = R::Name;
            haveName = true;
        } else {
            columns[c].field = R::Memo;
        }
    }
    return columns;
}

} // namespace CsvHeaderGuess
