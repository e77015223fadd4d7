#include "Addressee.h"

#include "model/book/AddressRecord.h"
#include "model/book/ContactExtras.h"
#include "model/book/RecordText.h"
#include "model/text/PostalCode.h"

namespace {

// The whole text where the book keeps 〓 for a character CP932 lacks (𠮷田): a postcard
// addressed to 〓田 would be no use.
QString text(const AddressRecord& record, int field)
{
    QString text = QString::fromStdString(RecordText::utf8(record, field));
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(u'\r', u'\n');
    return text.trimmed();
}

QString fromUtf8(std::string_view s)
{
    return QString::fromUtf8(s.data(), qsizetype(s.size())).simplified();
}

qsizetype spaceIn(const QString& name)
{
    for (qsizetype i = 1; i + 1 < name.size(); ++i) {
        if (name[i] == u' ' || name[i] == u'\u3000')
            return i;
    }
    return -1;
}

QString simplifiedName(const QString& name)
{
    QString s = name;
    s.replace(u'\u3000', u' ');
    return s.simplified();
}

} // namespace

Addressee Addressee::fromRecord(const AddressRecord& record, AddressKind kind)
{
    using R = AddressRecord;
    Addressee a;
    a.name = text(record, R::Name);
    const bool office = kind == AddressKind::Office;
    const QString code = text(record, office ? R::OfficePostalCode : R::PostalCode);
    a.postalCode = QString::fromStdString(PostalCode::normalized(code.toStdString()));
    a.address = text(record, office ? R::OfficeAddress : R::Address);
    if (office)
        a.company = text(record, R::Company);
    if (const ContactExtras* extras = record.extras()) {
        a.honorific = fromUtf8(extras->printedHonorific());
        for (const ContactExtras::JointName& joint : extras->jointNames) {
            const QString name = fromUtf8(joint.name);
            if (!name.isEmpty())
                a.jointNames.append(
                    {name, fromUtf8(ContactExtras::printedHonorific(joint.honorific))});
        }
        if (office) {
            a.title = fromUtf8(extras->title);
            a.department = fromUtf8(extras->department);
        }
    }
    return a;
}

bool Addressee::endsWithHonorific(const QString& name)
{
    static const QString honorifics[] = {QStringLiteral("様"),   QStringLiteral("殿"),
                                         QStringLiteral("先生"), QStringLiteral("御中"),
                                         QStringLiteral("各位"), QStringLiteral("さま")};
    const QString trimmed = simplifiedName(name);
    for (const QString& h : honorifics) {
        if (trimmed.endsWith(h) && trimmed.size() > h.size())
            return true;
    }
    // 行 only as a word of its own (山田 行): 銀行 and 旅行 end company names.
    return trimmed.endsWith(QStringLiteral(" 行"));
}

QList<Addressee::PrintedName>
Addressee::printedNames(const std::optional<QString>& runHonorific) const
{
    auto honorificOf = [&](const QString& n, const QString& own) {
        if (endsWithHonorific(n))
            return QString();
        return runHonorific ? *runHonorific : own;
    };
    QList<PrintedName> names;
    const QString person = simplifiedName(name);
    if (person.isEmpty()) {
        QString firm = simplifiedName(company);
        if (firm.isEmpty())
            return names;
        if (!department.isEmpty())
            firm += u' ' + simplifiedName(department);
        // A company or a department is addressed with 御中, whatever the run says of persons.
        names.append(
            {firm, {}, endsWithHonorific(firm) ? QString() : PrintText::companyHonorific()});
        return names;
    }
    PrintedName main;
    if (const qsizetype at = spaceIn(person); at > 0) {
        main.family = person.left(at);
        main.given = person.mid(at + 1);
    } else if (!jointNames.isEmpty() && person.size() >= 3) {
        // Written without a space: most given names have two characters (山田太郎, 佐々木美咲).
        main.family = person.left(person.size() - 2);
        main.given = person.right(2);
    } else {
        main.family = person;
    }
    main.honorific = honorificOf(person, honorific);
    names.append(main);
    for (const Joint& joint : jointNames) {
        const QString n = simplifiedName(joint.name);
        if (n.isEmpty())
            continue;
        PrintedName p;
        if (const qsizetype at = spaceIn(n); at > 0) {
            p.family = n.left(at);
            p.given = n.mid(at + 1);
            if (p.family == main.family)
                p.family.clear(); // the family name once
        } else {
            p.given = n;
        }
        p.honorific = honorificOf(n, joint.honorific);
        names.append(p);
    }
    return names;
}
