#pragma once

#include "model/book/ContactExtras.h"

#include "ModelTestUtil.h"
#include "model/book/AddressRecord.h"
#include "model/exchange/ExchangeText.h"
#include "model/exchange/ImportResult.h"
#include "model/text/Cp932.h"

#include <QStringList>
#include <memory>
#include <string>
#include <vector>

// Helpers of the vCard and CSV exchange tests.
namespace ExchangeTest {

// CP932 bytes of a UTF-8 literal, as a QByteArray.
inline QByteArray sj(const char* utf8)
{
    return ModelTest::qb(ModelTest::sjis(utf8));
}

// UTF-16 little-endian with its byte-order mark.
inline QByteArray utf16le(const QString& text)
{
    QByteArray out("\xFF\xFE", 2);
    out.append(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
    return out;
}

// The groups the tree knows in these tests (CP932).
inline std::vector<std::string> knownGroups()
{
    return {"Private", "Business", "Other", ModelTest::sjis("家族"), "Family", "A,B"};
}

// Compares contact `index` with "name=value" lines (UTF-8): the field names of the spreadsheet
// CSV, "フリガナ" for the reading, "wanted" for the wanted group. A field that is not named
// must be empty, the group "Other". Returns what differs, or an empty text.
inline QString mismatch(const ImportResult& r, std::size_t index, const QStringList& expect)
{
    if (index >= r.records.size())
        return QStringLiteral("no contact %1 of %2").arg(index).arg(r.records.size());
    QStringList keys;
    QList<QString> want;
    for (int f = 0; f < AddressRecord::FieldCount; ++f)
        keys << QString::fromUtf8(ExchangeText::FieldNames[std::size_t(f)].data(),
                                  qsizetype(ExchangeText::FieldNames[std::size_t(f)].size()));
    keys << QStringLiteral("フリガナ") << QStringLiteral("wanted") << QStringLiteral("役職")
         << QStringLiteral("部署") << QStringLiteral("敬称");
    want.resize(keys.size());
    want[AddressRecord::Group] = QStringLiteral("Other");
    for (const QString& e : expect) {
        const qsizetype eq = e.indexOf(u'=');
        const qsizetype k = keys.indexOf(e.left(eq));
        if (eq < 0 || k < 0)
            return QStringLiteral("bad expectation ") + e;
        want[k] = e.mid(eq + 1);
    }
    QStringList diffs;
    for (qsizetype k = 0; k < keys.size(); ++k) {
        std::string have;
        if (k < AddressRecord::FieldCount)
            have = Cp932::toUtf8(r.records[index]->field(int(k)));
        else if (k == AddressRecord::FieldCount)
            have = r.readings[index];
        else if (k == AddressRecord::FieldCount + 1)
            have = Cp932::toUtf8(r.wantedGroups[index]);
        else if (const ContactExtras* x = r.records[index]->extras())
            have = k == AddressRecord::FieldCount + 2   ? x->title
                   : k == AddressRecord::FieldCount + 3 ? x->department
                                                        : x->honorific;
        const QString got = QString::fromStdString(have);
        if (got != want[k])
            diffs << keys[k] + QStringLiteral(": [") + got + QStringLiteral("] expected [") +
                         want[k] + u']';
    }
    return diffs.join(QStringLiteral("; "));
}

// A record of the given fields (UTF-8, in AddressRecord order).
inline std::unique_ptr<AddressRecord> record(const QStringList& fields)
{
    auto r = std::make_unique<AddressRecord>();
    for (int i = 0; i < AddressRecord::FieldCount && i < fields.size(); ++i)
        r->setField(i, ModelTest::sjis(fields[i].toUtf8().constData()));
    return r;
}

// Contacts that try every escape, folding and field of the format.
inline std::vector<std::unique_ptr<AddressRecord>> trickyBook(std::vector<std::string>& readings)
{
    std::vector<std::unique_ptr<AddressRecord>> book;
    book.push_back(record(
        {"山田 太郎", "taro@example.jp", "100-0001", "東京都千代田区表1-1\r\nソビル; 5F",
         "03-1234-5678", "090-1234-5678", "03-1234-5679", "一行目, \"引用\"\r\n二行目\\n ; 〜",
         "株式会社A, B支店; 本社", "t.yamada@corp.example", "100-0005", "丸の内1-1", "03-5555-6666",
         "03-5555-6667", "勤務先の\r\nメモ", "家族"}));
    readings.push_back("やまだ たろう");
    book.push_back(record({"John Q. Public", "", "", "1 Main St.\r\nSpringfield", "", "", "", "",
                           "", "", "", "", "", "", "", "Business"}));
    readings.push_back("");
    book.push_back(record(
        {"", "nobody@example.com", "", "", "", "", "", "", "ACME", "", "", "", "", "", "", "A,B"}));
    readings.push_back("かな");
    book.push_back(record({"髙橋\xE3\x80\x80一郎", "", "", "", "", "", "", QString(120, u'長'), "",
                           "", "", "", "", "", "", "Private"}));
    readings.push_back("たかはし いちろう, ^\"");
    return book;
}

// Pointers to the records, for the writers.
inline std::vector<const AddressRecord*>
pointers(const std::vector<std::unique_ptr<AddressRecord>>& book)
{
    std::vector<const AddressRecord*> out;
    for (const auto& r : book)
        out.push_back(r.get());
    return out;
}

} // namespace ExchangeTest
