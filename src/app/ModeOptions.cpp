#include "ModeOptions.h"

#include "CommandLineText.h"
#include "core/CVOK_AddressDoc.h"
#include "settings/GroupStore.h"

QString ModeOptions::parse(const QStringList& options, const QStringList& names,
                           const QString& missingFile, const QStringList& flags)
{
    if (options.isEmpty() || options.first().startsWith(QStringLiteral("--")))
        return missingFile;
    file = options.first();
    for (qsizetype i = 1; i < options.size(); ++i) {
        const QString& option = options.at(i);
        if (flags.contains(option)) {
            m_flags << option;
            continue;
        }
        if (!names.contains(option))
            return CommandLineText::ModeUnknownOption.arg(option);
        if (i + 1 >= options.size())
            return CommandLineText::MissingValue.arg(option);
        m_values.insert(option, options.at(++i));
    }
    return {};
}

std::optional<QString> ModeOptions::value(const QString& name) const
{
    const auto it = m_values.constFind(name);
    if (it == m_values.constEnd())
        return std::nullopt;
    return *it;
}

bool ModeOptions::groupNamed(const QString& group)
{
    return CVOK_AddressDoc::isRootName(group) || GroupStore::contains(group) ||
           CVOK_AddressDoc::FixedGroups.contains(group, Qt::CaseInsensitive);
}
