#pragma once

// The address book the printing tests print: ten friends in a user group, the first four with
// an office address too, and three others.

#include "core/CVOK_AddressDoc.h"
#include "core/Text.h"
#include "model/book/AddressRecord.h"
#include "model/book/ContactExtras.h"

#include <QStringList>
#include <memory>

namespace PrintTestBook {

inline const QString Group = QStringLiteral("友人");
inline const QString Sender = QStringLiteral("差出花子");
// No 青 and the like: Qt names such glyphs by their radical, which extraction cannot fold back.
inline const QStringList Friends{"浅野", "井上", "上田", "江藤", "大野",
                                 "加藤", "木村", "工藤", "小林", "佐藤"};
inline const QStringList Others{"杉山", "田中", "中村"};

inline void fill(CVOK_AddressDoc& doc)
{
    auto add = [&doc](const QString& name, const QString& group, bool office) {
        auto r = std::make_unique<AddressRecord>();
        r->setField(AddressRecord::Name, Text::toCp932Lossy(name));
        r->setField(AddressRecord::Group, Text::toCp932Lossy(group));
        r->setField(AddressRecord::PostalCode, "100-0005");
        r->setField(AddressRecord::Address,
                    Text::toCp932Lossy(QStringLiteral("千代田区丸の内10-3")));
        // 2027's 年賀状: 浅野 marked to send, 井上 in mourning, 上田 not to send.
        const int marked = int(Friends.indexOf(name));
        if (marked >= 0 && marked < 3) {
            ContactExtras extras;
            ContactExtras::Nenga nenga;
            nenga.year = 2027;
            nenga.addMarkWord(marked == 0 ? "send" : marked == 1 ? "mourning" : "nosend");
            extras.setNenga(nenga);
            r->setExtras(extras);
        }
        if (office) {
            r->setField(AddressRecord::Company,
                        Text::toCp932Lossy(QStringLiteral("株式会社ＶＯＫ")));
            r->setField(AddressRecord::OfficePostalCode, "530-0001");
            r->setField(AddressRecord::OfficeAddress,
                        Text::toCp932Lossy(QStringLiteral("大阪市北区")));
        }
        doc.AddRecord(std::move(r));
    };
    for (int i = 0; i < Friends.size(); ++i)
        add(Friends[i], Group, i < 4);
    for (const QString& name : Others)
        add(name, QStringLiteral("Private"), false);
}

} // namespace PrintTestBook
