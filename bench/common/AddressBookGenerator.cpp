#include "AddressBookGenerator.h"

#include "model/book/AddressRecord.h"
#include "model/book/RecordList.h"
#include "model/text/Cp932.h"

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

// The 100 commonest surnames and 200 given names common over the last century (the names of
// tests/model/data/common_names.tsv): 20,000 pairs, as varied as the names of a real book.
const std::vector<std::string>& commonFamilyNames()
{
    static const auto v =
        cp932({"佐藤", "鈴木",   "高橋",   "田中", "渡辺", "伊藤", "中村", "小林", "山本", "加藤",
               "吉田", "山田",   "佐々木", "山口", "松本", "井上", "木村", "清水", "林",   "斉藤",
               "斎藤", "山崎",   "中島",   "森",   "阿部", "池田", "橋本", "石川", "山下", "小川",
               "石井", "長谷川", "後藤",   "岡田", "近藤", "前田", "藤田", "遠藤", "青木", "坂本",
               "村上", "太田",   "金子",   "藤井", "福田", "西村", "三浦", "竹内", "中川", "岡本",
               "松田", "原田",   "中野",   "小野", "田村", "藤原", "中山", "石田", "小島", "和田",
               "森田", "内田",   "柴田",   "酒井", "原",   "高木", "横山", "安藤", "宮崎", "上田",
               "島田", "工藤",   "大野",   "宮本", "杉山", "今井", "丸山", "増田", "高田", "村田",
               "平野", "大塚",   "菅原",   "武田", "新井", "小山", "野口", "桜井", "千葉", "岩崎",
               "佐野", "谷口",   "上野",   "松井", "河野", "市川", "渡部", "野村", "菊地", "木下"});
    return v;
}

const std::vector<std::string>& commonGivenNames()
{
    static const auto v = cp932(
        {"正一", "千代",   "清",     "正子",   "正雄", "文子",   "正",   "静子",   "茂",   "千代子",
         "武雄", "久子",   "三郎",   "幸子",   "正夫", "美代子", "一郎", "照子",   "勇",   "和子",
         "博",   "信子",   "実",     "光子",   "弘",   "貞子",   "進",   "節子",   "一男", "弘子",
         "昭二", "洋子",   "昭三",   "勝子",   "明",   "恵子",   "武",   "京子",   "勝",   "美智子",
         "勲",   "悦子",   "功",     "由美子", "稔",   "直美",   "和夫", "陽子",   "豊",   "智子",
         "修",   "明美",   "隆",     "真由美", "誠",   "裕子",   "浩",   "久美子", "浩一", "純子",
         "和彦", "愛",     "健一",   "恵",     "聡",   "舞",     "剛",   "麻衣",   "秀樹", "彩",
         "哲也", "美穂",   "直樹",   "沙織",   "大輔", "香織",   "学",   "美咲",   "拓也", "葵",
         "達也", "陽菜",   "翔太",   "さくら", "和也", "結衣",   "亮",   "七海",   "健太", "愛美",
         "翔",   "未来",   "大樹",   "美月",   "拓海", "凛",     "大輝", "結菜",   "翼",   "莉子",
         "海斗", "芽依",   "優斗",   "結愛",   "陸",   "陽葵",   "蓮",   "紬",     "颯太", "杏",
         "大翔", "彩花",   "悠真",   "萌",     "陽翔", "優花",   "湊",   "美紀",   "樹",   "由美",
         "悠人", "真理子", "大和",   "恵美",   "新",   "由佳",   "律",   "明日香", "朝陽", "遥",
         "陽向", "優衣",   "隼人",   "花子",   "涼",   "良子",   "駿",   "清子",   "翔平", "敏子",
         "康平", "美恵子", "拓真",   "孝子",   "雄一", "典子",   "健二", "順子",   "英樹", "明子",
         "洋",   "礼子",   "義雄",   "聡子",   "秀夫", "浩子",   "正男", "由紀子", "幸男", "美香",
         "光男", "理恵",   "敏夫",   "奈美",   "昇",   "麻美",   "保",   "綾香",   "勉",   "彩乃",
         "博之", "千尋",   "智也",   "美優",   "雅之", "楓",     "信也", "結月",   "竜也", "心春",
         "大介", "咲良",   "直人",   "美羽",   "和樹", "愛子",   "優太", "里美",   "悠斗", "瞳",
         "大地", "優子",   "龍之介", "美樹",   "蒼空", "友美",   "大雅", "菜々子", "陸斗", "桃子"});
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
    const std::string name = pick(m_commonNames ? commonFamilyNames() : familyNames()) +
                             Cp932::fromUtf8("　").bytes +
                             pick(m_commonNames ? commonGivenNames() : givenNames());
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
