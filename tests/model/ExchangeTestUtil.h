#pragma once

#include "ModelTestUtil.h"
#include "model/AddressRecord.h"
#include "model/Cp932.h"
#include "model/ExchangeText.h"
#include "model/ImportResult.h"

#include <QStringList>
#include <string>
#include <vector>

// Helpers of the vCard and CSV exchange tests.
namespace ExchangeTest {

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
    keys << QStringLiteral("フリガナ") << QStringLiteral("wanted");
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
        else
            have = Cp932::toUtf8(r.wantedGroups[index]);
        const QString got = QString::fromStdString(have);
        if (got != want[k])
            diffs << keys[k] + QStringLiteral(": [") + got + QStringLiteral("] expected [") +
                         want[k] + u']';
    }
    return diffs.join(QStringLiteral("; "));
}

} // namespace ExchangeTest
