#pragma once

#include "PrintText.h"

#include <QList>
#include <QString>
#include <optional>

class AddressRecord;

// Which of a contact's two addresses a print run uses.
enum class AddressKind
{
    Home,
    Office,
};

// One recipient as printing sees it: Unicode text, line breaks as "\n".
struct Addressee
{
    // Another person at the same address (連名): a given name sharing the family name, or a
    // full name with a space between family and given name.
    struct Joint
    {
        QString name;
        QString honorific = PrintText::honorific(); // empty: none
    };

    // One name as a card sets it: the family name once, the given names aligned below it, the
    // 敬称 in a row below them.
    struct PrintedName
    {
        QString family; // empty for a given name that shares the family name above
        QString given;
        QString honorific;
    };

    QString postalCode;
    QString address; // may hold line breaks
    QString company; // empty for home addresses
    QString name;
    QString honorific = PrintText::honorific(); // after the name; empty: none
    QList<Joint> jointNames{};
    QString title{};      // 役職, small above the name (office addresses)
    QString department{}; // 部署, after the company (office addresses)

    // The contact's personal or office address; an office address carries the company, the
    // department and the title too.
    static Addressee fromRecord(const AddressRecord& record, AddressKind kind);

    // The names in the order they are set: the contact, then the joint names. A company without
    // a person is one name with 御中. `runHonorific`, when given, replaces each person's own
    // 敬称 (empty: none). A name that already ends in a 敬称 never gets a second one.
    QList<PrintedName> printedNames(const std::optional<QString>& runHonorific = {}) const;

    // Whether the name ends in a 敬称 of its own (山田様, 佐藤先生, 総務部御中).
    static bool endsWithHonorific(const QString& name);
};
