#include "AutostartEntry.h"

#include "OptionText.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

QString AutostartEntry::folder()
{
    const QString config = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    if (config.isEmpty())
        return {};
    return config + QStringLiteral("/autostart");
}

QString AutostartEntry::path()
{
    return folder() + u'/' + OptionText::AutostartName + QStringLiteral(".desktop");
}

QString AutostartEntry::execLine(const QString& program)
{
    // Inside double quotes the desktop entry format wants ", `, $ and \ escaped by a backslash,
    // and % doubled; the value as a whole then escapes each backslash once more.
    QString quoted = QStringLiteral("\"");
    for (const QChar c : program) {
        if (c == u'"' || c == u'`' || c == u'$' || c == u'\\')
            quoted += u'\\';
        if (c == u'%')
            quoted += u'%';
        quoted += c;
    }
    quoted += QStringLiteral("\" /Startup");
    QString value;
    for (const QChar c : std::as_const(quoted)) {
        if (c == u'\\')
            value += QStringLiteral("\\\\");
        else if (c == u'\n')
            value += QStringLiteral("\\n");
        else if (c == u'\r')
            value += QStringLiteral("\\r");
        else if (c == u'\t')
            value += QStringLiteral("\\t");
        else
            value += c;
    }
    return value;
}

QString AutostartEntry::contents(const QString& program)
{
    return QStringLiteral("[Desktop Entry]\n"
                          "Type=Application\n"
                          "Version=1.0\n"
                          "Name=%1\n"
                          "Comment=%2\n"
                          "Exec=%3\n"
                          "Terminal=false\n"
                          "X-GNOME-Autostart-enabled=true\n")
        .arg(OptionText::AutostartName, OptionText::AutostartComment, execLine(program));
}

bool AutostartEntry::write(const QString& filePath, const QString& program)
{
    if (!QDir().mkpath(QFileInfo(filePath).absolutePath()))
        return false;
    QSaveFile file(filePath);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(contents(program).toUtf8());
    return file.commit();
}
