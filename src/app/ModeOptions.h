#pragma once

#include <QHash>
#include <QString>
#include <QStringList>
#include <optional>

// The arguments of a mode that works on one file: the file first, then "--name value" pairs
// from the names the mode knows.
class ModeOptions
{
public:
    QString file;

    // Empty on success; otherwise the message (without the mode's prefix). missingFile is the
    // message for a missing file name.
    // `flags` are the names that take no value.
    QString parse(const QStringList& options, const QStringList& names, const QString& missingFile,
                  const QStringList& flags = {});
    std::optional<QString> value(const QString& name) const;
    bool flag(const QString& name) const { return m_flags.contains(name); }

    // The root, a fixed group or a stored group. (A group that only contacts bear exists too.)
    static bool groupNamed(const QString& group);

private:
    QHash<QString, QString> m_values;
    QStringList m_flags;
};
