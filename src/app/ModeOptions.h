#pragma once

#include <QHash>
#include <QString>
#include <QStringList>
#include <optional>

class CVOK_AddressDoc;

// The arguments of a mode that works on one file: the file first, then "--name value" pairs
// from the names the mode knows.
class ModeOptions
{
public:
    QString file;

    // Empty on success; otherwise the message (without the mode's prefix). missingFile is the
    // message for a missing file name.
    QString parse(const QStringList& options, const QStringList& names,
                  const QString& missingFile);
    std::optional<QString> value(const QString& name) const;

    // A group a mode may name: the root, a fixed group, a stored group, or one that contacts
    // of the book bear.
    static bool groupExists(const CVOK_AddressDoc& book, const QString& group);

private:
    QHash<QString, QString> m_values;
};
