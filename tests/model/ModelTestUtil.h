#pragma once

#include "model/book/AddressRecord.h"
#include "model/book/RecordList.h"
#include "model/text/Cp932.h"

#include <QByteArray>
#include <QFile>
#include <QString>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

// Small helpers shared by the model tests.
namespace ModelTest {

// CP932 bytes of a UTF-8 literal.
inline std::string sjis(const char* utf8)
{
    return Cp932::fromUtf8(utf8).bytes;
}

inline QByteArray qb(std::string_view s)
{
    return QByteArray(s.data(), static_cast<qsizetype>(s.size()));
}

inline std::string_view sv(const QByteArray& b)
{
    return std::string_view(b.constData(), static_cast<std::size_t>(b.size()));
}

inline std::string local(const QString& path)
{
    return QFile::encodeName(path).toStdString();
}

// A record whose every field says which field and which record it is: "n3-f07".
inline std::unique_ptr<AddressRecord> tagged(int n, std::string_view group)
{
    auto r = std::make_unique<AddressRecord>();
    for (int i = 0; i < AddressRecord::FieldCount - 1; ++i) {
        char buf[16];
        std::snprintf(buf, sizeof buf, "n%d-f%02d", n, i);
        r->setField(i, buf);
    }
    r->setField(AddressRecord::Group, group);
    return r;
}

inline QByteArray readAll(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray();
    return f.readAll();
}

inline bool writeAll(const QString& path, const QByteArray& data)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(data) == data.size();
}

} // namespace ModelTest
