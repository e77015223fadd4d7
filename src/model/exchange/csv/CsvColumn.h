#pragma once

#include <string>
#include <vector>

// Where the values of one column of a foreign CSV file go: one of the sixteen fields (or a part
// of it that several columns fill together), the reading, one of the contact's extras, or
// nowhere.
struct CsvColumn
{
    static constexpr int Ignore = -1;
    static constexpr int Reading = 16; // beside AddressRecord's fields 0 to 15
    static constexpr int Honorific = 17;
    static constexpr int Title = 18;
    // 連名: `set` is the number of the extra name (1 to 3).
    static constexpr int JointName = 19;
    static constexpr int JointHonorific = 20;
    static constexpr int JointReading = 21;
    static constexpr int Uid = 22;

    enum class Part
    {
        Whole,
        Family,     // name, reading
        Given,      // name, reading
        Middle,     // name
        Region,     // address: 都道府県, state
        Locality,   // address: 市区町村, city
        Street,     // address: 番地, street
        Extended,   // address: 建物名, second address line
        Country,    // address
        Department, // company
        Labelled,   // memo: written as "header：value"
    };

    int field = Ignore; // AddressRecord::Field, Reading or Ignore
    Part part = Part::Whole;
    // Columns of one numbered group ("Address 2 - Street", "Address 2 - City") share a set;
    // parts of different sets never mix.
    int set = 0;
    // A column whose text in the same row names the value's type ("Mobile", "Work", "自宅"),
    // routing a phone, e-mail or address to the personal or office field; -1 for none.
    int labelColumn = -1;

    bool operator==(const CsvColumn&) const = default;

    // What the import preview shows for the target: "住所（都道府県）", "取り込まない".
    std::string label() const;
    // Every target a column can be given, in the order the preview offers them.
    static std::vector<CsvColumn> choices();
    // "連名2", "連名2の敬称", "連名2のフリガナ": the spreadsheet CSV's headers for the extra names.
    static std::string jointLabel(int number, int field);
};
