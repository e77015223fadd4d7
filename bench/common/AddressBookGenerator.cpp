#include "AddressBookGenerator.h"

#include "model/AddressRecord.h"
#include "model/Cp932.h"
#include "model/RecordList.h"

#include <array>
#include <cstdio>

namespace {

std::vector<std::string> cp932(std::initializer_list<const char*> utf8)
{
    std::vector<std::string> out;
    for (const char* s : utf8)
        out.push_back(Cp932::fromUtf8(s).bytes);
    return out;
}

const std::vector<std::string>& familyNames()
{
    static const auto v = cp932({"佐藤", "鈴木", "高橋", "田中", "伊藤", "渡辺", "山本", "中村",
                                 "小林", "加藤", "吉田", "山田", "佐々木", "山口", "松本", "井上"});
    return v;
}

const std::vector<std::string>& givenNames()
{
    static const auto v = cp932({"太郎", "花子", "一郎", "美咲", "健太", "陽子", "翔", "由美",
                                 "大輔", "さくら", "直樹", "恵", "拓也", "真由美", "ｹﾝ", "Emi"});
    return v;
}

const std::vector<std::string>& towns()
{
    static const auto v =
        cp932({"東京都千代田区丸の内１－１－１", "大阪府大阪市北区梅田２－４－９",
               "神奈川県横浜市西区みなとみらい３－３", "愛知県名古屋市中村区名駅４－７－１",
               "福岡県福岡市博多区博多駅前２－１－１", "北海道札幌市中央区北五条西２",
               "京都府京都市下京区烏丸通七条下る"});
    return v;
}

const std::vector<std::string>& companies()
{
    static const auto v = cp932({"株式会社ＶＯＫシステム", "山田商事株式会社", "有限会社田中製作所",
                                 "", "", "東都電機株式会社", "みなと物産"});
    return v;
}

const std::vector<std::string>& memos()
{
    static const auto v = cp932({"", "", "", "年賀状送付済み", "趣味：釣り\r\n誕生日：５月",
                                 "大学の同期", "取引先担当者（営業部）"});
    return v;
}

} // namespace

AddressBookGenerator::AddressBookGenerator(std::uint32_t seed) : m_state(seed ? seed : 1) {}

std::uint32_t AddressBookGenerator::next()
{
    // xorshift32: fast and the same on every machine
    m_state ^= m_state << 13;
    m_state ^= m_state >> 17;
    m_state ^= m_state << 5;
    return m_state;
}

const std::string& AddressBookGenerator::pick(const std::vector<std::string>& from)
{
    return from[next() % from.size()];
}

std::vector<std::string> AddressBookGenerator::groupNames()
{
    return cp932({"Private", "Business", "Other", "友人", "取引先", "Family"});
}

std::unique_ptr<AddressRecord> AddressBookGenerator::makeRecord()
{
    static const std::vector<std::string> groups = groupNames();
    const std::size_t n = ++m_serial;
    const std::string name = pick(familyNames()) + Cp932::fromUtf8("　").bytes + pick(givenNames());
    const std::string email = "user" + std::to_string(n) + "@example.jp";
    const unsigned zip = next() % 10000000;
    char postal[16];
    std::snprintf(postal, sizeof postal, "%03u-%04u", zip / 10000, zip % 10000);
    const std::string phone =
        "03-" + std::to_string(1000 + next() % 9000) + "-" + std::to_string(1000 + next() % 9000);
    const std::string mobile =
        "090-" + std::to_string(1000 + next() % 9000) + "-" + std::to_string(1000 + next() % 9000);
    const std::string company = pick(companies());
    const bool office = !company.empty();
    const std::string officeEmail =
        office ? "taro" + std::to_string(n) + "@corp.example.co.jp" : "";

    std::array<std::string, AddressRecord::FieldCount> f;
    f[AddressRecord::Name] = name;
    f[AddressRecord::Email] = email;
    f[AddressRecord::PostalCode] = postal;
    f[AddressRecord::Address] = pick(towns());
    f[AddressRecord::Phone] = phone;
    f[AddressRecord::MobilePhone] = next() % 2 ? mobile : "";
    f[AddressRecord::Fax] = next() % 4 ? "" : phone;
    f[AddressRecord::Memo] = pick(memos());
    f[AddressRecord::Company] = company;
    f[AddressRecord::OfficeEmail] = officeEmail;
    f[AddressRecord::OfficePostalCode] = office ? postal : "";
    f[AddressRecord::OfficeAddress] = office ? pick(towns()) : "";
    f[AddressRecord::OfficePhone] = office ? phone : "";
    f[AddressRecord::OfficeFax] = "";
    f[AddressRecord::OfficeMemo] = office ? pick(memos()) : "";
    f[AddressRecord::Group] = pick(groups);

    std::array<std::string_view, AddressRecord::FieldCount> views;
    for (int i = 0; i < AddressRecord::FieldCount; ++i)
        views[i] = f[i];
    auto record = std::make_unique<AddressRecord>();
    record->assign(views);
    return record;
}

void AddressBookGenerator::fill(RecordList& list, std::size_t count)
{
    list.reserve(list.size() + count);
    for (std::size_t i = 0; i < count; ++i)
        list.AppendRecord(makeRecord());
}
