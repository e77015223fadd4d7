#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>
#include <utility>

// The addresses of a Japanese postal code, read from SKK's public-domain postal-code dictionary
// (lines "NNNNNNN /address/address/" in EUC-JIS-2004). The file is read once, on the first
// lookup; without it every lookup is empty.
class PostalCodeDictionary
{
public:
    static PostalCodeDictionary& instance();

    // $VOK_ZIPCODE_DICT when set, else the file of the skkdic-extra package.
    static QString defaultPath();
    // Points the dictionary at another file; it is read again on the next lookup.
    void setPath(const QString& path);
    QString path() const { return m_path; }

    // "1000001", "100-0001", full-width digits too; empty unless it is a whole postal code.
    static QString normalize(const QString& postalCode);
    QStringList lookup(const QString& postalCode);

private:
    PostalCodeDictionary();
    void load();

    QString m_path;
    bool m_loaded = false;
    QByteArray m_data;                                  // the file as read, EUC-JIS-2004
    QHash<quint32, QList<std::pair<int, int>>> m_index; // code -> "/a/b/" spans in m_data
};
