#include "MailLauncher.h"

#include <QDesktopServices>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTextStream>

namespace MailLauncher {

QUrl buildMailtoUrl(const QStringList& addresses)
{
    QByteArray encoded = "mailto:";
    bool first = true;
    for (const QString& address : addresses) {
        const QString trimmed = address.trimmed();
        if (trimmed.isEmpty())
            continue;
        if (!first)
            encoded += ',';
        first = false;
        // Only "@" stays as it is; "?", "&", "#", ",", ";", "%" and blanks are all encoded.
        encoded += QUrl::toPercentEncoding(trimmed, "@");
    }
    return QUrl::fromEncoded(encoded, QUrl::StrictMode);
}

QUrl mailtoFromJoined(const QString& joined)
{
    return buildMailtoUrl(joined.split(u';', Qt::SkipEmptyParts));
}

bool openMailto(const QUrl& url)
{
    return url.isValid() && QDesktopServices::openUrl(url);
}

QStringList splitExecLine(const QString& exec)
{
    QStringList words;
    QString word;
    bool inWord = false;
    bool quoted = false;
    for (qsizetype i = 0; i < exec.size(); ++i) {
        const QChar c = exec[i];
        if (quoted) {
            if (c == u'"') {
                quoted = false;
            } else if (c == u'\\' && i + 1 < exec.size()) {
                word += exec[++i];
            } else {
                word += c;
            }
            continue;
        }
        if (c == u'"') {
            quoted = true;
            inWord = true;
        } else if (c == u' ' || c == u'\t') {
            if (inWord)
                words.append(word);
            word.clear();
            inWord = false;
        } else if (c == u'%' && i + 1 < exec.size()) {
            // "%%" is a percent sign; any other field code stands for what we never pass.
            if (exec[i + 1] == u'%')
                word += u'%';
            ++i;
            inWord = inWord || exec[i] == u'%';
        } else {
            word += c;
            inWord = true;
        }
    }
    if (inWord)
        words.append(word);
    return words;
}

QString readDesktopExec(const QString& desktopFile)
{
    QFile file(desktopFile);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    QTextStream in(&file);
    bool inEntry = false;
    while (!in.atEnd()) {
        const QString line = in.readLine().trimmed();
        if (line.startsWith(u'[')) {
            inEntry = line == QStringLiteral("[Desktop Entry]");
            continue;
        }
        if (inEntry && line.startsWith(QStringLiteral("Exec"))) {
            const qsizetype eq = line.indexOf(u'=');
            if (eq > 0 && line.left(eq).trimmed() == QStringLiteral("Exec"))
                return line.mid(eq + 1).trimmed();
        }
    }
    return {};
}

QString findDesktopFile(const QString& desktopId)
{
    if (desktopId.isEmpty() || desktopId.contains(u'/') || desktopId.startsWith(u'.'))
        return {};
    QStringList candidates{desktopId};
    // "vendor-name.desktop" may also lie in the subfolder "vendor/name.desktop".
    for (qsizetype dash = desktopId.indexOf(u'-'); dash > 0;
         dash = desktopId.indexOf(u'-', dash + 1)) {
        QString sub = desktopId;
        sub[dash] = u'/';
        candidates.append(sub);
    }
    const QStringList dirs = QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation);
    for (const QString& dir : dirs) {
        for (const QString& name : candidates) {
            const QString path = dir + QStringLiteral("/applications/") + name;
            if (QFileInfo(path).isFile())
                return path;
        }
    }
    return {};
}

bool launchDefaultMailClient()
{
    QProcess query;
    query.start(QStringLiteral("xdg-mime"), {QStringLiteral("query"), QStringLiteral("default"),
                                             QStringLiteral("x-scheme-handler/mailto")});
    if (!query.waitForFinished(5000) || query.exitStatus() != QProcess::NormalExit ||
        query.exitCode() != 0)
        return false;
    const QString desktopId = QString::fromLocal8Bit(query.readAllStandardOutput()).trimmed();
    const QString file = findDesktopFile(desktopId);
    if (file.isEmpty())
        return false;
    const QStringList words = splitExecLine(readDesktopExec(file));
    if (words.isEmpty())
        return false;
    return QProcess::startDetached(words.first(), {});
}

} // namespace MailLauncher
