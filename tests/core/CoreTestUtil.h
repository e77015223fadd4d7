#pragma once

#include "core/CVOK_AddressDoc.h"
#include "model/book/AddressRecord.h"
#include "model/text/Cp932.h"
#include "settings/GroupStore.h"

#include <QString>
#include <QStringList>
#include <memory>

// Shared by the document's tests.
namespace CoreTest {

// A contact with a name and a group, both given in UTF-8.
inline std::unique_ptr<AddressRecord> contact(const char* name, const char* group)
{
    auto r = std::make_unique<AddressRecord>();
    r->setField(AddressRecord::Name, Cp932::fromUtf8(name).bytes);
    r->setField(AddressRecord::Group, Cp932::fromUtf8(group).bytes);
    return r;
}

inline QString nameOf(const AddressRecord* r)
{
    return QString::fromStdString(Cp932::toUtf8(r->name()));
}

// The book every operation below works on, loaded from path: the user groups Family and Work,
// and c0 … c5 in Family, Private, family (the same group), Work, Family, Other. Call with the
// settings empty.
inline std::unique_ptr<CVOK_AddressDoc> openBook(const QString& path)
{
    GroupStore::add(QStringLiteral("Family"));
    GroupStore::add(QStringLiteral("Work"));
    auto doc = std::make_unique<CVOK_AddressDoc>();
    doc->LoadAddressFile(path);
    const char* groups[] = {"Family", "Private", "family", "Work", "Family", "Other"};
    int n = 0;
    for (const char* g : groups)
        doc->AddRecord(contact(("c" + std::to_string(n++)).c_str(), g));
    return doc;
}

// Every operation of the document, each once on the book above.
enum Op
{
    Add,
    Edit,
    RemoveSome,
    Import,
    Move,
    Copy,
    CreateGroup,
    RenameGroup,
    DeleteGroup,
};

inline void perform(CVOK_AddressDoc& doc, Op op)
{
    const RecordList& all = doc.records();
    switch (op) {
    case Add:
        doc.AddRecord(contact("新", "Private"));
        break;
    case Edit: {
        AddressRecord value = *all.at(2);
        value.setField(AddressRecord::Email, "c@example.jp");
        doc.ChangeRecord(all.at(2), value);
        break;
    }
    case RemoveSome:
        doc.RemoveRecords({all.at(0), all.at(3), all.at(5)});
        break;
    case Import: {
        std::vector<std::unique_ptr<AddressRecord>> file;
        file.push_back(contact("x", "Other"));
        file.push_back(contact("y", "Family"));
        doc.ImportRecords(std::move(file));
        break;
    }
    case Move:
        doc.MoveToGroup({all.at(1), all.at(4)}, QStringLiteral("Work"));
        break;
    case Copy:
        doc.CopyToGroup({all.at(0), all.at(1)}, QStringLiteral("Family"));
        break;
    case CreateGroup:
        doc.CreateGroup(QStringLiteral("友人"));
        break;
    case RenameGroup:
        doc.RenameGroup(QStringLiteral("Family"), QStringLiteral("家族"));
        break;
    case DeleteGroup:
        doc.DeleteGroup(QStringLiteral("Family"));
        break;
    }
}

} // namespace CoreTest
