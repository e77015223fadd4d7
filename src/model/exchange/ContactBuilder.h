#pragma once

#include "model/book/AddressRecord.h"
#include "model/book/ContactExtras.h"

#include <array>
#include <string>
#include <string_view>
#include <vector>

struct ImportResult;

// One contact as it is gathered from a vCard or a row of a CSV file, in UTF-8, and then placed
// into the sixteen fields. Phones, e-mail addresses and addresses go to the personal or office
// field their types name, preferred ones first; whatever finds its field taken, or does not fit
// its slot, goes into the memo as a labelled line, so that nothing is lost.
//
//     ContactBuilder b;
//     b.setNameParts("山田", "太郎");
//     b.addPhone("090-1234-5678", ContactBuilder::Cell);
//     b.addGroupCandidate("Family");
//     b.finish(result, knownGroups, "Other");   // one record more in result, the builder empty
class ContactBuilder
{
public:
    enum Type : unsigned
    {
        Home = 1,
        Work = 2,
        Cell = 4,
        Fax = 8,
        Pref = 16,
        Pager = 32,
    };
    // The type of one vCard TYPE value or one word of a label: "home", "WORK", "cell",
    // "Mobile", "自宅", "携帯", ...; 0 for a word that names none.
    static unsigned typeOf(std::string_view word);
    // The types named anywhere in a free label such as "Work Fax", "* Mobile" or "勤務先FAX".
    static unsigned typesOfLabel(std::string_view label);

    struct Address
    {
        std::string poBox, extended, street, locality, region, postalCode, country;
    };

    // The display name (vCard FN); when it is empty the name's parts stand in. A card with an
    // empty FN has no name: nothing else is shown in its place.
    void setFormattedName(std::string_view name);
    void setNameParts(std::string_view family, std::string_view given,
                      std::string_view middle = {});
    void setReading(std::string_view reading);
    // A value with a label of its own (an iPhone's "実家", "その他") goes into the memo under
    // that label, never into a field of another kind.
    void addPhone(std::string_view number, unsigned types, std::string_view label = {});
    void addEmail(std::string_view address, unsigned types, std::string_view label = {});
    void addAddress(const Address& address, unsigned types, std::string_view label = {});
    void addCompany(std::string_view company);
    void addNote(std::string_view note, bool office);
    void addExtra(std::string_view label, std::string_view value);
    // The card's own UID: the contact keeps it when no other contact of the book holds it.
    void setUid(std::string_view uid);
    // 役職 and 部署 have places of their own; a second one goes into the memo.
    void addTitle(std::string_view title);
    void addDepartment(std::string_view department);
    // What this program writes of its extras (敬称, 連名, 年賀 marks).
    void setHonorific(std::string_view honorific);
    void addJointName(const ContactExtras::JointName& joint);
    void setNenga(const ContactExtras::Nenga& marks);
    // A group the file names (vCard CATEGORIES, a CSV group column), in the file's order. One
    // that is only a guess (a whole cell that may be a list) may match a known group but is
    // never offered for creation.
    void addGroupCandidate(std::string_view name, bool mayCreate = true);

    // True when nothing but groups or a reading was given.
    bool empty() const;
    void clear();

    // Adds the contact to the result and starts over. Its group is the first candidate that
    // names one of knownGroups (CP932; in the known spelling), else fallbackGroup; in that case
    // the first candidate is noted as the wanted group.
    void finish(ImportResult& result, const std::vector<std::string>& knownGroups,
                std::string_view fallbackGroup);

    // Every CP932 text the file gave whose characters CP932 cannot hold is kept whole in the
    // contact's extras (the field itself gets 〓), unless it was cut to fit.
    // "山田 太郎" for Japanese names, "John Q Smith" for Latin ones; empty parts left out.
    static std::string joinName(std::string_view family, std::string_view given,
                                std::string_view middle = {});
    // The address as one text: Japanese order without separators (building and a foreign
    // country on lines of their own), Latin addresses comma-separated; no postal code.
    static std::string formatAddress(const Address& address);

private:
    // Entries kept from one contact to the next, so that their strings' storage is reused:
    // an import of 100,000 contacts allocates little beyond the records themselves.
    template <typename T> class Reused
    {
    public:
        T& add()
        {
            if (m_count == m_items.size())
                m_items.emplace_back();
            return m_items[m_count++];
        }
        void clear() { m_count = 0; }
        bool empty() const { return m_count == 0; }
        std::size_t size() const { return m_count; }
        typename std::vector<T>::iterator begin() { return m_items.begin(); }
        typename std::vector<T>::iterator end() { return m_items.begin() + long(m_count); }
        T& operator[](std::size_t i) { return m_items[i]; }

    private:
        std::vector<T> m_items;
        std::size_t m_count = 0;
    };
    struct Typed
    {
        std::string value;
        unsigned types = 0;
        std::string label;
    };
    struct TypedAddress
    {
        Address address;
        unsigned types = 0;
        std::string label;
    };
    struct Candidate
    {
        std::string name;
        bool mayCreate = true;
    };

    void place(std::array<std::string, AddressRecord::FieldCount>& fields, int field,
               std::string_view value, std::string_view extraLabel);

    bool m_hasFormattedName = false;
    std::string m_formattedName;
    std::string m_family, m_given, m_middle;
    std::string m_reading;
    Reused<Typed> m_phones;
    Reused<Typed> m_emails;
    Reused<TypedAddress> m_addresses;
    Reused<std::string> m_companies;
    std::string m_note, m_officeNote;
    std::string m_extras; // "label：value" lines
    Reused<Candidate> m_groups;
    std::string m_uid;
    ContactExtras m_more;

    // Kept from one contact to the next, so that their storage is reused.
    std::array<std::string, AddressRecord::FieldCount> m_fields;
    std::array<std::string, AddressRecord::FieldCount> m_bytes;
    std::vector<std::string> m_bad;
};
